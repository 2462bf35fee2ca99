#include "bank/frm_soru_gir.h"

#include "app/forms.h"
#include "app/frm_main.h"
#include "app/msgbox.h"

Tsoru_gir::Tsoru_gir(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("soru_gir"));
    setWindowTitle(QStringLiteral("Soru Gir"));
}

void Tsoru_gir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    msgbox::guard([this] { FormShow(); });
}

void Tsoru_gir::FormShow() {
    auto& questions = app::forms.main->ADOTable1;
    questions.open();
    questions.last();
}
