#include "app/frm_main.h"

#include "app/forms.h"
#include "app/frm_main_grids.h"
#include "bank/frm_grp.h"
#include "bank/frm_soru_gir.h"
#include "bank/question_rules.h"
#include "exams/exam_question_list.h"
#include "exams/exam_records.h"
#include "exams/frm_sinav_soru_ekle.h"
#include "exams/frm_yazdir.h"
#include "grid/datagrid.h"
#include "grid/expandbutton.h"
#include "storage/database_file.h"
#include "storage/field_names.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "ui/busy.h"
#include "ui/guarded.h"
#include "ui/look.h"
#include "ui/msgbox.h"
#include "ui/placement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QMenu>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The caption's fixed beginning; it ends with a hyphen and a blank.
const QString kCaptionPrefix = QStringLiteral("Olvane Tessary by Morvelin - ");

const QString kHelpText = QStringLiteral(
    "Sorulara resim eklerken küme parantezi içerisinde dosya adı ve uzantısını girmelisiniz.\r\n"
    "örnek : {r1.jpg}\r\n"
    "ve resim dosyalarını uygulamanın kökündeki \"Pictures\"  dizinine kopyalamalısınız.\r\n"
    "\r\n"
    "Sorulara başlık eklemek için \"Soru\" bölümüne başlığı girerken <?> ile başlatmanız ve \r\n"
    "doğru cevap kısmı zorunlu olduğu için herhangi bir seçeneği seçmeniz yeterli\r\n"
    "örnek: <?>MS Word Soruları\r\n");

const QString kAboutText = QStringLiteral(
    "\r\nMorvelin Bilgisayar Yazılım\r\n\r\n"
    "www.morvelin.com.tr\r\n"
    "forum.morvelin.com.tr\r\n"
    "destek@morvelin.com.tr");

const QColor kStripColour(0xD9, 0xD6, 0xC5);

}  // namespace

