#pragma once

#include <QDialog>

namespace storage {
class Session;
}

class QPushButton;

namespace grid {
class DataGrid;
}

// The question groups dialog: adds, renames and deletes groups in place, on
// the main window's own group record set. Closed only with the close box.
class Tgrpx : public QDialog {
    Q_OBJECT
public:
    explicit Tgrpx(storage::Session& session, QWidget* parent = nullptr);

    grid::DataGrid* wwDBGrid1 = nullptr;
    QPushButton* RzButton1 = nullptr;  // "Yeni Grup"
    QPushButton* RzButton2 = nullptr;  // "Kaydet"
    QPushButton* RzButton3 = nullptr;  // "İptal"
    QPushButton* RzButton4 = nullptr;  // "Sil"

    void RzButton1Click();
    void RzButton2Click();
    void RzButton3Click();
    void RzButton4Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    storage::Session& session_;
};
