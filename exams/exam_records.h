#pragma once

class QWidget;
class Tyeni_sinav;

namespace storage {
class Session;
}

// The commands of the exam tab that work on exam records. Each runs on the
// session's exam record set and fails by throwing; the caller's event entry
// shows the error.
namespace exams {

// "Yeni Sınav": asks for a name and a password and appends the exam. The
// caption counter is held (captionHold = 1) around the append and post, and
// released whatever their outcome.
void newExam(storage::Session& session, Tyeni_sinav& dialog, int& captionHold);

// "Sınav Sil": after two questions, deletes the current exam and its entries
// as one unit, then reopens the exams and their entries.
void deleteExam(storage::Session& session, QWidget* owner);

// "Sınav Şifresi Değiştir": the current exam's new password, stored as typed.
void changePassword(storage::Session& session, QWidget* owner);

}  // namespace exams