Tmain::Tmain(storage::Session& session, const app::Forms& forms, QWidget* parent)
    : QWidget(parent), session_(session), forms_(forms), executablePath_(QCoreApplication::applicationFilePath()) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("MQ"));
    setFont(ui::programFont());

    auto& tgrp = session_.tgrp;
    auto& tsinav = session_.tsinav;
    tgrp.afterOpen = [this](storage::RecordSet&) { tgrpAfterOpen(); };
    tgrp.afterScroll = [this](storage::RecordSet&) { tgrpAfterScroll(); };
    tsinav.afterOpen = [this](storage::RecordSet&) { tsinavAfterOpen(); };
    tsinav.afterScroll = [this](storage::RecordSet&) { tsinavAfterScroll(); };
    session_.ADOTable1.beforePost = [this](storage::RecordSet&) { ADOTable1BeforePost(); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setCursor(Qt::PointingHandCursor);
    QFont tabFont(QStringLiteral("Arial"));
    tabFont.setBold(true);
    PageControl1->tabBar()->setFont(tabFont);
    // The caption of the tab under the mouse lights up, as hot-tracked tabs do.
    PageControl1->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab:hover { color: #0066CC; }"));
    layout->addWidget(PageControl1);

    // Bank tab.
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet1->setCursor(Qt::ArrowCursor);
    auto* bank = new QVBoxLayout(TabSheet1);
    bank->setContentsMargins(0, 0, 0, 0);
    bank->setSpacing(0);
    ToolBar1 = makeToolBar();
    // Each captioned command has its own Alt+letter within the window (both
    // tabs counted), so the keyboard reaches it without leaving the grid's
    // own Tab order; letters without Turkish forms, which every layout types.
    ToolButton1 = addButton(ToolBar1, QStringLiteral("ToolButton1"), QStringLiteral("&Grup İşlemleri"));
    addSeparator(ToolBar1);
    ToolButton24 = addButton(ToolBar1, QStringLiteral("ToolButton24"), QStringLiteral("&Sorular"));
    addSeparator(ToolBar1);
    SpeedButton5 = addButton(ToolBar1, QStringLiteral("SpeedButton5"), QStringLiteral("Ya&rdım?"));
    addSeparator(ToolBar1);
    ToolButton9 = addButton(ToolBar1, QStringLiteral("ToolButton9"), QStringLiteral("&Hakkında"));
    bank->addWidget(ToolBar1);
    bank->addWidget(makeStrip());
    wwDBGrid1 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid1"), TabSheet1, app::mainGroupsGrid(), session_.dgrp.dataSet);
    wwDBGrid1->setAccessibleName(QStringLiteral("Soru Grupları"));
    bank->addWidget(wwDBGrid1, 1);
    PageControl1->addTab(TabSheet1, QStringLiteral("Soru Bankası"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    GRUPTANIMLARI1 = PopupMenu1->addAction(QStringLiteral("Soru Grupları"));
    GRUPTANIMLARI1->setObjectName(QStringLiteral("GRUPTANIMLARI1"));
    PopupMenu1->addSeparator();
    MPASF1 = PopupMenu1->addAction(QStringLiteral("Tüm Sorular Pasif"));
    MPASF1->setObjectName(QStringLiteral("MPASF1"));
    MAKTF1 = PopupMenu1->addAction(QStringLiteral("Tüm Sorular Aktif"));
    MAKTF1->setObjectName(QStringLiteral("MAKTF1"));
    ToolButton1->setMenu(PopupMenu1);
    ToolButton1->setPopupMode(QToolButton::InstantPopup);
    // Room between the caption and the menu arrow, which the style draws flush.
    ToolButton1->setMinimumWidth(ToolButton1->sizeHint().width() + 8);

    // Exam tab.
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    TabSheet2->setCursor(Qt::ArrowCursor);
    auto* exams = new QVBoxLayout(TabSheet2);
    exams->setContentsMargins(0, 0, 0, 0);
    exams->setSpacing(0);
    ToolBar2 = makeToolBar();
    ToolButton2 = addButton(ToolBar2, QStringLiteral("ToolButton2"), QStringLiteral("Ye&ni Sınav"));
    ToolButton2->setToolTip(QStringLiteral("F2"));  // shown only: F2 is bound to nothing here
    ToolButton23 = addButton(ToolBar2, QStringLiteral("ToolButton23"), QStringLiteral("Sınav Si&l"));
    ToolButton6 = addButton(ToolBar2, QStringLiteral("ToolButton6"), QStringLiteral("Sınav Şi&fresi Değiştir"));
    addSeparator(ToolBar2);
    ToolButton19 = addButton(ToolBar2, QStringLiteral("ToolButton19"), QStringLiteral("Sınava Soru &Ekle"));
    ToolButton22 = addButton(ToolBar2, QStringLiteral("ToolButton22"), QStringLiteral("Soru &Detay"));
    ToolButton5 = addButton(ToolBar2, QStringLiteral("ToolButton5"), QStringLiteral("Soru S&il"));
    addSeparator(ToolBar2);
    ToolButton16 = addButton(ToolBar2, QStringLiteral("ToolButton16"), QStringLiteral("&Aşağıya Taşı"));
    ToolButton17 = addButton(ToolBar2, QStringLiteral("ToolButton17"), QStringLiteral("Yu&karıya Taşı"));
    addSeparator(ToolBar2);
    ToolButton8 = addButton(ToolBar2, QStringLiteral("ToolButton8"), QStringLiteral("<"));
    ToolButton11 = addButton(ToolBar2, QStringLiteral("ToolButton11"), QStringLiteral("<<"));
    ToolButton12 = addButton(ToolBar2, QStringLiteral("ToolButton12"), QStringLiteral(">>"));
    ToolButton14 = addButton(ToolBar2, QStringLiteral("ToolButton14"), QStringLiteral(">"));
    addSeparator(ToolBar2);
    ToolButton25 = addButton(ToolBar2, QStringLiteral("ToolButton25"), QStringLiteral("&Yazdır"));
    exams->addWidget(ToolBar2);
    exams->addWidget(makeStrip());
    wwDBGrid3 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid3"), TabSheet2, app::mainExamsGrid(), session_.dsinav.dataSet);
    wwDBGrid3->setAccessibleName(QStringLiteral("Sınavlar"));
    exams->addWidget(wwDBGrid3, 1);
    // The exam question grid lies over the exam grid, under the expanded row,
    // and is hidden until an exam is expanded.
    wwDBGrid4 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid4"), wwDBGrid3, app::mainExamQuestionsGrid(),
                                         session_.dQuestions.dataSet);
    wwDBGrid4->setAccessibleName(QStringLiteral("Sınav Soruları"));
    wwDBGrid4->resize(805, 153);
    wwDBGrid4->hide();
    PageControl1->addTab(TabSheet2, QStringLiteral("Sınav İşlemleri"));

    wwExpandButton2 = new grid::ExpandButton(TabSheet2);
    wwExpandButton2->setObjectName(QStringLiteral("wwExpandButton2"));
    wwDBGrid1->adoptControls();
    wwDBGrid3->adoptControls();
    wwDBGrid4->adoptControls();
    examQuestions_ = new ExamQuestionList(
        session_, wwDBGrid3, wwDBGrid4, [this] { return forms_.soru_detay; }, this);
    examQuestions_->afterRemove = [this] { UpdateCaption(); };
    connect(&tsinav, &storage::RecordSet::stateChanged, this,
            [this] { msgbox::guard([this] { examQuestions_->examStateChanged(); }); });

    ui::onSignal(PageControl1, &QTabWidget::currentChanged, this, &Tmain::PageControl1Change);
    ui::onClick(ToolButton24, this, &Tmain::ToolButton24Click);
    ui::onSignal(wwDBGrid1, &grid::DataGrid::dblClicked, this, &Tmain::wwDBGrid1DblClick);
    ui::onClick(SpeedButton5, this, &Tmain::SpeedButton5Click);
    ui::onClick(ToolButton9, this, &Tmain::ToolButton9Click);
    ui::onClick(GRUPTANIMLARI1, this, &Tmain::GRUPTANIMLARI1Click);
    ui::onClick(MPASF1, this, &Tmain::MPASF1Click);
    ui::onClick(MAKTF1, this, &Tmain::MAKTF1Click);
    ui::onClick(ToolButton2, this, &Tmain::ToolButton2Click);
    ui::onClick(ToolButton23, this, &Tmain::ToolButton23Click);
    ui::onClick(ToolButton6, this, &Tmain::ToolButton6Click);
    ui::onClick(ToolButton19, this, &Tmain::ToolButton19Click);
    ui::onClick(ToolButton25, this, &Tmain::ToolButton25Click);
    // The exam question list's commands.
    const std::pair<QToolButton*, void (ExamQuestionList::*)()> listCommands[] = {
        {ToolButton8, &ExamQuestionList::first},   {ToolButton11, &ExamQuestionList::prior},
        {ToolButton12, &ExamQuestionList::next},   {ToolButton14, &ExamQuestionList::last},
        {ToolButton17, &ExamQuestionList::moveUp}, {ToolButton16, &ExamQuestionList::moveDown},
        {ToolButton5, &ExamQuestionList::remove},  {ToolButton22, &ExamQuestionList::showDetail}};
    for (const auto& [button, command] : listCommands) ui::onClick(button, examQuestions_, command);
    ui::onSignal(wwDBGrid4, &grid::DataGrid::dblClicked, examQuestions_, &ExamQuestionList::showDetail);

    ui::setOuterSize(this, QSize(1026, 623));
    ui::centreOnScreen(this);
}

Tmain::~Tmain() = default;

QToolBar* Tmain::makeToolBar() {
    auto* bar = new QToolBar;
    bar->setFixedHeight(26);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    bar->setFont(font);
    return bar;
}

QToolButton* Tmain::addButton(QToolBar* bar, const QString& name, const QString& caption) {
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(caption);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addWidget(button);
    return button;
}

void Tmain::addSeparator(QToolBar* bar) {
    auto* gap = new QWidget(bar);
    gap->setFixedWidth(8);
    bar->addWidget(gap);
}

QFrame* Tmain::makeStrip() {
    auto* strip = new QFrame;
    strip->setFixedHeight(3);
    ui::fillBackground(strip, kStripColour);
    return strip;
}

// ------------------------------------------------------------- commands ----

void Tmain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    wwDBGrid1->setFocus();  // the keyboard starts in the group list, not on the tabs
    msgbox::guard([this] { FormShow(); });
}

void Tmain::FormShow() {
    {
        const QSignalBlocker quiet(PageControl1);  // choosing the tab here is no user's tab change
        PageControl1->setCurrentIndex(0);
    }
    const storage::DatabaseLocation location = storage::locateDatabase(executablePath_);
    ProgramFolder = location.programFolder;
    DatabaseFileName = location.databaseFileName;
    const QString path = ProgramFolder + DatabaseFileName;
    session_.ADOConnection1.setConnectionString(storage::connectionString(path));
    if (QFileInfo(path).isFile()) {
        session_.ADOConnection1.open();
        captionAwaitsFrame_ = true;
        try {
            session_.tgrp.open();
            session_.tsinav.open();
            session_.tQuestions.open();
        } catch (...) {
            // No frame waits for a caption when the start stopped half-way.
            captionAwaitsFrame_ = false;
            if (session_.tgrp.active()) UpdateCaption();
            throw;
        }
    } else {
        msgbox::plain(QStringLiteral("Dosya bulunmadı : ") + path);
    }
}

void Tmain::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!captionAwaitsFrame_ || captionQueued_) return;
    captionQueued_ = true;
    // After this paint pass has reached the screen.
    QTimer::singleShot(0, this, [this] {
        captionAwaitsFrame_ = false;
        msgbox::guard([this] { UpdateCaption(); });
    });
}

