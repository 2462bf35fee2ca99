#pragma once

#include "storage/connection.h"
#include "storage/datasource.h"
#include "storage/recordset.h"

#include <QWidget>

class QAction;
class QFrame;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace grid {
class DataGrid;
}

// The main window: the bank tab with the question groups, the exam tab with
// the exams, and every record set of the program. The other windows own no
// data; they work on the record sets here, through the data links.
class Tmain : public QWidget {
    Q_OBJECT
public:
    explicit Tmain(QWidget* parent = nullptr);
    ~Tmain() override;

    // Where the database is looked for; the executable's own path.
    void setExecutablePath(const QString& path) { executablePath_ = path; }

    // --- data -------------------------------------------------------------
    QString ProgramFolder;
    QString DatabaseFileName;
    int CaptionHold = 0;  // while 1, UpdateCaption does nothing

    storage::Connection ADOConnection1;
    storage::RecordSet tgrp;        // question groups, table tqgroup
    storage::RecordSet ADOTable1;   // bank questions of the current group
    storage::RecordSet tsinav;      // exams, table qgroup
    storage::RecordSet tQuestions;  // entries of the current exam, view Questions
    storage::RecordSet ADOQuery1;   // maxima and the duplicate count
    storage::RecordSet ADOQuery2;   // change statements
    storage::RecordSet rcxxx;       // caption counts
    storage::RecordSet rcins;       // insert of exam entries

    storage::DataSource dgrp{&tgrp};
    storage::DataSource DataSource1{&ADOTable1};
    storage::DataSource dsinav{&tsinav};
    storage::DataSource dQuestions{&tQuestions};

    // --- controls ---------------------------------------------------------
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;  // bank
    QWidget* TabSheet2 = nullptr;  // exams
    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;   // "Grup İşlemleri"
    QToolButton* ToolButton24 = nullptr;  // "Sorular"
    QToolButton* SpeedButton5 = nullptr;  // "Yardım?"
    QToolButton* ToolButton9 = nullptr;   // "Hakkında"
    grid::DataGrid* wwDBGrid1 = nullptr;  // groups
    QToolBar* ToolBar2 = nullptr;
    QToolButton* ToolButton2 = nullptr;   // "Yeni Sınav"
    QToolButton* ToolButton23 = nullptr;  // "Sınav Sil"
    QToolButton* ToolButton6 = nullptr;   // "Sınav Şifresi Değiştir"
    QToolButton* ToolButton19 = nullptr;  // "Sınava Soru Ekle"
    QToolButton* ToolButton22 = nullptr;  // "Soru Detay"
    QToolButton* ToolButton5 = nullptr;   // "Soru Sil"
    QToolButton* ToolButton16 = nullptr;  // "Aşağıya Taşı"
    QToolButton* ToolButton17 = nullptr;  // "Yukarıya Taşı"
    QToolButton* ToolButton8 = nullptr;   // "<"
    QToolButton* ToolButton11 = nullptr;  // "<<"
    QToolButton* ToolButton12 = nullptr;  // ">>"
    QToolButton* ToolButton14 = nullptr;  // ">"
    grid::DataGrid* wwDBGrid3 = nullptr;  // exams
    grid::DataGrid* wwDBGrid4 = nullptr;  // questions of the current exam
    QMenu* PopupMenu1 = nullptr;
    QAction* GRUPTANIMLARI1 = nullptr;  // "Soru Grupları"
    QAction* MPASF1 = nullptr;          // "Tüm Sorular Pasif"
    QAction* MAKTF1 = nullptr;          // "Tüm Sorular Aktif"

    // --- operations -------------------------------------------------------
    void UpdateCaption();
    void FormShow();
    void FormClose();
    void ToolButton24Click();
    void wwDBGrid1DblClick() { ToolButton24Click(); }
    void SpeedButton5Click();
    void ToolButton9Click();
    void GRUPTANIMLARI1Click();
    void MPASF1Click();
    void MAKTF1Click();
    void PageControl1Change() { UpdateCaption(); }
    // Before a change of size: the exam question grid takes the old outer height less 150.
    void FormCanResize(int oldOuterHeight);

    void tgrpAfterOpen() { UpdateCaption(); }
    void tgrpAfterScroll();
    void tsinavAfterOpen() { UpdateCaption(); }
    void tsinavAfterScroll() { UpdateCaption(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolBar* makeToolBar();
    QToolButton* addButton(QToolBar* bar, const QString& name, const QString& caption);
    void addSeparator(QToolBar* bar);
    QFrame* makeStrip();
    void setAllCancelled(bool cancelled);

    QString executablePath_;
    bool shown_ = false;
};
