#pragma once

#include "grid/columnlist.h"
#include "grid/gridprofile.h"
#include "text/rtf.h"

#include <QAbstractTableModel>
#include <QPointer>

#include <vector>

namespace storage {
class RecordSet;
}

namespace grid {

// The rows of a data grid as an item model: what every cell shows (its text,
// check state and alignment), the titles and the indicator mark. The view,
// its painters and the accessibility tree all read cells here; the model
// reads the record set's rows through the columns the view built, and asks
// no widget but a cell's mapped drop-down box for the text it shows.
//
// It keeps its own row count, so that the view is told of every row the set
// adds or drops; while it announces such a change it answers for the rows
// as they were before it.
class GridModel : public QAbstractTableModel {
public:
    explicit GridModel(QObject* parent = nullptr);

    const GridProfile& profile() const { return profile_; }
    // The view lays its columns out again after either.
    void setProfile(const GridProfile& profile) { profile_ = profile; }
    void setRecordSet(storage::RecordSet* recordSet);
    storage::RecordSet* recordSet() const;

    // New columns: the rows are counted anew and the views reset.
    void setColumns(std::vector<Column> columns);
    const std::vector<Column>& columns() const { return columns_; }
    const Column* column(int c) const;

    // The set's side: open, its rows now, its current row (-1 closed or empty).
    bool active() const;
    int recordCount() const;
    int currentRow() const;

    // --- what a cell shows -------------------------------------------------
    // The field's display text, as stored.
    QString fieldText(int row, int c) const;
    // The text a data cell shows (empty for check-box cells): memos as
    // "(Memo)" unless shown, rich text as plain text where the column has a
    // rich-text control, mapped values as their shown text; a text longer
    // than a cell can show cut with a note (longtext::kCellChars), and of a
    // content too long for a window only the beginning read.
    QString cellText(int row, int c) const;
    // The sign an expand-button cell shows: 0 plus, 1 minus; -1: not such a cell.
    int expandSign(int row, int c) const;
    bool isChecked(int row, int c) const;
    // Numbers to the right, everything else to the left; at the top.
    Qt::Alignment alignment(int c) const;
    // The indicator mark of a row: ">" browsing, "I" editing, "*" inserting.
    QString indicatorText(int row) const;
    // The indicator cell's name in the accessibility tree.
    QString rowHeaderName(int row) const;
    bool isMemo(int c) const;
    // Most characters the cell editor takes for a column.
    int maxLength(int c) const;

    // --- what may change ---------------------------------------------------
    // Tab stops at columns that are neither flagged nor read-only fields.
    bool columnTakesTab(int c) const;
    bool canEditCell(int c) const;
    // Whether a click or Space may toggle a check-box cell of the current row.
    bool canToggle(int c) const;

    // --- the set's notices, as the view passes them on ---------------------
    void resetRows();
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void markChanged(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // The set's row behind a row of the model; -1 for a row the set dropped
    // already, while the model still announces the removal.
    int setRow(int row) const;
    // A memo's rich text as the plain text the grid shows.
    QString memoText(const QString& content) const;
    QString shownText(int row, int c) const;

    GridProfile profile_;
    QPointer<storage::RecordSet> recordSet_;
    std::vector<Column> columns_;
    mutable rtf::PlainTextCache richText_;
    int rows_ = 0;
    int inserting_ = -1;  // the set's new row while its insertion is announced
    int removing_ = -1;   // the dropped row while its removal is announced
};

}  // namespace grid
