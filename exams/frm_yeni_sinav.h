#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// New exam dialog: the name and password of a new exam; shown modally. Only
// its two buttons and the close box (which cancels) close it; it is emptied
// at every showing.
class Tyeni_sinav : public QDialog {
    Q_OBJECT
public:
    explicit Tyeni_sinav(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;        // "Sınav Adı"
    QLineEdit* Edit1 = nullptr;      // the name
    QLabel* Label2 = nullptr;        // "Sınav Şifresi"
    QLineEdit* Edit2 = nullptr;      // the password, in plain text
    QPushButton* Button1 = nullptr;  // "Oluştur"
    QPushButton* Button2 = nullptr;  // "Vazgeç"

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormShow();
};
