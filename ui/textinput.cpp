#include "ui/textinput.h"

#include "ui/placement.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ui {

TextInputDialog::TextInputDialog(const QString& caption, const QString& prompt, const QString& value, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TextInputDialog"));
    setWindowTitle(caption);
    setFixedSize(361, 143);

    Prompt = new QLabel(prompt, this);
    Prompt->setObjectName(QStringLiteral("Prompt"));
    Prompt->setGeometry(8, 8, 275, 75);
    Prompt->setWordWrap(true);
    Prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Edit = new QLineEdit(this);
    Edit->setObjectName(QStringLiteral("Edit"));
    Edit->setGeometry(6, 87, 341, 21);
    Edit->setMaxLength(255);
    Edit->setText(value.left(255));
    Edit->selectAll();
    Prompt->setBuddy(Edit);  // the edit is read out with the prompt as its name

    OkButton = new QPushButton(QStringLiteral("Tamam"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(288, 10, 59, 25);
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("İptal"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(288, 42, 59, 25);
    CancelButton->setAutoDefault(false);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    Edit->setFocus();
    centreOnScreen(this);
}

TextInput askText(const QString& caption, const QString& prompt, const QString& value, QWidget* parent) {
    TextInputDialog dialog(caption, prompt, value, parent);
    TextInput result;
    result.accepted = dialog.exec() == QDialog::Accepted;
    if (result.accepted) result.text = dialog.Edit->text();
    return result;
}

}  // namespace ui
