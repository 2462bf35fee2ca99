#include "bank/frm_soru_gir.h"

#include "bank/frm_qeditx.h"
#include "bank/frm_qimport.h"
#include "bank/frm_sgrp.h"
#include "bank/frm_soru_gir_grids.h"
#include "bank/question_commands.h"
#include "grid/datagrid.h"
#include "grid/gridprofile.h"
#include "grid/mappedcombo.h"
#include "grid/richcell.h"
#include "storage/session.h"
#include "ui/dialog_keys.h"
#include "ui/guarded.h"
#include "ui/icons.h"
#include "ui/input_swallower.h"
#include "ui/msgbox.h"
#include "ui/placement.h"
#include "ui/textinput.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Keeps the window painted and its progress bar current during a long copy
// without letting any input in: typing into the row being copied would go
// into the copy. Input that arrives meanwhile is thrown away each time the
// window is painted, so none is left waiting for a box the copy may show
// (a key pressed during the copy must not answer it).
class CopyProgress {
public:
    CopyProgress(QProgressBar* bar, int total) : bar_(bar) {
        bar_->setRange(0, total);
        bar_->setValue(0);
        bar_->show();
        paint();
    }
    ~CopyProgress() {
        bar_->hide();
        paint();
    }
    void step(int done) {
        if (clock_.elapsed() < 100) return;  // ten paints a second cost nothing
        bar_->setValue(done);
        paint();
    }

private:
    void paint() {
        ui::InputSwallower swallow;
        QCoreApplication::processEvents();
        clock_.restart();
    }

    QProgressBar* bar_;
    QElapsedTimer clock_;
};

}  // namespace

