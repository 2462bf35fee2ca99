#pragma once

#include <QString>

#include <array>
#include <initializer_list>
#include <vector>

namespace storage {

class RecordSet;

// Every statement the program sends, built by concatenating literal texts
// with integers in decimal. No text a user typed ever goes in here: names,
// passwords and answers travel only through record-set fields, and every
// value that completes a statement is an integer by type.
namespace sql {

QString questionsOfGroup(qint64 group);    // bank questions of a group by rid
QString groupQuestionCount(qint64 group);  // RCX
QString examQuestionCount(qint64 exam);    // RCX
// An exam's entries with their bank questions, in exam order (for printing).
QString examQuestionsInOrder(qint64 exam);
QString maxRid();                                    // MRI
QString examHoldsQuestion(qint64 exam, qint64 rid);  // MRI
QString maxQqId();                                   // MRI
QString bankHoldsQuestion(qint64 rid);               // MRI
QString insertExamEntry(qint64 qqId, qint64 exam, qint64 rid);
QString setRid(qint64 to, qint64 from);
QString moveQuestionToGroup(qint64 group, qint64 rid);
QString setQqId(qint64 to, qint64 from);
QString deleteExamEntry(qint64 qqId);
QString deleteExamEntries(qint64 exam);
QString deleteExam(qint64 exam);
QString setAllCancelled(bool cancelled);
// How many questions (RCX) of how many groups (GRP) setAllCancelled(cancelled)
// would change, those whose mark is not yet what it sets; and how many
// questions of deleted groups (ORP) it changes besides.
QString countToSetCancelled(bool cancelled);

// The program's own table, beside the web site's four: answer orders the
// teacher keeps (keys of four answers, positive). The program makes it when
// it first stores a key; a file without it has none kept.
QString keptOrderTableExists();  // RCX
QString createKeptOrderTable();
QString keptOrderKeys();  // answers_key
QString keepOrder(qint64 key);
QString releaseOrder(qint64 key);

// The ordering keys a list is kept in: bank questions by rid, exam entries by qqID.
enum class OrderingKey { Rid, QqId };

// The three statements that exchange the keys of two neighbours: the later
// row is parked at its negated key, the earlier takes the later key, the
// parked row takes the earlier key. Keys are positive, so -later never collides.
std::array<QString, 3> swapStatements(OrderingKey key, qint64 earlier, qint64 later);

// Sends a change statement through a change query: clear, set, execute.
// Returns the rows it changed.
int executeChange(RecordSet& changeQuery, const QString& statement);

// Runs the three swap statements through the change query as one unit: a
// failure leaves every key as it was, never one parked at its negative.
// Answers whether the two rows' keys were all it changed: each statement
// changed one row and nothing else (a trigger) changed any.
bool negatedKeySwap(RecordSet& changeQuery, OrderingKey key, qint64 earlier, qint64 later);

// Exchanges the place of the list's current row with its neighbour above
// (direction -1) or below (+1), by their ordering keys, and leaves the cursor
// on the moved row, the list shown in key order as a refresh shows it (see
// RecordSet::exchangeWithNext). A changed row is posted first (a new one has
// no key until then). Nothing happens at either end of the list. A failure
// of the exchange leaves every key as it was and the cursor on its row.
void swapWithNeighbour(RecordSet& list, RecordSet& changeQuery, OrderingKey key, int direction);

// Runs a query that answers one row through a query set (closed before and
// after) and reads the named fields of it as numbers: null (an empty max())
// reads 0, anything else strictly as a key.
std::vector<qint64> numbers(RecordSet& query, const QString& statement, std::initializer_list<QString> fields);
// The same for one field.
qint64 scalar(RecordSet& query, const QString& statement, const QString& field);

}  // namespace sql
}  // namespace storage
