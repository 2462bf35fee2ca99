#include "exams/exam_question_list.h"

#include "exams/frm_soru_detay.h"
#include "grid/datagrid.h"
#include "grid/expandbutton.h"
#include "storage/field_names.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "ui/msgbox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

namespace {
const QString kChoose = QStringLiteral("\r\nSoru Seçiniz...");
}  // namespace

ExamQuestionList::ExamQuestionList(storage::Session& session, grid::DataGrid* examGrid, grid::DataGrid* questionGrid,
                                   std::function<Tsoru_detay*()> detail, QWidget* owner)
    : QObject(owner),
      session_(session),
      examGrid_(examGrid),
      questionGrid_(questionGrid),
      detail_(std::move(detail)),
      owner_(owner) {
    // Inside the exam grid's viewport, the list scrolls with the exam rows.
    questionGrid_->setParent(examGrid_->viewport());
    questionGrid_->hide();
    examGrid_->installEventFilter(this);
    questionGrid_->installEventFilter(this);
    if (grid::ExpandButton* button = examGrid_->expandButton())
        connect(button, &grid::ExpandButton::clicked, this, [this](int row) { msgbox::guard([&] { signClicked(row); }); });
}

void ExamQuestionList::signClicked(int row) {
    if (expanded_ && row == expandedRow_) {
        collapse();
        return;
    }
    // The clicked exam becomes current (which collapses any other), then opens.
    session_.tsinav.setRecNo(row + 1);
    if (session_.tsinav.currentRow() == row) expand();
}

bool ExamQuestionList::examsBrowsing() const { return session_.tsinav.state() == storage::RecordState::Browse; }

// ------------------------------------------------------------- expansion ----

void ExamQuestionList::expand() {
    storage::RecordSet& exams = session_.tsinav;
    if (!exams.active() || exams.isEmpty()) return;
    if (fullHeight_ < 0) fullHeight_ = questionGrid_->height();
    expanded_ = true;
    expandedRow_ = exams.currentRow();
    place();
    questionGrid_->show();
    questionGrid_->raise();
    questionGrid_->setFocus();
}

void ExamQuestionList::collapse() {
    if (!expanded_) return;
    expanded_ = false;
    const bool hadFocus = questionGrid_->hasFocus() || questionGrid_->isAncestorOf(QApplication::focusWidget());
    questionGrid_->hide();
    examGrid_->setRowExtraHeight(-1, 0);
    if (grid::ExpandButton* button = examGrid_->expandButton()) button->setExpandedRow(-1);
    expandedRow_ = -1;
    if (hadFocus && examGrid_->isVisible()) examGrid_->setFocus();
}

// Under the expanded row: the top on the last line of the row's own part
// (where the expand button ends), so that the exam's name stays readable; the
// left 11 pixels right of the sign's left edge; no taller than the rows need.
void ExamQuestionList::place() {
    const int rows = session_.tQuestions.active() ? session_.tQuestions.recordCount() : 0;
    int columns = 0;
    for (int c = 0; c < questionGrid_->columnCount(); ++c) columns += questionGrid_->columnPixelWidth(c);
    const int frame = 2 * questionGrid_->frameWidth();
    // Columns wider than the grid bring a scroll bar that the rows must not lose.
    const int scrollBar =
        columns > questionGrid_->width() - frame ? questionGrid_->horizontalScrollBar()->sizeHint().height() : 0;
    const int needed = questionGrid_->titleHeight() + std::max(rows, 1) * questionGrid_->dataRowHeight() + frame + scrollBar;
    const int height = std::min(fullHeight_, needed);
    questionGrid_->resize(questionGrid_->width(), height);
    if (grid::ExpandButton* button = examGrid_->expandButton()) button->setExpandedRow(expandedRow_);
    examGrid_->setRowExtraHeight(expandedRow_, height - 1);
    examGrid_->scrollToShowRow(expandedRow_);
    const QRect sign = examGrid_->expandButtonRect(expandedRow_);
    const int rowTop = examGrid_->cellRect(expandedRow_, 0).top();
    // One pixel up, so that the list ends where the grown row ends.
    questionGrid_->move(sign.left() + 11, rowTop + examGrid_->dataRowHeight() - 1);
}

void ExamQuestionList::entriesReopened() {
    if (expanded_) place();
}

void ExamQuestionList::examMoved() {
    if (expanded_ && examsBrowsing()) collapse();
}

void ExamQuestionList::examStateChanged() {
    // A post or a cancel of an exam row ends in the browse state.
    if (expanded_ && examsBrowsing()) collapse();
}

bool ExamQuestionList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!(key->modifiers() & Qt::ControlModifier)) return false;
    const bool inIdCell = watched == examGrid_ && examGrid_->columnField(examGrid_->currentColumn()) == u"ID";
    if (key->key() == Qt::Key_Right && inIdCell && !expanded_) {
        msgbox::guard([this] { expand(); });
        return true;
    }
    if (key->key() == Qt::Key_Left && expanded_ && (inIdCell || watched == questionGrid_)) {
        collapse();
        // Back in the exam's ID cell, where Ctrl+Right opens the list again.
        int idColumn = -1;
        if (examGrid_->expandButton(&idColumn) && examGrid_->hasFocus()) examGrid_->setCurrentColumn(idColumn);
        return true;
    }
    return false;
}

// -------------------------------------------------------------- commands ----

void ExamQuestionList::first() {
    if (expanded_) session_.tQuestions.first();
}
void ExamQuestionList::prior() {
    if (expanded_) session_.tQuestions.prior();
}
void ExamQuestionList::next() {
    if (expanded_) session_.tQuestions.next();
}
void ExamQuestionList::last() {
    if (expanded_) session_.tQuestions.last();
}

void ExamQuestionList::moveUp() { swapWithNeighbour(-1); }
void ExamQuestionList::moveDown() { swapWithNeighbour(+1); }

// Exchanges the current entry's place with the one above (-1) or below (+1)
// and stands on the moved entry again.
void ExamQuestionList::swapWithNeighbour(int direction) {
    if (!expanded_) return;
    storage::sql::swapWithNeighbour(session_.tQuestions, session_.ADOQuery2, storage::sql::OrderingKey::QqId, direction);
    place();
}

void ExamQuestionList::remove() {
    storage::RecordSet& entries = session_.tQuestions;
    if (!expanded_) {
        msgbox::warning(kChoose);
        return;
    }
    if (entries.isEmpty()) return;
    if (!msgbox::confirm(owner_, QStringLiteral("\r\nAktif soru Aktif Sınavdan Kaldırılacak. işleme devam edilsin mi?"))) return;
    const qint64 entry = entries.field(storage::fields::kQqId).asKey();
    storage::sql::executeChange(session_.ADOQuery2, storage::sql::deleteExamEntry(entry));
    entries.close();
    entries.open();
    place();
    if (afterRemove) afterRemove();
}

void ExamQuestionList::showDetail() {
    storage::RecordSet& entries = session_.tQuestions;
    if (!expanded_) {
        msgbox::warning(kChoose);
        return;
    }
    if (entries.isEmpty()) return;
    Tsoru_detay* dialog = detail_();
    dialog->fill(entries);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