Tsoru_gir::Tsoru_gir(storage::Session& session, Tqeditx* qeditx, QDialog* groupsDialog, Tsgrpx* groupPicker,
                     Tqimport* importWindow, std::function<QString()> programFolder, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      session_(session),
      qeditx_(qeditx),
      groupsDialog_(groupsDialog),
      groupPicker_(groupPicker),
      importWindow_(importWindow),
      programFolder_(std::move(programFolder)) {
    setObjectName(QStringLiteral("soru_gir"));
    setWindowTitle(QStringLiteral("Soru Gir"));
    setSizeGripEnabled(true);
    // The program's 8-point face, as the main window and the grids have it.
    setFont(grid::GridProfile::defaultFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(29);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    layout->addWidget(ToolBar1);

    BtnMoveAllLeft = addButton(QStringLiteral("BtnMoveAllLeft"), QStringLiteral("ilk kayıt"));
    BtnMoveLeft = addButton(QStringLiteral("BtnMoveLeft"), QStringLiteral("önceki kayıt"));
    BtnMoveRight = addButton(QStringLiteral("BtnMoveRight"), QStringLiteral("sonraki kayıt"));
    BtnMoveAllRight = addButton(QStringLiteral("BtnMoveAllRight"), QStringLiteral("son kayıt"));
    ToolBar1->addSeparator();
    BtnUp = addButton(QStringLiteral("BtnUp"), QStringLiteral("yukarıya taşı"));
    BtnDown = addButton(QStringLiteral("BtnDown"), QStringLiteral("aşağıya taşı"));
    ToolBar1->addSeparator();
    BtnImport = addButton(QStringLiteral("BtnImport"), QStringLiteral("veri al"));
    BtnImport->setText(QStringLiteral("&Veri al"));  // Alt+V
    BtnImport->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BtnImport->setAccessibleName(QString());  // it shows its caption: named by that, as it reads on screen
    const std::pair<QToolButton*, ui::Glyph> glyphs[] = {
        {BtnMoveAllLeft, ui::Glyph::First}, {BtnMoveLeft, ui::Glyph::Prior}, {BtnMoveRight, ui::Glyph::Next},
        {BtnMoveAllRight, ui::Glyph::Last}, {BtnUp, ui::Glyph::Up},          {BtnDown, ui::Glyph::Down},
        {BtnImport, ui::Glyph::Import}};
    for (const auto& [button, glyph] : glyphs) button->setIcon(ui::drawnIcon(glyph));
    ToolBar1->addSeparator();

    MenuButton1 = new QToolButton(ToolBar1);
    MenuButton1->setObjectName(QStringLiteral("MenuButton1"));
    MenuButton1->setText(QStringLiteral("&Soru İşlemleri"));  // Alt+S opens the menu
    MenuButton1->setFixedWidth(88);
    MenuButton1->setAutoRaise(true);  // hot-tracking
    MenuButton1->setPopupMode(QToolButton::InstantPopup);
    MenuButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar1->addWidget(MenuButton1);
    buildMenu();

    // Bound to its record set below, once its layout file is known.
    wwDBGrid2 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid2"), this, bank::questionEntryGrid(), nullptr);
    wwDBGrid2->setAccessibleName(QStringLiteral("Sorular"));
    layout->addWidget(wwDBGrid2, 1);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFormat(QStringLiteral("%v / %m soru aktarıldı"));
    ProgressBar1->setAccessibleName(QStringLiteral("Aktarılan sorular"));
    ProgressBar1->hide();
    layout->addWidget(ProgressBar1);
    tre_ans = new grid::MappedCombo(this);
    tre_ans->setObjectName(QStringLiteral("tre_ans"));
    tre_ans->setMapList({QStringLiteral("A\t1"), QStringLiteral("B\t2"), QStringLiteral("C\t3"), QStringLiteral("D\t4")});
    tre_ans->hide();
    wwDBRichEdit1 = new grid::RichCell(this);
    wwDBRichEdit1->setObjectName(QStringLiteral("wwDBRichEdit1"));
    wwDBRichEdit1->hide();
    // The entry grid keeps its columns in the layout file; the file's name is
    // known once the window shows.
    grid::IniAttributes layoutFile;
    layoutFile.Enabled = true;
    wwDBGrid2->setIniAttributes(layoutFile);
    wwDBGrid2->setRecordSet(session_.DataSource1.dataSet);
    wwDBGrid2->adoptControls();
    session_.questionText = wwDBRichEdit1;

    ui::onClick(BtnMoveAllLeft, this, &Tsoru_gir::BtnMoveAllLeftClick);
    ui::onClick(BtnMoveLeft, this, &Tsoru_gir::BtnMoveLeftClick);
    ui::onClick(BtnMoveRight, this, &Tsoru_gir::BtnMoveRightClick);
    ui::onClick(BtnMoveAllRight, this, &Tsoru_gir::BtnMoveAllRightClick);
    ui::onClick(BtnUp, this, &Tsoru_gir::BtnUpClick);
    ui::onClick(BtnDown, this, &Tsoru_gir::BtnDownClick);
    ui::onClick(BtnImport, this, &Tsoru_gir::BtnImportClick);

    ui::setOuterSize(this, QSize(870, 500));  // frame included
    move(313, 96);

    // "Soru Detay" belongs to this window: shown beside it while it is modal,
    // it must take input, stay above it and go with it.
    if (qeditx_) {
        const QRect where = qeditx_->geometry();
        qeditx_->setParent(this, qeditx_->windowFlags());
        qeditx_->setGeometry(where);
    }
}

Tsoru_gir::~Tsoru_gir() {
    if (session_.questionText == wwDBRichEdit1) session_.questionText = nullptr;
    // Whoever created "Soru Detay" destroys it.
    if (qeditx_ && qeditx_->parentWidget() == this) qeditx_->setParent(nullptr, qeditx_->windowFlags());
}

QToolButton* Tsoru_gir::addButton(const QString& name, const QString& hint) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setToolTip(hint);
    // The buttons show only images: assistive technology reads their hints.
    button->setAccessibleName(hint);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->addWidget(button);
    return button;
}

void Tsoru_gir::buildMenu() {
    mnques = new QMenu(this);
    mnques->setObjectName(QStringLiteral("mnques"));
    // The shortcuts are shown only: F2 and F5 reach the window's own key
    // preview, so one press runs its command once.
    auto add = [this](const QString& name, const QString& caption, const QString& keys = {}) {
        QAction* a = mnques->addAction(keys.isEmpty() ? caption : caption + QLatin1Char('\t') + keys);
        a->setObjectName(name);
        return a;
    };
    YeniSoru1 = add(QStringLiteral("YeniSoru1"), QStringLiteral("Yeni Soru"), QStringLiteral("F2"));
    SoruKaydet1 = add(QStringLiteral("SoruKaydet1"), QStringLiteral("Soru Kaydet"), QStringLiteral("F5"));
    SoruSil1 = add(QStringLiteral("SoruSil1"), QStringLiteral("Soru Sil"));
    DegisiklikIptali1 = add(QStringLiteral("DegisiklikIptali1"), QStringLiteral("Değişiklik İptali"));
    SoruGoster1 = add(QStringLiteral("SoruGoster1"), QStringLiteral("Sorugu Göster"));
    mnques->addSeparator();
    SoruTasi1 = add(QStringLiteral("SoruTasi1"), QStringLiteral("Soru Taşı"));
    ReferansNo1 = add(QStringLiteral("ReferansNo1"), QStringLiteral("Aktif Soru Referans Numarası"));
    ReferansNoGit1 = add(QStringLiteral("ReferansNoGit1"), QStringLiteral("Referans No Git"));
    const std::pair<QAction*, void (Tsoru_gir::*)()> commands[] = {
        {YeniSoru1, &Tsoru_gir::YeniSoru1Click},     {SoruKaydet1, &Tsoru_gir::SoruKaydet1Click},
        {SoruSil1, &Tsoru_gir::SoruSil1Click},       {DegisiklikIptali1, &Tsoru_gir::DegisiklikIptali1Click},
        {SoruGoster1, &Tsoru_gir::SoruGoster1Click}, {SoruTasi1, &Tsoru_gir::SoruTasi1Click},
        {ReferansNo1, &Tsoru_gir::ReferansNo1Click}, {ReferansNoGit1, &Tsoru_gir::ReferansNoGit1Click}};
    for (const auto& [action, command] : commands) ui::onClick(action, this, command);
    MenuButton1->setMenu(mnques);
}

// ------------------------------------------------------------- commands ----

void Tsoru_gir::BtnMoveAllLeftClick() { session_.ADOTable1.first(); }
void Tsoru_gir::BtnMoveLeftClick() { session_.ADOTable1.prior(); }
void Tsoru_gir::BtnMoveRightClick() { session_.ADOTable1.next(); }
void Tsoru_gir::BtnMoveAllRightClick() { session_.ADOTable1.last(); }

void Tsoru_gir::YeniSoru1Click() {
    if (session_.tgrp.recordCount() <= 0) {
        msgbox::warning(QStringLiteral("\r\nTanımlı Grup Bulunamadı."));
        if (groupsDialog_) groupsDialog_->exec();
        return;
    }
    session_.ADOTable1.append();
    wwDBGrid2->setFocus();
    wwDBGrid2->setCurrentColumn(0);
    // The question cell's control takes the typing at once.
    if (QWidget* control = wwDBGrid2->cellControl(0); control && control->isVisible()) control->setFocus();
}

void Tsoru_gir::SoruKaydet1Click() {
    auto& questions = session_.ADOTable1;
    questions.edit();
    questions.post();
}

void Tsoru_gir::SoruSil1Click() {
    auto& questions = session_.ADOTable1;
    if (questions.state() == storage::RecordState::Insert) {
        questions.cancel();
        return;
    }
    if (questions.recordCount() <= 0) return;
    if (msgbox::confirm(this, QStringLiteral("\r\nAktif soru silinecek. işleme devam edilsin mi?"))) questions.remove();
}

void Tsoru_gir::DegisiklikIptali1Click() { session_.ADOTable1.cancel(); }

void Tsoru_gir::SoruGoster1Click() {
    if (session_.tgrp.recordCount() <= 0 || !qeditx_) return;
    qeditx_->show();
    qeditx_->raise();
    qeditx_->activateWindow();
}

// ------------------------------------------------- order and reference ----

void Tsoru_gir::BtnUpClick() { bank::moveQuestion(session_, -1); }
void Tsoru_gir::BtnDownClick() { bank::moveQuestion(session_, +1); }

void Tsoru_gir::SoruTasi1Click() {
    bank::moveToGroup(session_, [this] { return groupPicker_ && groupPicker_->exec() == Tsgrpx::mrOk; });
}

void Tsoru_gir::ReferansNo1Click() { bank::showReferenceNumber(session_); }
void Tsoru_gir::ReferansNoGit1Click() { bank::goToReferenceNumber(session_, this); }

// --------------------------------------------------------------- import ----

void Tsoru_gir::BtnImportClick() {
    if (session_.tgrp.recordCount() <= 0) {
        msgbox::warning(QStringLiteral("\r\nTanımlı grup yok!"));
        return;
    }
    if (!importWindow_) return;
    importWindow_->exec();
    // A copy that fails leaves the file open: the next import shows it again.
    if (importWindow_->transfer()) copyQuestions(importWindow_->ADOTable1);
    importWindow_->closeSource();
}

void Tsoru_gir::copyQuestions(storage::RecordSet& source) {
    importing_ = true;
    const auto done = qScopeGuard([this] { importing_ = false; });
    CopyProgress progress(ProgressBar1, source.recordCount());
    // Nothing that shows either set follows the copy row by row: the grids,
    // the cell controls and the other windows catch up once at the end (the
    // sets' holds end first, while the grid still holds its view).
    const grid::DataGrid::ViewHold hold(*wwDBGrid2);
    bank::copyQuestions(session_, source, [&progress](int copied) { progress.step(copied); });
}

// ------------------------------------------------------- show and close ----

void Tsoru_gir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!filtering_) {
        qApp->installEventFilter(this);
        filtering_ = true;
    }
    msgbox::guard([this] { FormShow(); });
}

