#pragma once

#include <QList>
#include <QString>

struct sqlite3;

namespace storage {

class RecordSet;

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
    // used: missing, not a database of this kind, locked by another writer.
    void open();
    // Closes every record set on the connection, then the file.
    void close();
    bool connected() const { return db_ != nullptr; }

    // How long to wait for another program's locks, in milliseconds.
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return busyTimeoutMs_; }

    // The open handle; throws when the connection is closed.
    sqlite3* handle() const;
    const QString& databasePath() const { return path_; }

    // Turns an SQLite result code into an error whose text a user can act on.
    [[noreturn]] void fail(int resultCode) const;
    QString errorText(int resultCode) const;

private:
    friend class RecordSet;
    void attach(RecordSet* rs) { recordSets_.append(rs); }
    void detach(RecordSet* rs) { recordSets_.removeAll(rs); }

    QString name_;
    QString connectionString_;
    QString path_;
    sqlite3* db_ = nullptr;
    int busyTimeoutMs_ = 5000;
    QList<RecordSet*> recordSets_;
};

}  // namespace storage
