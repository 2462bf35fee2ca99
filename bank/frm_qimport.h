#pragma once

#include "storage/connection.h"
#include "storage/recordset.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace grid {
class DataGrid;
class RichCell;
}  // namespace grid

// Lets the user choose another database file of the bank's layout and one of
// its question groups, whose questions the entry window then copies. The
// window has a connection of its own to that file and changes nothing in
// either file. Shown modally; after it has closed, transfer() tells whether
// "Aktar" closed it, and the file's question set stands on the chosen group.
class Tqimport : public QDialog {
    Q_OBJECT
public:
    explicit Tqimport(QWidget* parent = nullptr);

    // --- the other file ---------------------------------------------------
    storage::Connection ADOConnection1{QStringLiteral("ADOConnection1")};
    storage::RecordSet tgrp{QStringLiteral("tgrp"), &ADOConnection1};            // its tqgroup
    storage::RecordSet ADOTable1{QStringLiteral("ADOTable1"), &ADOConnection1};  // tqmaster of tgrp's current group

    // --- controls ---------------------------------------------------------
    QLabel* Label1 = nullptr;
    grid::DataGrid* wwDBGrid1 = nullptr;  // groups
    grid::DataGrid* wwDBGrid2 = nullptr;  // questions
    grid::RichCell* wwDBRichEdit1 = nullptr;
    QPushButton* Button1 = nullptr;  // "Dosya Belirle"
    QPushButton* Button2 = nullptr;  // "Aktar"

    // Whether "Aktar" closed the window; cleared on every show.
    bool transfer() const { return transfer_; }

    // --- commands ---------------------------------------------------------
    void FormShow();
    // Chooses the file and opens it: a question bank of this program or an
    // Access file of the same layout (read through a private copy). A file
    // that is neither fails with a message; the window then lists nothing.
    void Button1Click();
    // With a file, a group and at least one question of it: sets the transfer
    // flag and closes the window. Otherwise does nothing.
    void Button2Click();
    // Closes the question set, the group set, then the connection.
    void closeSource();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool transfer_ = false;
};