void Tsoru_gir::hideEvent(QHideEvent* event) {
    if (filtering_) {
        qApp->removeEventFilter(this);
        filtering_ = false;
    }
    QDialog::hideEvent(event);
}

void Tsoru_gir::FormShow() {
    auto& questions = session_.ADOTable1;
    questions.open();
    if (questions.recordCount() > 0) questions.last();
    GridLayoutFileName = (programFolder_ ? programFolder_() : QString()) + QStringLiteral("GridAyarlari.ini");
    loadGridLayoutHook();
    wwDBGrid2->setFocus();
}

void Tsoru_gir::FormClose() {
    auto& questions = session_.ADOTable1;
    if (!questions.active()) return;
    // Typing is not lost on close: a changed row is posted (the post rule may
    // refuse it, and the window then stays open), an unchanged new row dropped.
    questions.checkBrowseMode();
    saveGridLayoutHook();
}

// The entry grid's columns as the teacher left them, kept in the layout file
// beside the program: read at each showing when the file exists.
void Tsoru_gir::loadGridLayoutHook() {
    grid::IniAttributes ini = wwDBGrid2->iniAttributes();
    ini.FileName = GridLayoutFileName;
    wwDBGrid2->setIniAttributes(ini);
    if (!QFileInfo::exists(ini.FileName)) return;
    const grid::LayoutWarning warning = wwDBGrid2->loadLayout();
    if (!warning.isEmpty()) msgbox::warning(warning);
}

