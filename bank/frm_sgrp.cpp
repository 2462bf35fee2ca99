#include "bank/frm_sgrp.h"

#include "bank/frm_sgrp_grids.h"
#include "grid/datagrid.h"
#include "storage/session.h"
#include "ui/dialog_keys.h"

#include <QPushButton>

Tsgrpx::Tsgrpx(storage::Session& session, QWidget* parent) : QDialog(parent), session_(session) {
    setObjectName(QStringLiteral("sgrpx"));
    setWindowTitle(QStringLiteral("Grup Seç"));
    setFixedSize(288, 268);

    DBGrid1 = grid::profiles::makeGrid(QStringLiteral("DBGrid1"), this, bank::groupPickerGrid(), session_.dgrp.dataSet);
    DBGrid1->setAccessibleName(QStringLiteral("Soru Grupları"));
    DBGrid1->setGeometry(8, 8, 271, 209);

    Button1 = new QPushButton(QStringLiteral("Tamam"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(62, 229, 75, 25);
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("Vazgeç"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(150, 229, 75, 25);
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(Button2, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void Tsgrpx::reject() { done(mrCancel); }  // the close box

void Tsgrpx::keyPressEvent(QKeyEvent* event) {
    // Neither button is a default or cancel button.
    if (isDialogCloseKey(event)) return event->accept();
    QDialog::keyPressEvent(event);
}
