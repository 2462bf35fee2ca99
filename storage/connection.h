#pragma once

#include "storage/count_cache.h"

#include <QList>
#include <QString>

#include <QByteArray>

#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace storage {

class RecordSet;
class Transaction;

// The one connection of the program to its database file (and the import
// window's own connection to another file). The file is shared: another
// program may read and write it at the same time, so every change is its own
// transaction and locks held by others are waited for a few seconds.
class Connection {
public:
    explicit Connection(QString name = QStringLiteral("ADOConnection1"));
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& name() const { return name_; }

    // Allowed only while closed.
    void setConnectionString(const QString& text);
    const QString& connectionString() const { return connectionString_; }

    // Opens the Data Source of the connection string. Never creates a file.
    // Throws storage::Error with a message for people when the file cannot be
    // used: missing, not a database, not a question bank (the four tables and
    // the view must be there), locked by another writer, read-only with an
    // unfinished change of another program. A file or folder marked read-only
    // is opened for reading only. A writable file gets the rollback journal
    // (DELETE) and synchronous=FULL; see docs/storage.md for why.
    void open();
    // Closes every record set on the connection, then the file.
    void close();
    bool connected() const { return db_ != nullptr; }
    // Whether changes are refused because the file or its folder is marked read-only.
    bool readOnly() const { return readOnly_ != ReadOnly::No; }
    // The journal mode the file is used in: "delete", or "wal" when another
    // program keeps the file in WAL mode and it could not be switched.
    const QString& journalMode() const { return journalMode_; }

    // Whether open() reads an Access file: it then reads the file's tqgroup
    // and tqmaster into a private read-only copy and works on that. Off, an
    // Access file is refused with a text that names the migration tool.
    void setReadsAccessFiles(bool on) { readsAccessFiles_ = on; }

    // How long to wait for another program's locks, in milliseconds.
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return busyTimeoutMs_; }

    // Called, synchronously and on the thread that runs the statement, with
    // true when a statement starts waiting for another program's lock and
    // with false when the wait is over (the lock was had, or the time ran
    // out and the statement fails with its message). It must not throw and
    // must not use the connection.
    using LockWaitNotifier = std::function<void(bool waiting)>;
    void setLockWaitNotifier(LockWaitNotifier notifier) { lockWaitNotifier_ = std::move(notifier); }
    // Ends a wait that is in progress; the storage layer calls it after every
    // call into SQLite that may have waited.
    void lockWaitOver() const;

    // The open handle; throws when the connection is closed.
    sqlite3* handle() const;
    const QString& databasePath() const { return path_; }

    // Turns an SQLite result code into an error whose text a user can act on.
    // Outside a unit a failed statement changed nothing (SQLite undid it),
    // and the text says so where it matters; inside a unit only the unit
    // knows, once it is undone (see atomically).
    [[noreturn]] void fail(int resultCode) const;
    QString failureText(int resultCode) const;
    // The reason alone, without what became of the change.
    QString errorText(int resultCode) const;
    // The sentence that says a failed change left the file as it was.
    static QString nothingChangedText();

    // Prepared statements kept for the next use of the same text: preparing
    // costs more than running most of the short statements a post or a key
    // lookup sends. take hands one over (nullptr when none is kept); keep takes
    // one back, reset and without bindings, or finalizes it when it belongs to
    // a handle that is no longer this connection's.
    sqlite3_stmt* takePrepared(const QByteArray& text) const;
    void keepPrepared(QByteArray text, sqlite3_stmt* stmt) const;

    // Counts of rows known on the connection while the file is unchanged (see
    // KnownCounts); forgotten when the connection closes.
    KnownCounts& knownCounts() const { return knownCounts_; }

private:
    friend class RecordSet;
    friend class Transaction;
    enum class ReadOnly { No, File, Folder };

    void attach(RecordSet* rs) { recordSets_.append(rs); }
    void detach(RecordSet* rs) { recordSets_.removeAll(rs); }
    static int onBusy(void* self, int count);
    void checkQuestionBank();
    void openAccess();  // in connection_access.cpp
    void chooseJournalMode();
    QString folder() const;

    QString name_;
    QString connectionString_;
    QString path_;
    sqlite3* db_ = nullptr;
    int busyTimeoutMs_ = 5000;
    ReadOnly readOnly_ = ReadOnly::No;
    QString journalMode_;
    int unitDepth_ = 0;  // units (transactions) open on the connection
    LockWaitNotifier lockWaitNotifier_;
    mutable bool waiting_ = false;
    int waitedMs_ = 0;
    QList<RecordSet*> recordSets_;
    mutable KnownCounts knownCounts_;
    struct Prepared {
        QByteArray text;
        sqlite3_stmt* stmt;
    };
    mutable std::vector<Prepared> prepared_;  // the most recently used last
    void finalizePrepared();
    bool readsAccessFiles_ = false;
};

}  // namespace storage
