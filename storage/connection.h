#pragma once

#include "storage/count_cache.h"
#include "storage/driver.h"

#include <QList>
#include <QString>

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace storage {

class Batch;

class RecordSet;
class Transaction;

// The one connection of the program to its database file (and the import
// window's own connection to another file). The file is shared: another
// program may read and write it at the same time, so every change is its own
// transaction and locks held by others are waited for a few seconds. The
// database is reached through a driver (see driver.h), chosen by the
// connection string; nothing outside the storage layer knows which.
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
    bool connected() const { return database_ && database_->isOpen(); }
    // Whether changes are refused because the file or its folder is marked read-only.
    bool readOnly() const { return database_ && database_->readOnly(); }
    // The journal mode the file is used in: "delete", or "wal" when another
    // program keeps the file in WAL mode and it could not be switched.
    QString journalMode() const { return database_ ? database_->journalMode() : QString(); }

    // Whether open() opens the file for reading only and leaves it exactly as
    // it was, journal mode and all: the import reads another bank this way.
    // Allowed only while closed.
    void setReadingOnly(bool on);
    bool readingOnly() const { return readingOnly_; }

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
    void setLockWaitNotifier(LockWaitNotifier notifier);

    // The open database; throws when the connection is closed.
    driver::Database& database() const;
    const QString& databasePath() const { return path_; }

    // The text of a driver's failure that a user can act on. Outside a unit
    // a failed statement changed nothing (the database undid it), and the
    // text says so where it matters; inside a unit only the unit knows, once
    // it is undone (see atomically).
    QString failureText(const driver::Failure& failure) const;
    [[noreturn]] void fail(const driver::Failure& failure) const;
    // The same, named after an owner: "tgrp: ...".
    [[noreturn]] void fail(const QString& owner, const driver::Failure& failure) const;
    // The sentence that says a failed change left the file as it was.
    static QString nothingChangedText();

    // Prepared statements kept for the next use of the same text: preparing
    // costs more than running most of the short statements a post or a key
    // lookup sends. take hands one over (null when none is kept) with the
    // open it belongs to; keep takes one back, reset and without bindings,
    // or lets it go when it belongs to an earlier open.
    std::unique_ptr<driver::Prepared> takePrepared(const QByteArray& text) const;
    void keepPrepared(QByteArray text, std::unique_ptr<driver::Prepared> prepared, std::uint64_t open) const;
    // Counts the opens: a statement of an earlier one is not kept.
    std::uint64_t openCount() const { return opens_; }

    // Counts of rows known on the connection while the file is unchanged (see
    // KnownCounts); forgotten when the connection closes.
    KnownCounts& knownCounts() const { return knownCounts_; }

private:
    friend class RecordSet;
    friend class Transaction;
    friend class Batch;
    friend void commitOpenBatch(const Connection& connection);

    void attach(RecordSet* rs) { recordSets_.append(rs); }
    void detach(RecordSet* rs) { recordSets_.removeAll(rs); }
    void checkQuestionBank(driver::Database& database) const;
    void openAccess();  // in connection_access.cpp
    // Makes db the connection's database, with its waiting settings.
    void use(std::unique_ptr<driver::Database> db);

    QString name_;
    QString connectionString_;
    QString path_;
    std::unique_ptr<driver::Database> database_;
    int busyTimeoutMs_ = 5000;
    bool readingOnly_ = false;
    int unitDepth_ = 0;           // units (transactions) open on the connection
    Batch* idleBatch_ = nullptr;  // a batch left open between its units
    LockWaitNotifier lockWaitNotifier_;
    QList<RecordSet*> recordSets_;
    mutable KnownCounts knownCounts_;
    struct Kept {
        QByteArray text;
        std::unique_ptr<driver::Prepared> prepared;
    };
    mutable std::vector<Kept> prepared_;  // the most recently used last
    std::uint64_t opens_ = 0;
    bool readsAccessFiles_ = false;
};

}  // namespace storage
