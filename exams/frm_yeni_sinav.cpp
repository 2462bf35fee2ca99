#include "exams/frm_yeni_sinav.h"

#include "ui/dialog_keys.h"
#include "ui/placement.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// A caption label, its ":" and the edit it names, on one line.
QLineEdit* addField(QDialog* dialog, QLabel*& label, const QString& caption, const QString& name, int top) {
    label = new QLabel(caption, dialog);
    label->setGeometry(8, top + 4, 72, 13);
    auto* colon = new QLabel(QStringLiteral(":"), dialog);
    colon->setGeometry(80, top + 4, 6, 13);
    auto* edit = new QLineEdit(dialog);
    edit->setObjectName(name);
    edit->setGeometry(88, top, 176, 21);
    edit->setMaxLength(50);
    label->setBuddy(edit);
    return edit;
}

QPushButton* addButton(QDialog* dialog, const QString& caption, const QString& name, int left) {
    auto* button = new QPushButton(caption, dialog);
    button->setObjectName(name);
    button->setGeometry(left, 62, 75, 25);
    button->setAutoDefault(false);  // neither button is the default
    return button;
}

}  // namespace

Tyeni_sinav::Tyeni_sinav(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("yeni_sinav"));
    setWindowTitle(QStringLiteral("Yeni Sınav"));
    setFixedSize(272, 93);
    Edit1 = addField(this, Label1, QStringLiteral("Sınav Adı"), QStringLiteral("Edit1"), 8);
    Edit2 = addField(this, Label2, QStringLiteral("Sınav Şifresi"), QStringLiteral("Edit2"), 35);
    Button1 = addButton(this, QStringLiteral("Oluştur"), QStringLiteral("Button1"), 108);
    Button2 = addButton(this, QStringLiteral("Vazgeç"), QStringLiteral("Button2"), 189);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void Tyeni_sinav::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void Tyeni_sinav::FormShow() {
    Edit1->clear();
    Edit2->clear();
    Edit1->setFocus();
    ui::centreOnScreen(this);
}

void Tyeni_sinav::keyPressEvent(QKeyEvent* event) {
    // Neither button is the default or the cancel button.
    if (isDialogCloseKey(event)) return event->accept();
    QDialog::keyPressEvent(event);
}
