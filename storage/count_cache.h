#pragma once

#include "storage/driver.h"

#include <QHash>
#include <QString>

#include <optional>

namespace storage {

class Connection;
class RecordSet;

// Counts of the rows of a table where one column equals a number, kept on
// their connection so that two readers of the same figure (the caption's
// count of a group and the entry set's open of it) count once. A figure holds
// while the file is as it was counted: no other connection committed (the
// file's data version) and this one changed no rows. Inside a transaction
// nothing is kept or found: a rollback would take back rows a figure holds.
class KnownCounts {
public:
    // Where the data stands for a connection (see driver::Mark); unknown
    // inside a transaction or when it cannot be read (never throws). Taken
    // before counting, so that a commit during the count leaves the figure
    // stale, never wrong.
    using Mark = driver::Mark;
    static Mark mark(const Connection& connection);

    // The key of table.column = value, or empty when the parts are not a
    // plain column equal to a whole number.
    static QString key(const QString& table, const QString& column, const QString& value);

    std::optional<qint64> find(const QString& key, const Mark& at) const;
    void keep(const QString& key, const Mark& at, qint64 value);
    void clear();

private:
    Mark mark_;
    QHash<QString, qint64> values_;
};

// The result of a count statement, run again only when its text changed or
// the file did: another connection committed (the file's data version moved)
// or this connection changed rows. A count of one column's rows equal to a
// number is shared with the connection's other counts of the same rows.
class CountCache {
public:
    // Runs the statement through the query as it stands (close, set, open,
    // read the field, close) unless the last result still holds.
    qint64 count(RecordSet& query, const QString& statement, const QString& field);

private:
    QString statement_;
    KnownCounts::Mark mark_;
    qint64 value_ = 0;
};

}  // namespace storage
