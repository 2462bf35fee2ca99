#include "exams/frm_sinav_soru_ekle.h"

#include "exams/frm_sinav_soru_ekle_grids.h"
#include "grid/datagrid.h"
#include "storage/errors.h"
#include "storage/field_names.h"
#include "storage/fields.h"
#include "storage/keys.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "storage/transaction.h"
#include "ui/guarded.h"
#include "ui/look.h"
#include "ui/msgbox.h"
#include "ui/placement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const QColor kSurface(0xEA, 0xE7, 0xD5);
const QColor kPanel(0xD9, 0xD6, 0xC5);
const QColor kNavy(0x00, 0x00, 0x80);

QLabel* boldLabel(const QString& text, QWidget* parent, int left, int top, const QColor& colour = Qt::black) {
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QPushButton* boldButton(const QString& text, const QString& name, QWidget* parent, int top) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    // Wider than drawn: "Aktif Soruyu Aktar" in bold would touch its frame.
    button->setGeometry(224, top, 112, 31);
    QFont f = button->font();
    f.setBold(true);
    button->setFont(f);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

Tsinav_soru_ekle::Tsinav_soru_ekle(storage::Session& session, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      session_(session) {
    setObjectName(QStringLiteral("sinav_soru_ekle"));
    setWindowTitle(QStringLiteral("Soru Ekle"));
    ui::fillBackground(this, kSurface);
    setMouseTracking(true);  // the bare surface moves the window

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("Panel2"));
    top->setFixedHeight(169);
    QLabel* groupsLabel = boldLabel(QStringLiteral("Soru Bankası Soru Grubu"), top, 8, 8, kNavy);
    wwDBGrid1 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid1"), top, exams::addGroupsGrid(), session_.dgrp.dataSet);
    wwDBGrid1->setAccessibleName(groupsLabel->text());
    wwDBGrid1->setGeometry(8, 24, 209, 137);
    RzButton1 = boldButton(QStringLiteral("Grubu Aktar"), QStringLiteral("RzButton1"), top, 32);
    RzButton2 = boldButton(QStringLiteral("Aktif Soruyu Aktar"), QStringLiteral("RzButton2"), top, 68);
    Label4 = boldLabel(QStringLiteral("0 Soru Eklendi"), top, 227, 111);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setToolTip(QStringLiteral("sıfırlamak için çift tıklayınız"));
    Label4->installEventFilter(this);
    QLabel* examsLabel = boldLabel(QStringLiteral("Soru Eklenecek Sınavı Seçiniz"), top, 344, 8, kNavy);
    wwDBGrid3 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid3"), top, exams::addExamsGrid(), session_.dsinav.dataSet);
    wwDBGrid3->setAccessibleName(examsLabel->text());
    wwDBGrid3->setGeometry(344, 24, 209, 137);
    layout->addWidget(top);

    wwDBGrid2 =
        grid::profiles::makeGrid(QStringLiteral("wwDBGrid2"), this, exams::addQuestionsGrid(), session_.DataSource1.dataSet);
    wwDBGrid2->setToolTip(QStringLiteral("Soruyu eklemek için çift tıklayınız..."));
    wwDBGrid2->setAccessibleName(QStringLiteral("Bankadaki Sorular"));
    layout->addWidget(wwDBGrid2, 1);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFixedHeight(58);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setAccessibleName(QStringLiteral("Aktarım Kaydı"));
    layout->addWidget(Memo1);

    // The progress panel floats over the window, outside the layout.
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(261, 271, 281, 64);
    ui::fillBackground(Panel1, kPanel);
    boldLabel(QStringLiteral("Lütfen Bekleyin..."), Panel1, 8, 10);
    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 36, 265, 16);
    ProgressBar1->setTextVisible(false);
    Panel1->hide();

    wwDBGrid1->adoptControls();
    wwDBGrid3->adoptControls();
    wwDBGrid2->adoptControls();

    ui::onClick(RzButton1, this, &Tsinav_soru_ekle::RzButton1Click);
    ui::onClick(RzButton2, this, &Tsinav_soru_ekle::RzButton2Click);
    ui::onSignal(wwDBGrid2, &grid::DataGrid::dblClicked, this, &Tsinav_soru_ekle::wwDBGrid2DblClick);

    resize(810, 649);
    ui::centreOnScreen(this);
    session_.addQuestionsShown = [this] { return isVisible(); };
}

Tsinav_soru_ekle::~Tsinav_soru_ekle() { session_.addQuestionsShown = nullptr; }

void Tsinav_soru_ekle::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void Tsinav_soru_ekle::FormShow() {
    added_ = 0;
    showCounter();
    showProgress(false);
    Memo1->clear();
}

void Tsinav_soru_ekle::showCounter() {
    Label4->setText(QString::number(added_) + QStringLiteral(" Soru Eklendi"));
    Label4->adjustSize();  // the count grows by digits
}

