#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace storage::sqlite {

// Whether a file at the path is refused, or taken when it is empty (a part
// file claimed for the new database).
enum class Existing { Refused, EmptyFile };
// Creates a new SQLite file from a schema text. Fails if a file already
// exists at the path (unless empty and allowed).
void createFile(const QString& path, const char* schema, Existing existing = Existing::Refused);

// A bare SQLite file, written in bulk and read back whole, apart from the
// program's connection: the private copies made of Access files and the new
// file a migration fills. Closed when it goes. Values are read and written as
// null, qint64, double, QString (UTF-8) or QByteArray (a blob).
class FileDb {
public:
    // A failed exec throws storage::Error with the reason after failure.
    explicit FileDb(QString failure) : failure_(std::move(failure)) {}
    ~FileDb();
    FileDb(const FileDb&) = delete;
    FileDb& operator=(const FileDb&) = delete;

    enum class Mode { ReadOnly, ReadWrite, Create };
    // Whether the file could be opened.
    bool open(const QString& path, Mode mode);

    void exec(const QString& sql) const;
    // The table's column names, in order.
    QStringList columns(const QString& table) const;
    // The first value of the statement's first row, 0 when there is none.
    qint64 scalar(const QString& sql) const;
    // Hands every row of the statement to row; false with the reason in *why
    // when it cannot be read to the end.
    bool read(const QString& sql, const std::function<void(const std::vector<QVariant>& values)>& row, QString* why) const;
    // Opens another file under a name of this one's statements; false when it cannot.
    bool attach(const QString& path, const QString& name) const;
    // SQLite's own text for the last failure.
    QString lastError() const;

    // One statement run again and again, as an insert of many rows.
    class Repeated {
    public:
        ~Repeated();
        Repeated(const Repeated&) = delete;
        Repeated& operator=(const Repeated&) = delete;
        // Binds the values in order and runs the statement; false when it failed.
        bool run(const std::vector<QVariant>& values);

    private:
        friend class FileDb;
        explicit Repeated(sqlite3_stmt* st) : st_(st) {}
        sqlite3_stmt* st_;
    };
    // Null when the text cannot be prepared.
    std::unique_ptr<Repeated> repeated(const QString& sql) const;

private:
    QString failure_;
    sqlite3* db_ = nullptr;
};

}  // namespace storage::sqlite
