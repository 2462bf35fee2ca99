#include "tests/support/test_drivers.h"

#include "storage/database_file.h"

#include <QTest>

#include <sqlite3.h>

namespace {

// Another program on an SQLite file: a bare handle of its own.
struct SqliteHandle {
    sqlite3* db = nullptr;
    explicit SqliteHandle(const QString& connectionString) {
        const QString path = storage::dataSourceOf(connectionString);
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            qFatal("cannot open test db");
        sqlite3_busy_timeout(db, 2000);
    }
    ~SqliteHandle() { sqlite3_close(db); }
};

QString sqliteCreate(const QString& path) {
    storage::createDatabase(path);
    return storage::connectionString(path);
}

void sqliteExec(const QString& connectionString, const QString& sql) {
    SqliteHandle h(connectionString);
    char* message = nullptr;
    if (sqlite3_exec(h.db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QByteArray text = QByteArray("seed SQL failed: ") + message;
        sqlite3_free(message);
        qFatal("%s", text.constData());
    }
}

QString sqliteText(const QString& connectionString, const QString& sql) {
    SqliteHandle h(connectionString);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h.db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) qFatal("bad query in test");
    QString result;
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return result;
}

}  // namespace

const std::vector<TestDriver>& testDrivers() {
    static const std::vector<TestDriver> drivers = {
        {"sqlite", &sqliteCreate, &sqliteExec, &sqliteText},
    };
    return drivers;
}

const TestDriver& testDriver() {
    const QByteArray wanted = qgetenv("QUORVEL_TEST_DRIVER");
    if (wanted.isEmpty()) return testDrivers().front();
    for (const TestDriver& d : testDrivers())
        if (wanted == d.name) return d;
    qFatal("QUORVEL_TEST_DRIVER names no driver of tests/support/test_drivers.cpp: %s", wanted.constData());
}
