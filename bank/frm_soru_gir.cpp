#include "bank/frm_soru_gir.h"

#include "storage/session.h"
#include "ui/msgbox.h"

Tsoru_gir::Tsoru_gir(storage::Session& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("soru_gir"));
    setWindowTitle(QStringLiteral("Soru Gir"));
}

void Tsoru_gir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    msgbox::guard([this] { FormShow(); });
}

void Tsoru_gir::FormShow() {
    auto& questions = session_.ADOTable1;
    questions.open();
    questions.last();
}
