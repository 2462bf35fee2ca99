#include "exams/exam_records.h"

#include "exams/frm_yeni_sinav.h"
#include "storage/field_names.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "storage/transaction.h"
#include "ui/msgbox.h"
#include "ui/textinput.h"

#include <QLineEdit>
#include <QScopeGuard>

namespace exams {

namespace {

// Drops every character at or below the blank (blanks and control
// characters) from both ends.
QString trimmed(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= u' ') ++first;
    while (last > first && text.at(last - 1).unicode() <= u' ') --last;
    return text.mid(first, last - first);
}

}  // namespace

void newExam(storage::Session& session, Tyeni_sinav& dialog, int& captionHold) {
    if (dialog.exec() != QDialog::Accepted) return;
    const QString name = trimmed(dialog.Edit1->text());
    if (name.isEmpty()) return;
    const QString password = trimmed(dialog.Edit2->text());
    storage::RecordSet& tsinav = session.tsinav;
    captionHold = 1;
    // A failed post leaves the new row to correct or cancel, but must not
    // freeze the caption until some unrelated command clears the hold.
    const auto release = qScopeGuard([&] { captionHold = 0; });
    tsinav.append();
    tsinav.field(storage::fields::kGroupName).setAsString(name);
    tsinav.field(storage::fields::kGroupPass).setAsString(password);
    tsinav.field(storage::fields::kDrm).setAsBoolean(false);
    tsinav.post();
}

void deleteExam(storage::Session& session, QWidget* owner) {
    storage::RecordSet& tsinav = session.tsinav;
    if (tsinav.recordCount() <= 0) return;
    if (!msgbox::confirm(owner, QStringLiteral("\r\nAktif Sınav Silinecek. işleme devam edilsin mi?"))) return;
    msgbox::Box stop;
    stop.caption = QStringLiteral("Dikkat");
    stop.text = QStringLiteral("\r\nAktif Sınav Silme İşlemi Durdurulacak.");
    stop.icon = msgbox::Icon::Warning;
    stop.buttons = {msgbox::Button::Yes, msgbox::Button::No};
    stop.defaultButton = msgbox::Button::Yes;
    stop.escapeButton = msgbox::Button::Yes;  // closing the box stops too: only No deletes
    stop.owner = owner;
    if (msgbox::show(stop) != msgbox::Button::No) return;

    const qint64 exam = tsinav.field(storage::fields::kId).asKey();
    // Both or neither: an exam must not lose its entries and stay behind.
    storage::atomically(session.ADOConnection1, [&] {
        storage::sql::executeChange(session.ADOQuery2, storage::sql::deleteExamEntries(exam));
        storage::sql::executeChange(session.ADOQuery2, storage::sql::deleteExam(exam));
    });
    session.tQuestions.close();
    tsinav.close();
    tsinav.open();
    session.tQuestions.open();
}

void changePassword(storage::Session& session, QWidget* owner) {
    storage::RecordSet& tsinav = session.tsinav;
    if (tsinav.recordCount() <= 0) {
        msgbox::warning(QStringLiteral("\r\nTanımlı Sınav Yok."));
        return;
    }
    const ui::TextInput input =
        ui::askText(QStringLiteral("Sınav Şifresi Değiştir"), QStringLiteral("Yeni Sınav Şifrenizi Giriniz"),
                    tsinav.field(storage::fields::kGroupPass).asString(), owner);
    if (!input.accepted) return;
    tsinav.edit();
    tsinav.field(storage::fields::kGroupPass).setAsString(input.text);
    tsinav.post();
}

}  // namespace exams
