#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;
class Tqeditx;
class Tqimport;
class Tsgrpx;

namespace grid {
class DataGrid;
class MappedCombo;
class RichCell;
}  // namespace grid
namespace storage {
class RecordSet;
class Session;
}  // namespace storage

// The question entry window: the questions of the current group in an
// editable grid, ordered by reference number, with a toolbar, the command
// menu "Soru İşlemleri" and the keys F2 (new question) and F5 (save), which
// the window sees before the focused control. Shown modally; it opens the
// bank question set when it is shown, and the command that showed it closes
// the set afterwards. Its rich-text control is the session's question text
// control, read by the post rule of bank questions.
class Tsoru_gir : public QDialog {
    Q_OBJECT
public:
    // qeditx: "Soru Detay", which the window takes as its own: it shows
    // beside this window, takes input while this window is modal, and closes
    // with it (its creator still destroys it).
    // groupsDialog: shown when a question is asked for and no group exists.
    // groupPicker: where "Soru Taşı" picks the group; importWindow: where
    // "Veri al" picks the file and group to copy. programFolder: where the
    // grid layout file lies.
    Tsoru_gir(storage::Session& session, Tqeditx* qeditx, QDialog* groupsDialog, Tsgrpx* groupPicker, Tqimport* importWindow,
              std::function<QString()> programFolder = {}, QWidget* parent = nullptr);
    ~Tsoru_gir() override;

    // --- controls ---------------------------------------------------------
    QToolBar* ToolBar1 = nullptr;
    QToolButton* BtnMoveAllLeft = nullptr;   // "ilk kayıt"
    QToolButton* BtnMoveLeft = nullptr;      // "önceki kayıt"
    QToolButton* BtnMoveRight = nullptr;     // "sonraki kayıt"
    QToolButton* BtnMoveAllRight = nullptr;  // "son kayıt"
    QToolButton* BtnUp = nullptr;            // "yukarıya taşı"
    QToolButton* BtnDown = nullptr;          // "aşağıya taşı"
    QToolButton* BtnImport = nullptr;        // "Veri al"
    QToolButton* MenuButton1 = nullptr;      // "Soru İşlemleri", drops mnques
    grid::DataGrid* wwDBGrid2 = nullptr;
    grid::RichCell* wwDBRichEdit1 = nullptr;  // question cell control
    grid::MappedCombo* tre_ans = nullptr;     // correct answer picker
    QProgressBar* ProgressBar1 = nullptr;     // how far an import has come; shown only then
    QMenu* mnques = nullptr;
    QAction* YeniSoru1 = nullptr;          // "Yeni Soru" F2
    QAction* SoruKaydet1 = nullptr;        // "Soru Kaydet" F5
    QAction* SoruSil1 = nullptr;           // "Soru Sil"
    QAction* DegisiklikIptali1 = nullptr;  // "Değişiklik İptali"
    QAction* SoruGoster1 = nullptr;        // "Sorugu Göster"
    QAction* SoruTasi1 = nullptr;          // "Soru Taşı"
    QAction* ReferansNo1 = nullptr;        // "Aktif Soru Referans Numarası"
    QAction* ReferansNoGit1 = nullptr;     // "Referans No Git"

    // The layout file of the grid, set on every show.
    QString GridLayoutFileName;

    // --- commands ---------------------------------------------------------
    void BtnMoveAllLeftClick();
    void BtnMoveLeftClick();
    void BtnMoveRightClick();
    void BtnMoveAllRightClick();
    void YeniSoru1Click();
    void SoruKaydet1Click();
    void SoruSil1Click();
    void DegisiklikIptali1Click();
    void SoruGoster1Click();
    // Reordering: the current question changes places with its neighbour
    // above (below); the three statements of the exchange are one unit.
    void BtnUpClick();
    void BtnDownClick();
    void SoruTasi1Click();
    void ReferansNo1Click();
    void ReferansNoGit1Click();
    void BtnImportClick();
    // Whether an import is copying: the window takes no input and no close.
    bool importing() const { return importing_; }
    void FormShow();
    // Posts a changed row first, so closing never loses typing; throws when
    // the post is refused (the window then stays open).
    void FormClose();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* addButton(const QString& name, const QString& hint);
    void buildMenu();
    // Copies every question of the source set into the bank question set
    // through the post rule; stops at the first copy that fails.
    void copyQuestions(storage::RecordSet& source);
    // The grid's column layout, read from the layout file at each showing
    // (when the file exists) and written back at each close that happens.
    void loadGridLayoutHook();
    void saveGridLayoutHook();

    storage::Session& session_;
    Tqeditx* qeditx_;
    QDialog* groupsDialog_;
    Tsgrpx* groupPicker_;
    Tqimport* importWindow_;
    std::function<QString()> programFolder_;
    bool filtering_ = false;
    // The key press being delivered and the widget it went to first: its
    // passing on to that widget's parents is not a second press.
    const QEvent* pressSeen_ = nullptr;
    QPointer<QWidget> receiverSeen_;
    bool importing_ = false;
};
