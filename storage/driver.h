#pragma once

#include "storage/errors.h"
#include "storage/fields.h"
#include "storage/rowstore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <span>
#include <vector>

// What the record sets, statements, transactions, keys, counts and paged
// reads need of a database engine, and nothing more. The rest of the program
// talks to a storage::Connection, which runs one driver; only the driver
// knows the engine's library, its SQL dialect beyond plain statements, and how
// its failures read. Statements are written with numbered parameters ?1, ?2,
// ...; a driver whose engine spells them otherwise rewrites them at prepare.
namespace storage::driver {

// The classes of failure the layers above act on.
enum class FailureKind {
    Busy,            // another program holds a lock (or the row is locked)
    UniqueClash,     // a unique key (our own keys: the next free number) is taken
    ReadOnly,        // the database refuses changes
    DiskFull,        // no room for the change
    ConnectionLost,  // the link to the database went; the driver may reconnect
    Other,
};

// A failure of the engine: its class, a text for people (what the driver
// knows: the file, the server, the lock) and the engine's own text. Thrown by
// every driver call that fails; it is a storage::Error, so a failure that no
// layer rewords still reads well.
class Failure : public Error {
public:
    Failure(FailureKind kind, QString text, QString driverText, QString clashingKey = {})
        : Error(std::move(text)), kind_(kind), driverText_(std::move(driverText)), clashingKey_(std::move(clashingKey)) {}
    FailureKind kind() const { return kind_; }
    const QString& driverText() const { return driverText_; }
    // For a unique clash, "table.column" of the key, lower case, when known.
    const QString& clashingKey() const { return clashingKey_; }

private:
    FailureKind kind_;
    QString driverText_;
    QString clashingKey_;
};

// What a result column is and where it comes from.
struct Column {
    QString name;
    bool typed = false;  // the column has a declared type: kind and size say it
    FieldKind kind = FieldKind::Memo;
    int size = 0;                 // declared characters of a text column
    QString table, originColumn;  // the table column it reads; empty for an expression
    bool autoNumber = false;      // the table numbers it itself
};

// Where the data stood for a connection: equal marks mean nothing changed in
// between, neither by another program nor through this connection. Unknown
// inside a transaction or when it cannot be read.
struct Mark {
    qint64 version = -1;
    qint64 changes = -1;
    bool known() const { return version >= 0; }
    bool operator==(const Mark&) const = default;
};

// One prepared statement. Values bound stay where they are (the caller keeps
// them) until the statement is reset with its bindings cleared or goes. A
// statement may outlive the close of its database; it is then only destroyed.
class Prepared {
public:
    virtual ~Prepared() = default;
    // Whether the text held no statement (only spaces or comments).
    virtual bool empty() const = 0;
    virtual std::vector<Column> columns() const = 0;
    // Parameters are 1-based.
    virtual void bind(int index, const RawView& value) = 0;
    // Binds values to the parameters from first on, one call for a row.
    virtual void bind(int first, std::span<const RawView> values) {
        for (const RawView& v : values) bind(first++, v);
    }
    // Steps to the next row and views its first row.size() values, valid until
    // the next step or reset; false when the statement is done.
    virtual bool readRow(std::span<RawView> row) = 0;
    // Steps until done.
    virtual void run() = 0;
    // Ready to run again; clearing also drops the bindings.
    virtual void reset(bool clearBindings) = 0;
};

// An open or closed link to one database.
class Database {
public:
    virtual ~Database() = default;

