#include "bank/frm_qimport.h"

#include "bank/frm_qimport_grids.h"
#include "grid/datagrid.h"
#include "grid/richcell.h"
#include "storage/database_file.h"
#include "storage/field_names.h"
#include "ui/filedialog.h"
#include "ui/guarded.h"
#include "ui/msgbox.h"
#include "ui/placement.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace {

QPushButton* button(const QString& text, const QString& name, QWidget* parent, int left) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(left, 22, 75, 25);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

Tqimport::Tqimport(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("qimport"));
    setWindowTitle(QStringLiteral("Data Import"));
    setFixedSize(895, 549);

    ADOConnection1.setReadsAccessFiles(true);  // old banks are Access files
    ADOConnection1.setReadingOnly(true);       // the source is another bank: it is read, never changed
    tgrp.setTableName(QStringLiteral("tqgroup"));
    ADOTable1.setTableName(QStringLiteral("tqmaster"));
    ADOTable1.setSort(storage::fields::kQgrp);
    ADOTable1.setMaster(&tgrp, storage::fields::kId, storage::fields::kQgrp);

    Label1 = new QLabel(QStringLiteral("Aktarmak İstediğiniz Soru Grubunu Seçiniz:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(6, 6);
    Label1->adjustSize();
    wwDBGrid1 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid1"), this, bank::importGroupsGrid(), &tgrp);
    wwDBGrid1->setGeometry(6, 22, 320, 209);
    Button1 = button(QStringLiteral("Dosya Belirle"), QStringLiteral("Button1"), this, 334);
    Button2 = button(QStringLiteral("Aktar"), QStringLiteral("Button2"), this, 414);
    wwDBGrid2 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid2"), this, bank::importQuestionsGrid(), &ADOTable1);
    wwDBGrid2->setGeometry(6, 238, 882, 305);
    wwDBRichEdit1 = new grid::RichCell(this);
    wwDBRichEdit1->setObjectName(QStringLiteral("wwDBRichEdit1"));
    wwDBRichEdit1->setReadOnly(true);
    wwDBRichEdit1->hide();
    Label1->setBuddy(wwDBGrid1);
    wwDBGrid1->setAccessibleName(Label1->text());
    wwDBGrid2->setAccessibleName(QStringLiteral("Aktarılacak Sorular"));
    wwDBGrid1->adoptControls();
    wwDBGrid2->adoptControls();

    ui::onClick(Button1, this, &Tqimport::Button1Click);
    ui::onClick(Button2, this, &Tqimport::Button2Click);
    ui::centreOnScreen(this);
}

void Tqimport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();  // not when it comes back from the taskbar
}

void Tqimport::FormShow() { transfer_ = false; }

void Tqimport::Button1Click() {
    const QString path = filedialog::openFileName(this, QString(), QStringLiteral("MDB File (*.mdb)"));
    if (path.isEmpty()) return;
    closeSource();
    ADOConnection1.setConnectionString(storage::connectionString(path));
    try {
        ADOConnection1.open();
        tgrp.open();
        ADOTable1.open();
    } catch (...) {
        closeSource();  // nothing half open: the grids stay empty
        throw;
    }
}

void Tqimport::Button2Click() {
    if (!ADOConnection1.connected() || !tgrp.active() || !ADOTable1.active()) return;
    if (tgrp.recordCount() <= 0 || ADOTable1.recordCount() <= 0) return;
    transfer_ = true;
    accept();
}

void Tqimport::closeSource() {
    ADOTable1.close();
    tgrp.close();
    ADOConnection1.close();
}
