#pragma once

#include <QWidget>

class QAction;
class QFrame;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace grid {
class DataGrid;
class ExpandButton;
}  // namespace grid
namespace storage {
class Session;
}
namespace app {
struct Forms;
}

// The main window: the bank tab with the question groups, the exam tab with
// the exams. It opens the session's record sets and hangs its hooks on them
// (the caption counter, the reload of the bank questions on a group change);
// the other windows work on the same sets through the same session.
class ExamQuestionList;

class Tmain : public QWidget {
    Q_OBJECT
public:
    // The forms are the windows this one shows; they may still be empty here.
    Tmain(storage::Session& session, const app::Forms& forms, QWidget* parent = nullptr);
    ~Tmain() override;

    // Where the database is looked for; the executable's own path.
    void setExecutablePath(const QString& path) { executablePath_ = path; }

    // --- data -------------------------------------------------------------
    QString ProgramFolder;
    QString DatabaseFileName;
    int CaptionHold = 0;  // while 1, UpdateCaption does nothing
    // From the opening of the file until just after the window's first frame
    // the caption shows only its fixed beginning: its count runs over the
    // whole group (about 0.1 s on a million questions) and would hold that
    // frame back.
    bool captionAwaitsFirstFrame() const { return captionAwaitsFrame_; }

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
    QToolButton* ToolButton2 = nullptr;             // "Yeni Sınav"
    QToolButton* ToolButton23 = nullptr;            // "Sınav Sil"
    QToolButton* ToolButton6 = nullptr;             // "Sınav Şifresi Değiştir"
    QToolButton* ToolButton19 = nullptr;            // "Sınava Soru Ekle"
    QToolButton* ToolButton22 = nullptr;            // "Soru Detay"
    QToolButton* ToolButton5 = nullptr;             // "Soru Sil"
    QToolButton* ToolButton16 = nullptr;            // "Aşağıya Taşı"
    QToolButton* ToolButton17 = nullptr;            // "Yukarıya Taşı"
    QToolButton* ToolButton8 = nullptr;             // "<"
    QToolButton* ToolButton11 = nullptr;            // "<<"
    QToolButton* ToolButton12 = nullptr;            // ">>"
    QToolButton* ToolButton14 = nullptr;            // ">"
    QToolButton* ToolButton25 = nullptr;            // "Yazdır"
    grid::DataGrid* wwDBGrid3 = nullptr;            // exams
    grid::DataGrid* wwDBGrid4 = nullptr;            // questions of the current exam
    grid::ExpandButton* wwExpandButton2 = nullptr;  // the signs in the exam grid's ID column
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
    void ToolButton2Click();   // "Yeni Sınav"
    void ToolButton23Click();  // "Sınav Sil"
    void ToolButton6Click();   // "Sınav Şifresi Değiştir"
    void ToolButton19Click();  // "Sınava Soru Ekle"
    void ToolButton25Click();  // "Yazdır"
    void PageControl1Change() { UpdateCaption(); }
    // Before a change of size: the exam question grid takes the old outer height less 150.
    void FormCanResize(int oldOuterHeight);

    void tgrpAfterOpen() { UpdateCaption(); }
    void tgrpAfterScroll();
    void tsinavAfterOpen();
    void tsinavAfterScroll();

    // The exam question list under the expanded exam, with its commands.
    ExamQuestionList* examQuestions() const { return examQuestions_; }
    // Before every post of the bank questions, from any window: the question rule.
    void ADOTable1BeforePost();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolBar* makeToolBar();
    QToolButton* addButton(QToolBar* bar, const QString& name, const QString& caption);
    void addSeparator(QToolBar* bar);
    QFrame* makeStrip();
    void setAllCancelled(bool cancelled);

    storage::Session& session_;
    ExamQuestionList* examQuestions_ = nullptr;
    const app::Forms& forms_;
    QString executablePath_;
    bool shown_ = false;
    bool captionAwaitsFrame_ = false;
    bool captionQueued_ = false;
};
