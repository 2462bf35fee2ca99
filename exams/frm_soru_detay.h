#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace storage {
class RecordSet;
}

// The question detail dialog: one exam question read-only, beside the main
// window (it does not block it). It keeps what it was last filled with and
// does not follow later moves.
class Tsoru_detay : public QDialog {
    Q_OBJECT
public:
    explicit Tsoru_detay(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;  // question
    QPlainTextEdit* Memo2 = nullptr;  // answer A
    QPlainTextEdit* Memo3 = nullptr;  // answer B
    QPlainTextEdit* Memo4 = nullptr;  // answer C
    QPlainTextEdit* Memo5 = nullptr;  // answer D
    QCheckBox* CheckBox1 = nullptr;   // "Soru İptal"; its state is never stored
    QLabel* Label7 = nullptr;         // the correct answer's letter
    QPushButton* Button1 = nullptr;   // "Tamam"

    // Fills the dialog from the current row of an exam question set. A correct
    // answer other than "1" to "4" leaves the letter as it was.
    void fill(storage::RecordSet& questions);
};
