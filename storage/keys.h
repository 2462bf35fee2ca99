#pragma once

#include "storage/statements.h"

#include <QString>

namespace storage {

class RecordSet;

// The next free key for a new bank question (rid) or exam entry (qqID): the
// largest whole-number key in the file plus one, 1 when there is none. It is
// read afresh at every call, through the scratch query with the catalogue's
// statement exactly (sql::maxRid, sql::maxQqId), since another program may
// have added rows meanwhile; a post rule that calls it at each attempt gets a
// free key on a retry. The scratch query is left closed.
//
// A key that another program stored as text, bytes or a decimal ('12b',
// X'37', 4.5) is no number: it is never rounded and never the largest (the
// database orders text and bytes above every number), so one such row does
// not stop the numbering of new rows. When the largest key is such a value,
// *unusable (when given) receives a Turkish note naming the row that holds
// it (group and reference number, or exam and entry key), else it is made
// empty. Keys run out at the largest 32-bit number: that throws, named after
// the scratch query.
qint64 nextKey(RecordSet& scratch, sql::OrderingKey key, QString* unusable = nullptr);

}  // namespace storage