void Tmain::UpdateCaption() {
    if (CaptionHold != 0) return;
    if (captionAwaitsFrame_) {
        setWindowTitle(kCaptionPrefix);
        return;
    }
    const bool bankTab = PageControl1->currentIndex() == 0;
    storage::RecordSet& rs = bankTab ? session_.tgrp : session_.tsinav;
    if (rs.recordCount() <= 0) {
        setWindowTitle(kCaptionPrefix);
        return;
    }
    const storage::Field id = rs.field(storage::fields::kId);
    qint64 count = 0;
    // A row that has no ID yet (a new group or exam not yet posted) holds no
    // questions; counting it would send a statement without its number.
    if (!id.isNull())
        count = session_.captionCount.count(
            session_.rcxxx, bankTab ? storage::sql::groupQuestionCount(id.asKey()) : storage::sql::examQuestionCount(id.asKey()),
            storage::fields::kRcx);
    setWindowTitle(kCaptionPrefix + QStringLiteral(" [ \"") + rs.field(storage::fields::kGroupName).asString() +
                   QStringLiteral("\" Soru Sayısı : ") + QString::number(count) + QStringLiteral(" ]"));
}

void Tmain::tsinavAfterOpen() {
    examQuestions_->examMoved();
    UpdateCaption();
}

