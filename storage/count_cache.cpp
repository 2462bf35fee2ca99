#include "storage/count_cache.h"

#include "storage/connection.h"
#include "storage/recordset.h"
#include "storage/statement.h"

#include <sqlite3.h>

namespace storage {

qint64 CountCache::count(RecordSet& query, const QString& statement, const QString& field) {
    Connection* connection = query.connection();
    qint64 version = -1, changes = -1;
    if (connection && connection->connected()) {
        Statement pragma(*connection, query.name(), QStringLiteral("PRAGMA data_version"));
        std::vector<RawView> row(1);
        if (pragma.readRow(row)) version = row[0].integer;
        changes = sqlite3_total_changes64(connection->handle());
    }
    if (version >= 0 && statement == statement_ && version == dataVersion_ && changes == changes_) return value_;
    query.close();
    query.setCommandText(statement);
    query.open();
    const qint64 value = query.field(field).asInteger();
    query.close();
    statement_ = statement;
    dataVersion_ = version;
    changes_ = changes;
    value_ = value;
    return value;
}

}  // namespace storage
