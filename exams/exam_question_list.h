#pragma once

#include <QObject>

#include <functional>

class QWidget;
class Tsoru_detay;

namespace grid {
class DataGrid;
}
namespace storage {
class Session;
}

// The question list of the current exam: the exam question grid that opens
// inside the exam grid, under the current exam's row, and the commands of the
// exam tab that browse, reorder, remove and show its entries. Only the current
// exam can be expanded; every change of the current exam, every post or
// cancel of an exam row and every reopening of the exams collapses it, once
// the exam set is back in its browse state.
class ExamQuestionList : public QObject {
    Q_OBJECT
public:
    // examGrid shows the exams, questionGrid (a child of examGrid) the
    // entries; detail gives the detail dialog when it is first needed.
    ExamQuestionList(storage::Session& session, grid::DataGrid* examGrid, grid::DataGrid* questionGrid,
                     std::function<Tsoru_detay*()> detail, QWidget* owner);

    bool isExpanded() const { return expanded_; }
    // Expands the current exam; collapses.
    void expand();
    void collapse();

    // --- commands (collapsed: browsing and moves do nothing; removal and the
    // detail say "Soru Seçiniz") -------------------------------------------
    void first();
    void prior();
    void next();
    void last();
    void moveUp();
    void moveDown();
    void remove();  // asks first; the bank question stays
    void showDetail();

    // --- what the exam set tells it (the main window's hooks) -------------
    // The current exam changed, or the exams were reopened.
    void examMoved();
    // The exam set's state changed (a post or cancel ends an edit).
    void examStateChanged();
    // The entries were read anew by a command outside the list (the add
    // window's close): an expanded list is fitted to its rows again.
    void entriesReopened();

    // Called with every change of the entry count, so that the caption follows.
    std::function<void()> afterRemove;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool examsBrowsing() const;
    void signClicked(int row);
    void place();
    void swapWithNeighbour(int direction);

    storage::Session& session_;
    grid::DataGrid* examGrid_;
    grid::DataGrid* questionGrid_;
    std::function<Tsoru_detay*()> detail_;
    QWidget* owner_;
    bool expanded_ = false;
    int fullHeight_ = -1;  // the grid's height at its first expansion
    int expandedRow_ = -1;
};