void Tmain::tsinavAfterScroll() {
    examQuestions_->examMoved();
    UpdateCaption();
}

void Tmain::tgrpAfterScroll() {
    UpdateCaption();
    if (session_.isAddQuestionsShown()) {
        session_.ADOTable1.close();
        session_.ADOTable1.setCommandText(storage::sql::questionsOfGroup(session_.tgrp.field(storage::fields::kId).asKeyOr(0)));
        session_.ADOTable1.open();
    }
}

void Tmain::ADOTable1BeforePost() { bank::questionBeforePost(session_); }

void Tmain::ToolButton24Click() {
    if (session_.tgrp.recordCount() <= 0) {
        msgbox::warning(QStringLiteral("\r\nTanımlı Grup Bulunamadı."));
        forms_.grpx->exec();
        // The caption last counted inside the dialog, on a group that had
        // neither a name nor a number yet.
        UpdateCaption();
        return;
    }
    session_.ADOTable1.setCommandText(storage::sql::questionsOfGroup(session_.tgrp.field(storage::fields::kId).asKeyOr(0)));
    forms_.soru_gir->exec();
    session_.ADOTable1.close();
    // The questions entered or deleted there change the count the caption shows.
    UpdateCaption();
}

void Tmain::SpeedButton5Click() { msgbox::information(kHelpText); }

void Tmain::ToolButton9Click() {
    msgbox::Box box;
    box.caption = QStringLiteral("Hakkında");
    box.text = kAboutText;
    box.icon = msgbox::Icon::Information;
    box.owner = this;
    msgbox::show(box);
}

void Tmain::GRUPTANIMLARI1Click() {
    CaptionHold = 1;
    // Whatever happens in the dialog, the hold ends with it.
    const auto release = qScopeGuard([this] { CaptionHold = 0; });
    forms_.grpx->exec();
}

