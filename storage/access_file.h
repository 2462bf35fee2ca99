#pragma once

#include "storage/fields.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace storage::access {

// What the first page of a file says it is.
enum class Format { NotAccess, Jet3, Jet4, Newer };

struct Header {
    Format format = Format::NotAccess;
    bool password = false;  // a database password is set
    bool encoded = false;   // the pages are encoded with a database key
};

// Reads the first page of an Access file (or as much of it as there is).
Header readHeader(const QByteArray& firstPage);
Header headerOf(const QString& path);

// The reason an Access file with this header cannot be read, in Turkish, or
// an empty text when it can be.
QString refusalText(const QString& path, const Header& header);

struct Column {
    QString name;
    FieldKind kind = FieldKind::Memo;
    int size = 0;             // characters, for Text
    bool autoNumber = false;  // a long integer the file numbers itself
    bool supported = true;    // false: the value cannot be read and reads null
};

// An Access file (Jet 3 or Jet 4) opened for reading; nothing is ever written.
// The reader library trusts the file's inner structure, so a damaged file
// may crash or hang the process that reads it: read files of unknown origin
// in a child process (see access_snapshot.h). Not thread-safe: opening pins
// the reader's text encoding through the environment.
class File {
public:
    // Checks the header first and throws storage::Error with a Turkish text
    // for a file that is not a readable Access file.
    explicit File(const QString& path);
    // The same over bytes in memory (they must outlive the object).
    static std::unique_ptr<File> fromBytes(QByteArray& bytes, const QString& name);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const QString& path() const { return path_; }
    // The user tables, in catalogue order.
    const QStringList& tables() const { return tables_; }
    // The table's name as the file spells it, or empty when it has none such
    // (names compare ignoring case).
    QString table(const QString& name) const;

    std::vector<Column> columns(const QString& table);
    // Reads every row of a table in file order. Values are null, qint64
    // (numbers, yes/no as 0 or 1), double or QString. A value that may have
    // been cut by the reader fails the read.
    void readRows(const QString& table, const std::function<void(const std::vector<QVariant>&)>& row);

    // The largest text, in bytes of UTF-8, a value can have and still be
    // read whole: a memo of 65,535 characters of any script.
    static constexpr int kBindSize = 3 * 65536 + 16;

private:
    struct Handle;
    File() = default;
    void openHandle(void* handle);
    QString path_;
    std::unique_ptr<Handle> handle_;
    QStringList tables_;
};

}  // namespace storage::access
