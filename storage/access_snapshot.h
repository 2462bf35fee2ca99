#pragma once

#include "storage/access_file.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

namespace storage::access {

// One table as it was read from an Access file.
struct TableSummary {
    QString name;        // as asked for (the snapshot's table has this name)
    QString accessName;  // as the Access file spells it
    QStringList columns;
    qint64 rows = 0;
    QByteArray checksum;  // of every field of every row (see Checksum)
};

// Reads tables of an Access file into a new SQLite file at snapshotPath:
// every table of `required` (a missing one fails with a Turkish text that
// names it) and those of `optional` that the file has. Each table keeps its
// columns in order, with the declared type of its kind (see fields.h), and
// every value as read. progress, if given, hears the number of rows read so
// far now and then.
//
// The reading runs in a child process: a damaged file that makes the reader
// crash, or stall for stallSeconds without progress, fails with a Turkish
// text instead of taking the program with it. The snapshot file is complete
// only when this returns; on failure it may be left half written.
std::vector<TableSummary> snapshot(const QString& path, const QString& snapshotPath, const QStringList& required,
                                   const QStringList& optional, const std::function<void(qint64 rows)>& progress = {},
                                   int stallSeconds = 30);

// An order-independent digest of rows: each row's fields (null, integer,
// real, text; a yes/no counts as the integer 0 or 1) are digested in column
// order, the row digests sorted and digested together. Equal for two tables
// exactly when they hold the same rows.
class Checksum {
public:
    void addRow(const std::vector<QVariant>& values);
    QByteArray result();
    qint64 rows() const { return qint64(rows_.size()); }

private:
    std::vector<QByteArray> rows_;
};

// A name quoted for a statement.
QString quoted(const QString& name);

}  // namespace storage::access
