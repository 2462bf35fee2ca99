#include "grid/datagrid.h"

#include "grid/boxes.h"
#include "grid/columnlist.h"
#include "grid/expandbutton.h"
#include "grid/fieldlink.h"
#include "grid/gridmodel.h"
#include "storage/recordset.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>

#include <algorithm>

// What the grid's keys and clicks do: the cell editor, and the moves, appends,
// inserts, deletes and cancels they make through the record set. The view
// (datagrid.cpp) dispatches to them from its event handlers, which show
// their failures.
namespace grid {

using storage::RecordState;

// -------------------------------------------------------------- editor ----

void DataGrid::loadEditor() {
    if (!column(currentColumn_) || currentRow() < 0) return;
    editor_->setMaxLength(model_->maxLength(currentColumn_));
    // The text stays where the cell showed it: at the top, on the cell's side.
    editor_->setAlignment(model_->alignment(currentColumn_));
    editor_->setText(model_->fieldText(currentRow(), currentColumn_));
    editorColumn_ = currentColumn_;
    editor_->setModified(false);
    editor_->selectAll();
}

void DataGrid::showEditor(const QString* typed) {
    if (!model_->canEditCell(currentColumn_)) return;
    editing_ = true;
    placeOverlays();
    if (!editorVisible()) return;
    if (typed) {
        editor_->setText(*typed);
        editor_->setModified(true);
    }
    editor_->setFocus();
}

void DataGrid::hideEditor() {
    // The focus comes back to the grid without the editor being placed
    // again: an editor hidden while it has the focus would hand it on to the
    // next control, which for this grid is a Tab (a move, a post, an append).
    if (editor_->hasFocus()) {
        const QScopedValueRollback<bool> hiding(hidingEditor_, true);
        setFocus();
    }
    keepFocusFrom(editor_);
    editor_->hide();
}

void DataGrid::editorEdited() {
    // Typing puts the row into edit state.
    if (!active() || !model_->canEditCell(currentColumn_)) {
        loadEditor();
        return;
    }
    if (recordSet()->state() == RecordState::Browse) {
        const QString text = editor_->text();
        recordSet()->edit();
        editor_->setText(text);
        editor_->setModified(true);
    }
}

void DataGrid::writePending() {
    if (!active()) return;
    const auto* col = column(currentColumn_);
    if (!col) return;
    if (col->link && col->link->modified()) col->link->store();
    if (editorVisible() && editor_->isModified() && model_->canEditCell(currentColumn_)) {
        editor_->setModified(false);
        try {
            recordSet()->edit();
            recordSet()->field(col->fieldIndex).setAsString(editor_->text());
        } catch (...) {
            editor_->setModified(true);  // still pending: nothing was written
            throw;
        }
    }
}

// ---------------------------------------------------------- cell keys ----

bool DataGrid::typeInto(QKeyEvent* e) {
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    const QString text = e->text();
    if (text.isEmpty() || !text.at(0).isPrint()) return false;
    const auto* col = column(currentColumn_);
    if (!col) return true;
    if (col->checkBox) {
        // The toggle rules decide, an empty set included.
        if (text == QLatin1String(" ")) toggleCheckBox(currentColumn_);
        return true;
    }
    const bool editable = model_->canEditCell(currentColumn_);
    // An empty set: typing starts the first row where the grid may insert.
    if (currentRow() < 0 && (!active() || rowCount() > 0 || !mayInsert() || !editable)) return true;
    if (col->control) {
        passToControl(e, this);
        return true;
    }
    if (!editable || model_->isMemo(currentColumn_)) return true;
    writePending();
    recordSet()->edit();
    showEditor(&text);
    return true;
}

void DataGrid::enterKey() {
    if (!editorVisible()) return f2Key();
    writePending();
    if (!profile().has(dgAlwaysShowEditor)) {
        editing_ = false;
        placeOverlays();
    }
}

void DataGrid::f2Key() {
    const auto* col = column(currentColumn_);
    if (!col || currentRow() < 0 || !model_->canEditCell(currentColumn_) || col->checkBox) return;
    if (col->control) {
        if (col->control->isVisible() && col->controlKind == ControlLine::Kind::CustomEdit) col->control->setFocus();
        return;
    }
    if (model_->isMemo(currentColumn_)) return;
    showEditor();
}

void DataGrid::toggleCheckBox(int c) {
    if (!model_->canToggle(c)) return;
    const auto* col = column(c);
    const bool checked = rowCount() > 0 && isChecked(currentRow(), c);
    // Taken before edit, which starts a row in an empty set and runs its hooks.
    const int field = col->fieldIndex;
    const QString value = checked ? col->uncheckedValue : col->checkedValue;
    recordSet()->edit();
    recordSet()->field(field).setAsString(value);
}

void DataGrid::actOnCell(int row, int c, CellAction action) {
    atEntry([&] {
        if (!focusWithin()) setFocus(Qt::OtherFocusReason);
        const int landed = goToRow(row);
        if (landed < 0 || currentRow() != landed || !column(c)) return;
        selectColumn(c);
        if (action == CellAction::Toggle && column(c)->checkBox) toggleCheckBox(c);
        if (action == CellAction::Press && model_->expandSign(landed, c) >= 0) emit expandButton()->clicked(landed);
    });
}

// --------------------------------------------------------------- moves ----

void DataGrid::selectColumn(int c) {
    if (columnCount() == 0) return;
    c = std::clamp(c, 0, columnCount() - 1);
    if (c == currentColumn_) return;
    // Text that cannot be written keeps its cell.
    writePending();
    currentColumn_ = c;
    if (!profile().has(dgAlwaysShowEditor)) editing_ = false;
    syncCurrent();
}

int DataGrid::goToRow(int target) {
    if (!active() || rowCount() == 0) return -1;
    writePending();
    target = std::clamp(target, 0, rowCount() - 1);
    const int current = currentRow();
    if (target == current) return target;
    const RecordState state = recordSet()->state();
    if (state == RecordState::Edit || state == RecordState::Insert) {
        // The move posts a changed row (its rule may refuse) and drops an
        // unchanged new one, which shifts the rows below it up by one.
        const bool dropping = state == RecordState::Insert && !recordSet()->modified();
        recordSet()->checkBrowseMode();
        if (dropping && target > current) --target;
    }
    recordSet()->moveBy(target - recordSet()->currentRow());
    return target;
}

void DataGrid::moveRows(int distance) {
    if (!active() || rowCount() == 0) return;
    goToRow(std::clamp(currentRow() + distance, 0, rowCount() - 1));
}

void DataGrid::rowDown() {
    if (!active()) return;
    writePending();
    const int n = rowCount(), r = currentRow();
    if (recordSet()->state() == RecordState::Insert && !recordSet()->modified()) {
        // An unchanged new row: nothing below it to go to when it is the last,
        // otherwise dropping it makes the row below current.
        if (r < n - 1) recordSet()->cancel();
        return;
    }
    if (r >= n - 1) {
        if (mayInsert()) recordSet()->append();
        return;
    }
    recordSet()->next();
}

void DataGrid::rowUp() {
    if (!active()) return;
    writePending();
    const int n = rowCount(), r = currentRow();
    // An unchanged new row that is the last is dropped; the row above it is current then.
    if (recordSet()->state() == RecordState::Insert && !recordSet()->modified() && r == n - 1)
        recordSet()->cancel();
    else
        recordSet()->prior();
}

void DataGrid::tab(bool forward) {
    if (columnCount() == 0) return;
    writePending();
    std::vector<int> stops;
    for (int c = 0; c < columnCount(); ++c)
        if (model_->columnTakesTab(c)) stops.push_back(c);
    if (stops.empty()) return;
    if (forward) {
        auto next = std::upper_bound(stops.begin(), stops.end(), currentColumn_);
        if (next != stops.end()) return selectColumn(*next);
        rowDown();
        selectColumn(stops.front());
    } else {
        auto prev = std::lower_bound(stops.begin(), stops.end(), currentColumn_);
        if (prev != stops.begin()) return selectColumn(*(prev - 1));
        rowUp();
        selectColumn(stops.back());
    }
}

int DataGrid::topRow() const {
    int row = rowAt(0);
    if (row < 0) return 0;
    // Scrolled to the end, the view puts the last row at the bottom and the
    // top row partly out of sight: that row is not shown.
    if (rowViewportPosition(row) < 0 && row + 1 < rowCount() && rowViewportPosition(row + 1) < viewport()->height()) ++row;
    return row;
}

int DataGrid::bottomRow() const {
    // The last row shown whole; the row partly shown at the bottom does not count.
    const int h = viewport()->height();
    int row = rowAt(h - 1);
    if (row < 0) return rowCount() - 1;
    if (rowViewportPosition(row) + rowHeight(row) > h && row > topRow()) --row;
    return row;
}

int DataGrid::visibleRowCount() const { return std::max(1, bottomRow() - topRow() + 1); }

// ---------------------------------------------------------------- rows ----

bool DataGrid::mayInsert() const {
    return profile().has(dgEditing) && profile().has(dgAllowInsert) && !profile().ReadOnly && active() &&
           recordSet()->canModify();
}

void DataGrid::insertRow() {
    if (!mayInsert()) return;
    writePending();
    recordSet()->insert();
}

void DataGrid::deleteRow() {
    const GridProfile& p = profile();
    if (!p.has(dgAllowDelete) || !p.has(dgEditing) || p.ReadOnly || !active() || !recordSet()->canModify() || rowCount() == 0)
        return;
    if (p.has(dgConfirmDelete)) {
        if (!confirmDelete(window())) return;
        // The question's event loop may have closed or emptied the set.
        if (!active() || rowCount() == 0) return;
    }
    editor_->setModified(false);
    recordSet()->remove();
    if (!profile().has(dgAlwaysShowEditor)) editing_ = false;
    placeOverlays();
}

void DataGrid::escape() {
    const auto* col = column(currentColumn_);
    const RecordState state = active() ? recordSet()->state() : RecordState::Inactive;
    if (editorVisible() && editor_->isModified()) {
        loadEditor();
    } else if (col && col->link && col->link->modified()) {
        col->link->reload();
    } else if (state == RecordState::Edit || state == RecordState::Insert) {
        // The question's event loop may have closed the set.
        if (!recordSet()->modified() || (confirmDiscard(window()) && active())) recordSet()->cancel();
    }
    if (!profile().has(dgAlwaysShowEditor)) {
        editing_ = false;
        placeOverlays();
    }
}

void DataGrid::leaveGrid() {
    if (active()) {
        const bool pendingInEditor = editorVisible() && editor_->isModified();
        const auto* col = column(currentColumn_);
        const bool pendingInControl = col && col->link && col->link->modified();
        if (profile().has(dgCancelOnExit) && recordSet()->state() == RecordState::Insert && !recordSet()->modified() &&
            !pendingInEditor && !pendingInControl) {
            recordSet()->cancel();
        } else {
            writePending();
        }
    }
    if (!profile().has(dgAlwaysShowEditor)) editing_ = false;
    placeOverlays();
}

}  // namespace grid