void Tsinav_soru_ekle::showProgress(bool busy) {
    wwDBGrid2->setVisible(!busy);
    Panel1->setVisible(busy);
    if (busy) Panel1->raise();
}

void Tsinav_soru_ekle::log(const QString& line) { Memo1->appendPlainText(line); }

bool Tsinav_soru_ekle::haveRows() const {
    return session_.tsinav.recordCount() > 0 && session_.tgrp.recordCount() > 0 && session_.ADOTable1.recordCount() > 0;
}

Tsinav_soru_ekle::Added Tsinav_soru_ekle::addEntry(const Exam& exam, qint64 rid) {
    namespace sql = storage::sql;
    storage::RecordSet& query = session_.ADOQuery1;
    const auto scalar = [&query](const QString& statement) { return sql::scalar(query, statement, storage::fields::kMri); };
    // One unit, which holds the write lock from its start: no other program
    // can add the question meanwhile, delete it, or take the entry's number.
    Added added = Added::NumberTaken;
    QString unusable;
    storage::atomically(session_.ADOConnection1, [&] {
        if (scalar(sql::examHoldsQuestion(exam.id, rid)) > 0) {
            added = Added::Present;
            return;
        }
        if (scalar(sql::bankHoldsQuestion(rid)) == 0) {
            added = Added::Gone;
            return;
        }
        const qint64 next = storage::nextKey(query, sql::OrderingKey::QqId, &unusable);
        try {
            sql::executeChange(session_.rcins, sql::insertExamEntry(next, exam.id, rid));
            added = Added::Inserted;
        } catch (const storage::KeyTaken&) {
            // The failed insert changed nothing; the unit ends, and the
            // caller reads the number afresh.
        }
    });
    if (!unusable.isEmpty() && session_.firstTimeTold(unusable)) msgbox::warning(QStringLiteral("\r\n") + unusable);
    return added;
}

void Tsinav_soru_ekle::transferStep(const Exam& exam, storage::Batch& batch) {
    storage::RecordSet& question = session_.ADOTable1;
    const QString gone = QStringLiteral("Soru bu arada bankadan silinmiş; aktarılmadı ( ");
    const auto note = [this, &batch](const QString& line) {
        // Said in its turn, after the questions before it are reported.
        batch.run([this, line] { pending_.lines.append(line); });
    };
    // A question the web site deleted before its row was read reads all
    // null; it is no question, and least of all question 0.
    if (question.currentRowGone()) {
        note(gone + QStringLiteral("listede %1. soru )").arg(question.recNo()));
        return;
    }
    const storage::Field ridField = question.field(storage::fields::kRid);
    const QVariant stored = ridField.storedValue();  // a file that cannot be read throws here
    qint64 rid = 0;
    try {
        rid = storage::keyOf(stored, question.name(), storage::fields::kRid);
    } catch (const storage::Error&) {
        note(QStringLiteral("Soru : ") + question.field(storage::fields::kQuestion).asString() +
             QStringLiteral(" ; referans numarası bir tam sayı değil: '") + ridField.asString() +
             QStringLiteral("'. Bu değeri başka bir program yazmış olmalı; soru aktarılmadı."));
        return;
    }
    const QString text = question.field(storage::fields::kQuestion).asString();
    constexpr int kTries = 3;
    numberNotGiven_ = false;
    // The unit reads everything afresh: a batch that is lost runs it again.
    batch.run([this, exam, rid, text, gone] {
        // The number is read afresh at each try; the unit leaves no other
        // program a moment to take it, so a second try is rare and a third
        // means something in the file takes every number given.
        for (int attempt = 1; attempt <= kTries; ++attempt) {
            switch (addEntry(exam, rid)) {
                case Added::Inserted:
                    ++pending_.added;
                    return;
                case Added::Present:
                    pending_.lines.append(exam.name + QStringLiteral(" Sınav Grubunda Bu Soru Mevcut ; Soru : ") + text);
                    return;
                case Added::Gone:
                    pending_.lines.append(gone + QString::number(rid) + QStringLiteral(" )"));
                    return;
                case Added::NumberTaken:
                    break;
            }
        }
        numberNotGiven_ = true;  // the unit wrote nothing
    });
    if (numberNotGiven_)
        throw storage::Error(QStringLiteral("Soru sınava eklenemedi: kayda verilecek numarayı %1 denemede de başka bir "
                                            "program aldı; soru aktarılmadı. Biraz sonra yeniden deneyin.")
                                 .arg(kTries));
}

void Tsinav_soru_ekle::report() {
    // One change of the log per batch, not one per line: each is read out.
    if (!pending_.lines.isEmpty()) log(pending_.lines.join(u'\n'));
    added_ += pending_.added;
    pending_ = {};
}

void Tsinav_soru_ekle::showRun(bool force) {
    if (!force && shown_.isValid() && shown_.elapsed() < 100) return;
    showCounter();
    ProgressBar1->setValue(progress_);
    shown_.start();
}

