#pragma once

#include <QDialog>

namespace storage {
class Session;
}

// The question entry window: the questions of the current group in an
// editable grid. Shown modally; it opens the bank question record set when it
// is shown, and the command that showed it closes the set afterwards.
class Tsoru_gir : public QDialog {
    Q_OBJECT
public:
    explicit Tsoru_gir(storage::Session& session, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    storage::Session& session_;
    void FormShow();
};
