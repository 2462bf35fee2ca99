#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

// The one-line text input dialog: the caller's caption and prompt, an edit
// that starts with the initial value all selected, "Tamam" as the default
// button and "İptal" as the cancel button (Esc). Built for each use.
class TextInputDialog : public QDialog {
    Q_OBJECT
public:
    TextInputDialog(const QString& caption, const QString& prompt, const QString& value, QWidget* parent = nullptr);

    QLabel* Prompt = nullptr;
    QLineEdit* Edit = nullptr;
    QPushButton* OkButton = nullptr;      // "Tamam"
    QPushButton* CancelButton = nullptr;  // "İptal"
};

struct TextInput {
    bool accepted = false;
    QString text;  // what the edit held when "Tamam" closed the dialog
};

// Shows the dialog modally and returns whether "Tamam" closed it, with the text.
TextInput askText(const QString& caption, const QString& prompt, const QString& value, QWidget* parent = nullptr);

}  // namespace ui