std::optional<Tsinav_soru_ekle::Exam> Tsinav_soru_ekle::currentExam() {
    storage::RecordSet& exams = session_.tsinav;
    const storage::Field id = exams.field(storage::fields::kId);
    // A new exam whose save was refused has no number yet: entries made for it
    // would belong to no exam at all.
    if (id.isNull()) {
        msgbox::warning(
            QStringLiteral("\r\nSeçili sınav kaydedilmemiş, numarası yok; ona soru aktarılamaz.\r\n"
                           "Sınavı kaydedin ya da başka bir sınav seçin."));
        return std::nullopt;
    }
    return Exam{id.asKey(), exams.field(storage::fields::kGroupName).asString()};
}

void Tsinav_soru_ekle::RzButton2Click() {
    // A group transfer under way reports what it has done before this one.
    storage::commitOpenBatch(session_.ADOConnection1);
    if (!haveRows()) return;
    const std::optional<Exam> exam = currentExam();
    if (!exam) return;
    Memo1->clear();
    const int before = added_;
    {
        storage::Batch batch(
            session_.ADOConnection1, [this] { report(); }, [this] { pending_ = {}; });
        transferStep(*exam, batch);
        batch.commit();
    }
    showCounter();
    if (added_ > before)
        log(QStringLiteral("Soru Aktarıldı ( ") + session_.ADOTable1.field(storage::fields::kRid).asString() +
            QStringLiteral(" )"));
}

void Tsinav_soru_ekle::RzButton1Click() {
    // A group transfer under way reports what it has done before this one,
    // and holds no lock while the question below waits for an answer.
    storage::commitOpenBatch(session_.ADOConnection1);
    if (!haveRows()) return;
    const std::optional<Exam> exam = currentExam();
    if (!exam) return;
    storage::RecordSet& questions = session_.ADOTable1;
    msgbox::Box ask;
    ask.caption = QStringLiteral("Dikkat");
    ask.text = QStringLiteral("\r\n") + session_.tgrp.field(storage::fields::kGroupName).asString() + QStringLiteral(" >> ") +
               exam->name + QStringLiteral("\r\r\n") + QStringLiteral("Aktarılsın mı?");
    ask.icon = msgbox::Icon::Question;
    ask.buttons = {msgbox::Button::Yes, msgbox::Button::No};
    ask.defaultButton = msgbox::Button::Yes;
    ask.escapeButton = msgbox::Button::No;
    ask.owner = this;
    if (msgbox::show(ask) != msgbox::Button::Yes) return;

    showProgress(true);
    ProgressBar1->setMaximum(questions.recordCount());
    progress_ = 0;
    showRun(true);
    Memo1->clear();
    ++runningTransfers_;
    // However the loop ends, the window is usable again: a database error must
    // not leave the question list hidden behind a progress panel. The figures
    // end exact.
    const auto restore = qScopeGuard([this] {
        --runningTransfers_;
        showRun(true);
        showProgress(false);
    });
    // Declared after the guard: whatever ends the loop, what is done is
    // committed and reported before the figures are shown.
    storage::Batch batch(
        session_.ADOConnection1, [this] { report(); }, [this] { pending_ = {}; });
    questions.first();
    // The question current at each turn is transferred: a group chosen
    // meanwhile reloads the list, and the loop goes on from its first
    // question. The exam is the one confirmed above, whatever is chosen since.
    while (questions.active() && !questions.eof()) {
        transferStep(*exam, batch);
        questions.next();
        ++progress_;
        showRun(false);
        QCoreApplication::processEvents();
    }
    batch.commit();
    if (questions.active()) questions.first();
}

void Tsinav_soru_ekle::Label4DblClick() {
    added_ = 0;
    showCounter();
}

bool Tsinav_soru_ekle::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label4 && event->type() == QEvent::MouseButtonDblClick) {
        Label4DblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Tsinav_soru_ekle::done(int result) {
    if (runningTransfers_ > 0) return;
    QDialog::done(result);
}

// Presses that a label or the top strip leave unhandled reach the window too;
// only those that fall on no control at all are on the bare surface.
bool Tsinav_soru_ekle::onBareSurface(const QPoint& pos) const { return childAt(pos) == nullptr; }

// The window's bare surface (seen only while a group transfer hides the
// question list) moves the window, as its title bar does. The platform's move
// needs a pressed button, so a press starts it.
void Tsinav_soru_ekle::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onBareSurface(event->position().toPoint()) && windowHandle() &&
        windowHandle()->startSystemMove())
        return event->accept();
    QDialog::mousePressEvent(event);
}

void Tsinav_soru_ekle::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && onBareSurface(event->position().toPoint()) && windowHandle() &&
        windowHandle()->startSystemMove())
        return event->accept();
    QDialog::mouseMoveEvent(event);
}
