#pragma once

#include <QDialog>

namespace storage {
class Session;
}

class QPushButton;

namespace grid {
class DataGrid;
}

// The group picker: the main window's own group list; every row the user
// moves to is at once the current group. exec() gives OK or Cancel.
class Tsgrpx : public QDialog {
    Q_OBJECT
public:
    enum ModalResult { mrOk = 1, mrCancel = 2 };

    explicit Tsgrpx(storage::Session& session, QWidget* parent = nullptr);

    grid::DataGrid* DBGrid1 = nullptr;
    QPushButton* Button1 = nullptr;  // "Tamam"
    QPushButton* Button2 = nullptr;  // "Vazgeç"

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    storage::Session& session_;
};
