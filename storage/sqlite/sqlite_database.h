#pragma once

#include "storage/driver.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace storage {
class Connection;
}

namespace storage::sqlite {

// The driver on an SQLite file: the program's database file, shared with the
// web site and other programs. The file is opened for reading only when it or
// its folder is marked read-only; a writable file gets the rollback journal
// (DELETE) and synchronous=FULL (see docs/storage.md for why). Locks held by
// others are waited for with growing short sleeps, up to the busy timeout.
class Database final : public driver::Database {
public:
    Database() = default;
    ~Database() override;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void open(const QString& connectionString, const std::function<void(driver::Database&)>& verify) override;
    void setReadingOnly(bool on) override { readingOnly_ = on; }
    // Opens the private, read-only copy made of an Access file.
    void openCopy(const QString& path);
    void close() override;
    bool isOpen() const override { return db_ != nullptr; }
    bool readOnly() const override { return readOnly_ != ReadOnly::No; }
    QString journalMode() const override { return journalMode_; }
    QStringList objects() override;

    void setBusyTimeout(int milliseconds) override { busyTimeoutMs_ = milliseconds; }
    void setLockWaitNotifier(std::function<void(bool)> notifier) override { lockWaitNotifier_ = std::move(notifier); }

    std::unique_ptr<driver::Prepared> prepare(const QByteArray& sql) override;
    void runScript(const QByteArray& sql) override;
    qint64 changes() const override;
    qint64 insertedKey() const override;

    bool inTransaction() const override;
    void begin() override;
    void commit() override;
    bool rollback() noexcept override;
    void savepoint(const QByteArray& name) override;
    void release(const QByteArray& name) override;
    bool rollbackTo(const QByteArray& name) noexcept override;

    driver::Mark mark() override;

    QString rowLocator() const override { return QStringLiteral("rowid"); }
    bool hidesRowLocator(const QString& column) const override;
    QString sameAs() const override { return QStringLiteral("IS"); }
    QString blockRead(const QString& table, const QString& condition, int ids) const override;
    QString notWholeNumber(const QString& expression) const override;
    bool sorts(const QByteArray& query) override;
    std::vector<QStringList> uniqueKeys(const QString& table) override;
    void passingScan(bool starts) noexcept override;

    // The open handle, for tests that look at what the program sends; null
    // when closed.
    sqlite3* handle() const { return db_; }

    // The failure of a result code, with the text a user can act on.
    [[nodiscard]] driver::Failure failure(int resultCode) const;
    // Ends a wait that is in progress; called after every call into SQLite
    // that may have waited.
    void lockWaitOver() const;

private:
    enum class ReadOnly { No, File, Folder, Chosen };

    static int onBusy(void* self, int count);
    QString errorText(int resultCode) const;
    QString folder() const;
    void chooseJournalMode();
    static void removeUnusedWalFiles(const QString& path);
    void exec(const char* sql);
    // One integer from a pragma kept prepared; -1 when it cannot be read.
    qint64 pragmaValue(sqlite3_stmt** kept, const char* sql);
    void finalizeKept();

    QString path_;
    sqlite3* db_ = nullptr;
    int busyTimeoutMs_ = 5000;
    ReadOnly readOnly_ = ReadOnly::No;
    bool readingOnly_ = false;
    // A WAL file read without its -wal and -shm beside it: SQLite makes them
    // for a reader and leaves them; they go again when nobody uses them.
    bool madeWalFiles_ = false;
    QString journalMode_;
    std::function<void(bool)> lockWaitNotifier_;
    mutable bool waiting_ = false;
    int waitedMs_ = 0;
    sqlite3_stmt* dataVersion_ = nullptr;
    sqlite3_stmt* cacheSize_ = nullptr;
    int scans_ = 0;
    qint64 cacheBefore_ = 0;
    bool cacheChanged_ = false;
};

// A new link to an SQLite file, closed.
std::unique_ptr<driver::Database> makeDatabase();

// The SQLite handle of an open connection on an SQLite file, for tests and
// benchmarks that watch or set what only SQLite knows (the statements sent,
// pragmas); null when the connection is closed or runs another driver.
sqlite3* handleOf(const Connection& connection);

}  // namespace storage::sqlite