    // --- the link ---------------------------------------------------------
    // Opens the database the connection string names, never creating it.
    // verify runs as soon as the database can be read, before the driver
    // settles its settings (journal, syncs); a throw from it closes the link
    // and fails the open. Throws storage::Error with a text for people when
    // the database cannot be used.
    virtual void open(const QString& connectionString, const std::function<void(Database&)>& verify) = 0;
    // Whether the next open reads the database only and leaves it exactly as
    // it was: no settings changed, nothing written, nothing left beside it
    // that the engine allows to avoid (a source read for an import).
    virtual void setReadingOnly(bool on) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Whether the database takes no changes (a file marked read-only, ...).
    virtual bool readOnly() const = 0;
    // The journal mode of a database file ("delete", "wal"); empty when the
    // engine has no such choice.
    virtual QString journalMode() const { return {}; }
    // The names of the tables and views, lower case, as "table x" and "view y".
    virtual QStringList objects() = 0;

    // --- waiting for other programs ----------------------------------------
    // How long a statement waits for another program's lock.
    virtual void setBusyTimeout(int milliseconds) = 0;
    // Hears true when a statement starts waiting and false when the wait is
    // over; called on the thread that runs the statement, must not throw.
    virtual void setLockWaitNotifier(std::function<void(bool waiting)> notifier) = 0;

    // --- statements -------------------------------------------------------
    virtual std::unique_ptr<Prepared> prepare(const QByteArray& sql) = 0;
    // Runs a text of several statements, as a schema.
    virtual void runScript(const QByteArray& sql) = 0;
    // Rows changed by the last change statement.
    virtual qint64 changes() const = 0;
    // The key the database gave the last inserted row (its row locator).
    virtual qint64 insertedKey() const = 0;

    // --- units ------------------------------------------------------------
    virtual bool inTransaction() const = 0;
    // Starts a transaction that holds the write lock from the start.
    virtual void begin() = 0;
    virtual void commit() = 0;
    // Undoes the transaction, never throws; whether none is open any more.
    virtual bool rollback() noexcept = 0;
    virtual void savepoint(const QByteArray& name) = 0;
    virtual void release(const QByteArray& name) = 0;
    // Undoes to the savepoint and releases it, never throws; whether both worked.
    virtual bool rollbackTo(const QByteArray& name) noexcept = 0;

    // --- changes ------------------------------------------------------------
    // Where the data stands now (see Mark); never throws.
    virtual Mark mark() = 0;
    // Hears that another program changed the data, where the engine tells
    // (an engine that does not never calls it). The driver's socket to watch
    // for it, or -1; takeNotifications runs the notifier for what arrived.
    virtual void setChangeNotifier(std::function<void()> notifier) { (void)notifier; }
    virtual int notificationSocket() const { return -1; }
    virtual void takeNotifications() {}

    // --- the dialect of the paged reads and the writer ------------------------
    // The expression that finds a row of a table by a whole number (its row
    // locator), e.g. in "WHERE <locator> = ?1".
    virtual QString rowLocator() const = 0;
    // Whether a column of this name hides the row locator.
    virtual bool hidesRowLocator(const QString& column) const = 0;
    // The operator that compares two values with null equal to null.
    virtual QString sameAs() const = 0;
    // A block read: the rows of table whose locators are bound to ?1..?ids
    // (unbound ones are null), each with its locator first, then every column;
    // restricted by condition when not empty.
    virtual QString blockRead(const QString& table, const QString& condition, int ids) const = 0;
    // A condition that holds where an expression is neither null nor a whole
    // number by its type (a key another program stored as text).
    virtual QString notWholeNumber(const QString& expression) const = 0;
    // Whether the engine sorts to give the rows of a query in its order (then
    // every block of keys would cost a read of them all).
    virtual bool sorts(const QByteArray& query) = 0;
    // The unique keys of a table, each its columns.
    virtual std::vector<QStringList> uniqueKeys(const QString& table) = 0;
    // A long scan of an index (a count) starts or ends: its pages should not
    // push out those read next. Never throws; scans may nest.
    virtual void passingScan(bool starts) noexcept { (void)starts; }
};

// A new, closed database link of the driver that serves the connection string.
std::unique_ptr<Database> forConnectionString(const QString& connectionString);

}  // namespace storage::driver
