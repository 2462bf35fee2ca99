#include "storage/connection.h"

#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/recordset.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace storage {

Connection::Connection(QString name) : name_(std::move(name)) {}

Connection::~Connection() {
    close();
    // Record sets that outlive their connection must not reach back into it.
    for (RecordSet* rs : recordSets_) rs->connection_ = nullptr;
}

void Connection::setConnectionString(const QString& text) {
    if (connected()) throw Error(name_ + QStringLiteral(": Operation is not allowed when the object is open"));
    connectionString_ = text;
}

void Connection::setBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = milliseconds;
    if (db_) sqlite3_busy_timeout(db_, busyTimeoutMs_);
}

sqlite3* Connection::handle() const {
    if (!db_) throw Error(name_ + QStringLiteral(": Connection is closed"));
    return db_;
}

QString Connection::errorText(int rc) const {
    const int primary = rc & 0xff;
    switch (primary) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral(
                       "The database file \"%1\" is locked by another program; nothing was changed. "
                       "Try again in a moment")
                .arg(path_);
        case SQLITE_READONLY:
            return QStringLiteral("The database file \"%1\" is read-only; nothing was changed").arg(path_);
        case SQLITE_NOTADB:
            return QStringLiteral("The file \"%1\" is not a database file of this program").arg(path_);
        case SQLITE_CORRUPT:
            return QStringLiteral("The database file \"%1\" is damaged").arg(path_);
        case SQLITE_CANTOPEN:
            return QStringLiteral("The database file \"%1\" cannot be opened").arg(path_);
        case SQLITE_FULL:
            return QStringLiteral("The disk is full; nothing was changed");
        case SQLITE_IOERR:
            return QStringLiteral("The database file \"%1\" cannot be read or written").arg(path_);
        default:
            break;
    }
    if (db_) return QString::fromUtf8(sqlite3_errmsg(db_));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

void Connection::fail(int rc) const { throw Error(errorText(rc)); }

void Connection::open() {
    if (db_) return;
    path_ = dataSourceOf(connectionString_);
    if (path_.isEmpty()) throw Error(QStringLiteral("The connection string names no database file"));
    if (!QFileInfo(path_).isFile()) throw Error(QStringLiteral("The database file \"%1\" does not exist").arg(path_));

    // A file marked read-only is opened for reading only, also for a user who
    // could write it anyway: changes are then refused, not made behind a mark.
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const int mode = (QFileInfo(path_).permissions() & writeBits) ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path_.toUtf8().constData(), &db, mode | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = errorText(rc);
        sqlite3_close(db);
        throw Error(text);
    }
    db_ = db;
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
    sqlite3_extended_result_codes(db_, 1);
    // SQLite reads lazily: make it read the header now, so that a file of
    // another kind (an old Access file, garbage) is refused at open.
    sqlite3_stmt* probe = nullptr;
    rc = sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (rc != SQLITE_ROW) {
        const QString text = errorText(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw Error(text);
    }
}

void Connection::close() {
    const auto sets = recordSets_;
    for (RecordSet* rs : sets) rs->close();
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

}  // namespace storage