// Every question of every group changes, and marks set one by one are lost
// to a later opposite command: a misclick must not cost a teacher that work,
// so the command says what will change and asks first.
void Tmain::setAllCancelled(bool cancelled) {
    const std::vector<qint64> counts =
        storage::sql::numbers(session_.rcxxx, storage::sql::countToSetCancelled(cancelled),
                              {storage::fields::kRcx, storage::fields::kGrp, storage::fields::kOrp});
    const qint64 questions = counts[0];
    const qint64 groups = counts[1];
    // Questions left behind by a deleted group change too, but belong to no group.
    const qint64 orphans = counts[2];
    if (questions + orphans == 0) {
        msgbox::information(cancelled ? QStringLiteral("\r\nPasif yapılacak soru yok: bütün sorular zaten pasif.")
                                      : QStringLiteral("\r\nAktif yapılacak soru yok: bütün sorular zaten aktif."));
        return;
    }
    const QString left = QStringLiteral("silinmiş gruplarda kalan %1 soru ").arg(orphans);
    const QString what = groups == 0 ? QStringLiteral("\r\nS") + left.mid(1)
                                     : QStringLiteral("\r\n%1 gruptaki %2 soru ").arg(groups).arg(questions) +
                                           (orphans > 0 ? QStringLiteral("ve ") + left : QString());
    const QString text = cancelled ? what + QStringLiteral(
                                                "pasif (iptal) yapılacak.\r\nBu işlem bankadaki bütün soruları etkiler ve "
                                                "geri alınamaz.\r\n\r\nDevam edilsin mi?")
                                   : what + QStringLiteral(
                                                "aktif yapılacak; tek tek iptal ettiğiniz sorular da aktif olur.\r\nBu işlem "
                                                "geri alınamaz.\r\n\r\nDevam edilsin mi?");
    if (!msgbox::confirm(this, text)) return;
    {
        const ui::BusyStatus busy(cancelled ? QStringLiteral("Bütün sorular pasif yapılıyor…")
                                            : QStringLiteral("Bütün sorular aktif yapılıyor…"));
        storage::sql::executeChange(session_.ADOQuery2, storage::sql::setAllCancelled(cancelled));
    }
    // Whatever shows the marks shows them anew: the bank question list (open
    // only while a window that shows it is up) and the expanded exam list.
    if (session_.ADOTable1.active()) session_.ADOTable1.refresh();
    if (session_.tQuestions.active()) session_.tQuestions.refresh();
}

void Tmain::MPASF1Click() { setAllCancelled(true); }
void Tmain::MAKTF1Click() { setAllCancelled(false); }

void Tmain::ToolButton2Click() { exams::newExam(session_, *forms_.yeni_sinav, CaptionHold); }
void Tmain::ToolButton23Click() { exams::deleteExam(session_, this); }
void Tmain::ToolButton6Click() { exams::changePassword(session_, this); }

void Tmain::ToolButton19Click() {
    if (session_.tsinav.recordCount() <= 0) {
        msgbox::warning(QStringLiteral("\r\nTanımlı Sınav Yok."));
        return;
    }
    if (session_.tgrp.recordCount() <= 0) {
        msgbox::warning(QStringLiteral("\r\nTanımlı Soru Grubu Yok."));
        return;
    }
    storage::RecordSet& questions = session_.ADOTable1;
    questions.close();
    questions.setCommandText(storage::sql::questionsOfGroup(session_.tgrp.field(storage::fields::kId).asKeyOr(0)));
    questions.open();
    forms_.sinav_soru_ekle->exec();
    session_.tQuestions.close();
    session_.tQuestions.open();
    examQuestions_->entriesReopened();
    questions.close();
    UpdateCaption();
}

void Tmain::ToolButton25Click() { exams::printCurrentExam(session_, ProgramFolder, this); }

void Tmain::FormCanResize(int oldOuterHeight) { wwDBGrid4->resize(wwDBGrid4->width(), oldOuterHeight - 150); }

void Tmain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!event->oldSize().isValid()) return;
    const int frame = frameGeometry().height() - geometry().height();
    FormCanResize(event->oldSize().height() + frame);
}

void Tmain::FormClose() {
    // A group or exam edited in place and not yet left is saved, not lost:
    // a refused post keeps the program open with the error.
    for (storage::RecordSet* rs : {&session_.tgrp, &session_.tsinav}) {
        const bool editing = rs->state() == storage::RecordState::Edit || rs->state() == storage::RecordState::Insert;
        if (rs->active() && editing && rs->modified()) rs->post();
    }
    session_.ADOConnection1.close();
}

void Tmain::closeEvent(QCloseEvent* event) {
    try {
        FormClose();
    } catch (...) {
        // A group that cannot be saved keeps the program open, so that the
        // user can correct it or cancel it rather than lose it unseen.
        msgbox::showCurrentException();
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}
