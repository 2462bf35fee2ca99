#pragma once

#include <functional>

class QWidget;

namespace storage {
class RecordSet;
class Session;
}  // namespace storage

// The commands of the question entry window that work on the bank question
// set (the session's ADOTable1). Each fails by throwing; the caller's event
// entry shows the error.
namespace bank {

// "yukarıya taşı" (-1) and "aşağıya taşı" (+1): the current question changes
// places with its neighbour; the three statements of the exchange are one unit.
void moveQuestion(storage::Session& session, int direction);

// "Soru Taşı": pending changes are saved, pickGroup makes the chosen group
// current (false: nothing chosen), and the current question moves to it.
void moveToGroup(storage::Session& session, const std::function<bool()>& pickGroup);

// "Aktif Soru Referans Numarası": the current question's number, in a box.
void showReferenceNumber(storage::Session& session);

// "Referans No Git": asks for a number and goes to that question.
void goToReferenceNumber(storage::Session& session, QWidget* owner);

// The copy of an import: every question of source is appended to the bank
// question set through its post rule; stops at the first copy that fails.
// The copies are committed in batches (storage::Batch); step is called after
// each question and told how many copies are in the file, which is exactly
// what the file holds whatever stops the copy. Neither set tells its controls about
// the copy row by row.
void copyQuestions(storage::Session& session, storage::RecordSet& source, const std::function<void(int copied)>& step);

}  // namespace bank
