#pragma once

#include "storage/statements.h"

#include <QtGlobal>

namespace storage {

class RecordSet;

// The next free key for a new bank question (rid) or exam entry (qqID): the
// largest key in the file plus one, 1 for an empty table. It is read afresh
// at every call, through the scratch query with the catalogue's statement
// exactly (sql::maxRid, sql::maxQqId), since another program may have added
// rows meanwhile; a post rule that calls it at each attempt gets a free key
// on a retry. The scratch query is left closed.
//
// A key that another program stored as text or as a decimal ('12b', 4.5)
// makes the largest key no number: that throws a Turkish error naming the
// row (group and reference number, or exam and entry key), named after the
// scratch query, and nothing is rounded.
qint64 nextKey(RecordSet& scratch, sql::OrderingKey key);

}  // namespace storage