// Written at each close that really happens (a refused close saves nothing).
void Tsoru_gir::saveGridLayoutHook() {
    const grid::LayoutWarning warning = wwDBGrid2->saveLayout();
    if (!warning.isEmpty()) msgbox::warning(warning);
}

void Tsoru_gir::done(int result) {
    if (importing_) return;  // the copy runs to its end first
    bool closed = false;
    msgbox::guard([&] {
        FormClose();
        closed = true;
    });
    if (!closed) return;
    if (qeditx_) qeditx_->close();
    QDialog::done(result);
}

void Tsoru_gir::keyPressEvent(QKeyEvent* event) {
    // The close box is the only way out: Esc and Enter close nothing here.
    if (isDialogCloseKey(event)) return event->accept();
    QDialog::keyPressEvent(event);
}

namespace {

// The window a widget works for: its own, or for a popup (an open drop-down
// list, a menu) the window of the control that opened it.
QWidget* ownerWindow(QWidget* widget) {
    QWidget* w = widget ? widget->window() : nullptr;
    while (w && w->windowType() == Qt::Popup && w->parentWidget()) w = w->parentWidget()->window();
    return w;
}

// Closes an open drop-down list before a function key's command runs: the
// command moves or posts the row, and the list would stay over a cell it no
// longer belongs to. What was typed into the box stays its text.
void closePopupOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            combo->hidePopup();
            return;
        }
    if (QWidget* popup = widget->window(); popup->windowType() == Qt::Popup) popup->close();
}

}  // namespace

bool Tsoru_gir::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        pressSeen_ = nullptr;  // the press has been delivered wherever it went
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == MenuButton1 && key->key() == Qt::Key_F4) {  // F4 drops the menu too
        MenuButton1->showMenu();
        return true;
    }
    // The window sees each key press before the focused control, also when
    // that control is an open list. Only its first delivery counts, not the
    // same press passed on to the parents of the widget it went to: a box
    // the command shows moves the focus, so the focus at the time cannot
    // tell the two apart.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !isVisible() || importing_) return false;
    if (event == pressSeen_ && receiverSeen_ && widget->isAncestorOf(receiverSeen_)) return false;
    pressSeen_ = event;
    receiverSeen_ = widget;
    if (ownerWindow(widget) != this) return false;
    const bool f2 = key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier;
    const bool f5 = key->key() == Qt::Key_F5 && key->modifiers() == Qt::NoModifier;
    if (!f2 && !f5) return false;
    if (widget->window() != this) closePopupOf(widget);
    msgbox::guard([this, f2] { f2 ? YeniSoru1Click() : SoruKaydet1Click(); });
    return false;  // the key goes on to the focused control as usual
}
