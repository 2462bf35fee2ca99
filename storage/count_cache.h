#pragma once

#include <QString>

namespace storage {

class RecordSet;

// The result of a count statement, run again only when its text changed or
// the file did: another connection committed (the file's data version moved)
// or this connection changed rows.
class CountCache {
public:
    // Runs the statement through the query as it stands (close, set, open,
    // read the field, close) unless the last result still holds.
    qint64 count(RecordSet& query, const QString& statement, const QString& field);
    // Forgets the result: the next count runs the statement.
    void forget() { statement_.clear(); }

private:
    QString statement_;
    qint64 dataVersion_ = -1;
    qint64 changes_ = -1;
    qint64 value_ = 0;
};

}  // namespace storage
