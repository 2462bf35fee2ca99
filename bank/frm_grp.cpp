#include "bank/frm_grp.h"

#include "bank/frm_grp_grids.h"
#include "grid/datagrid.h"
#include "storage/recordset.h"
#include "storage/session.h"
#include "ui/dialog_keys.h"
#include "ui/guarded.h"
#include "ui/look.h"
#include "ui/msgbox.h"

#include <QCloseEvent>
#include <QPushButton>

Tgrpx::Tgrpx(storage::Session& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      session_(session) {
    setObjectName(QStringLiteral("grpx"));
    setWindowTitle(QStringLiteral("Soru Grupları"));
    setFixedSize(340, 247);
    ui::fillBackground(this, QColor(0xD9, 0xD6, 0xC5));

    wwDBGrid1 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid1"), this, bank::groupsDialogGrid(), session_.dgrp.dataSet);
    wwDBGrid1->setAccessibleName(windowTitle());
    wwDBGrid1->setGeometry(7, 7, 329, 202);

    const QStringList captions{QStringLiteral("Yeni Grup"), QStringLiteral("Kaydet"), QStringLiteral("İptal"),
                               QStringLiteral("Sil")};
    QPushButton** buttons[] = {&RzButton1, &RzButton2, &RzButton3, &RzButton4};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QPushButton(captions[i], this);
        b->setObjectName(QStringLiteral("RzButton%1").arg(i + 1));
        b->setGeometry(7 + i * 83, 215, 78, 25);
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
        b->setFocusPolicy(Qt::ClickFocus);  // not reachable with Tab
        b->setAutoDefault(false);
        *buttons[i] = b;
    }
    ui::onClick(RzButton1, this, &Tgrpx::RzButton1Click);
    ui::onClick(RzButton2, this, &Tgrpx::RzButton2Click);
    ui::onClick(RzButton3, this, &Tgrpx::RzButton3Click);
    ui::onClick(RzButton4, this, &Tgrpx::RzButton4Click);
    wwDBGrid1->adoptControls();
}

void Tgrpx::RzButton1Click() {
    session_.tgrp.append();
    wwDBGrid1->setFocus();
}

void Tgrpx::RzButton2Click() {
    auto& tgrp = session_.tgrp;
    tgrp.edit();
    tgrp.post();
    wwDBGrid1->setFocus();
}

void Tgrpx::RzButton3Click() {
    session_.tgrp.cancel();
    wwDBGrid1->setFocus();
}

void Tgrpx::RzButton4Click() {
    if (msgbox::confirm(this, QStringLiteral("\r\nAktif kayıt silinecek.\r\n\r\ndevam edilsin mi?"))) session_.tgrp.remove();
}

void Tgrpx::keyPressEvent(QKeyEvent* event) {
    // The close box is the only way out: Esc and Enter close nothing here.
    if (isDialogCloseKey(event)) return event->accept();
    QDialog::keyPressEvent(event);
}

void Tgrpx::closeEvent(QCloseEvent* event) {
    // The name typed last is the group's, however the window closes; a group
    // added and left without a name is dropped, as leaving the grid drops it.
    msgbox::guard([this] {
        wwDBGrid1->writeTypedText();
        auto& tgrp = session_.tgrp;
        if (tgrp.active() && tgrp.state() == storage::RecordState::Insert && !tgrp.modified()) tgrp.cancel();
    });
    QDialog::closeEvent(event);
}
