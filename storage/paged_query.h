#pragma once

#include "storage/statement.h"

#include <QString>

namespace storage {

class Connection;

// Opens a query a page at a time when it is a plain ordered read of one
// table, "SELECT * FROM t [WHERE condition] ORDER BY column": only the rows'
// ids and keys are read now, in order; their values when they are reached.
// Every other query (a view, a join, parameters, several orderings, a
// column without a declared type) returns false and is read whole.
bool openPaged(const Connection& connection, const QString& owner, const QString& sql, QueryResult* result);

}  // namespace storage
