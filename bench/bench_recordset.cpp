// Opening a group of 100,000 questions: the record set against bare sqlite3
// stepping through the same rows and reading every column.
// Usage: bench_recordset [rows]
#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/recordset.h"
#include "storage/statements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace {

void seed(const QString& path, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        db, "INSERT INTO tqmaster VALUES (?1, ?2, 'Birinci cevap', 'İkinci cevap', 'Üçüncü cevap', 'Dördüncü cevap', '2', 0, 1)",
        -1, &st, nullptr);
    const QByteArray question =
        QStringLiteral("Aşağıdakilerden hangisi bir soru metnidir? Uzunca bir açıklama ile birlikte. ").repeated(3).toUtf8();
    for (int i = 1; i <= rows; ++i) {
        sqlite3_bind_int(st, 1, i);
        sqlite3_bind_text(st, 2, question.constData(), int(question.size()), SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

double bare(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = storage::sql::questionsOfGroup(1).toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_TEXT) {
                sqlite3_column_text(st, c);
                bytes += size_t(sqlite3_column_bytes(st, c));
            } else {
                bytes += size_t(sqlite3_column_int64(st, c));
            }
        }
    sqlite3_finalize(st);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    sqlite3_close(db);
    return bytes ? ms : -1;
}

double recordSet(const QString& path) {
    storage::Connection c;
    c.setConnectionString(storage::connectionString(path));
    c.open();
    storage::RecordSet rs(QStringLiteral("ADOTable1"), &c);
    rs.setCommandText(storage::sql::questionsOfGroup(1));
    QElapsedTimer t;
    t.start();
    rs.open();
    return double(t.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Quorvel.mdb");
    storage::createDatabase(path);
    seed(path, rows);
    double b = 1e18, r = 1e18;
    for (int i = 0; i < 5; ++i) {  // best of five, both warm
        b = std::min(b, bare(path));
        r = std::min(r, recordSet(path));
    }
    std::printf("rows %d: bare sqlite3 %.1f ms, record set open %.1f ms, ratio %.2f\n", rows, b, r, r / b);
    return 0;
}
