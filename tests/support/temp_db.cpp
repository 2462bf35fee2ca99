#include "tests/support/temp_db.h"

#include "storage/database_file.h"

#include <QTest>

#include <sqlite3.h>

namespace {
struct Handle {
    sqlite3* db = nullptr;
    explicit Handle(const QString& path) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            qFatal("cannot open test db");
        sqlite3_busy_timeout(db, 2000);
    }
    ~Handle() { sqlite3_close(db); }
};
}  // namespace

TempDb::TempDb() {
    path_ = dir_.path() + QStringLiteral("/Quorvel.mdb");
    storage::createDatabase(path_);
    connection_ = std::make_unique<storage::Connection>();
    connection_->setConnectionString(storage::connectionString(path_));
    connection_->setBusyTimeout(200);
    connection_->open();
}

void TempDb::exec(const QString& sql) const {
    Handle h(path_);
    char* message = nullptr;
    if (sqlite3_exec(h.db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QByteArray text = QByteArray("seed SQL failed: ") + message;
        sqlite3_free(message);
        qFatal("%s", text.constData());
    }
}

qint64 TempDb::scalar(const QString& sql) const { return text(sql).toLongLong(); }

QString TempDb::text(const QString& sql) const {
    Handle h(path_);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h.db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) qFatal("bad query in test");
    QString result;
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return result;
}
