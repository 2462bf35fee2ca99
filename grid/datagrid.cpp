#include "grid/datagrid.h"

#include "grid/boxes.h"
#include "grid/columnlist.h"
#include "grid/fieldlink.h"
#include "grid/gridaccessible.h"
#include "grid/gridmodel.h"
#include "grid/gridpainters.h"
#include "grid/keytable.h"
#include "storage/recordset.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

// The view: settings, layout, the overlays (cell editor and cell controls)
// over the current cell, focus, mouse and key dispatch. What cells show is
// the model's (gridmodel.h), how they look the painters' (gridpainters.h),
// what keys and clicks do to the record set in gridcommands.cpp, the
// adopted cell controls in cellcontrols.cpp.
namespace grid {

using storage::RecordSet;
using storage::RecordState;

DataGrid::DataGrid(QWidget* parent)
    : QTableView(parent),
      model_(new GridModel(this)),
      titles_(new TitleHeader(model_, this)),
      indicator_(new IndicatorHeader(model_, this)),
      editor_(new QLineEdit(viewport())) {
    installGridAccessibility();
    setHorizontalHeader(titles_);
    setVerticalHeader(indicator_);
    setModel(model_);
    setItemDelegate(new CellPainter(
        model_, [this](int row, int c) { return highlights(row, c); }, this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    setWordWrap(true);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    setAutoScroll(false);

    editor_->hide();
    editor_->setFrame(false);
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::textEdited, this, [this] { atEntry([&] { editorEdited(); }); });
    titles_->gestureFinished = [this](bool resized, bool moved) { atEntry([&] { titleGestureFinished(resized, moved); }); };
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::focusChanged);
    applyLook();
    rebuildLayout();
}

DataGrid::~DataGrid() {
    // Focus moves while the widget base is torn down must not reach a grid
    // that is already half gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    saveLayoutAtEnd();
    if (recordSet()) recordSet()->removeInputWriters(this);
    // Adopted controls belong to the window that made them.
    for (Adopted& a : adopted_)
        if (a.widget) a.widget->setParent(nullptr), a.widget->deleteLater();
}

// ------------------------------------------------------------ settings ----

const GridProfile& DataGrid::profile() const { return model_->profile(); }

void DataGrid::setProfile(const GridProfile& profile) {
    asSetter([&] {
        model_->setProfile(profile);
        applyLook();
        rebuildLayout();
    });
}

void DataGrid::applyLook() {
    const GridProfile& look = profile();
    setFrameShape(look.Flat ? QFrame::Box : QFrame::StyledPanel);
    setFrameShadow(look.Flat ? QFrame::Plain : QFrame::Sunken);
    setLineWidth(1);
    setFont(look.CellFont);
    editor_->setFont(look.CellFont);
    // The editor keeps one pixel above its line, the painted cell two.
    editor_->setTextMargins(0, cellTextRect(QRect(0, 0, 10, 10)).top() - 1, 0, 0);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, look.GridColor);
    pal.setColor(QPalette::Window, look.GridColor);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    QPalette editorPal = editor_->palette();
    editorPal.setColor(QPalette::Base, look.GridColor);
    editorPal.setColor(QPalette::Text, look.CellFontColor);
    editor_->setPalette(editorPal);
    titles_->setVisible(look.has(dgTitles));
    titles_->setSectionsMovable(look.has(dgColumnResize));
    titles_->setSectionResizeMode(look.has(dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    indicator_->setVisible(look.has(dgIndicator));
    setSelectionBehavior(look.has(dgRowSelect) ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    for (Adopted& a : adopted_)
        if (a.widget) a.widget->setFont(look.CellFont);
}

void DataGrid::setRecordSet(RecordSet* recordSet) {
    asSetter([&] {
        if (RecordSet* old = model_->recordSet()) {
            disconnect(old, nullptr, this, nullptr);
            old->removeInputWriters(this);
        }
        model_->setRecordSet(recordSet);
        if (recordSet) {
            connect(recordSet, &RecordSet::reset, this, [this] { atEntry([&] { setReset(); }); });
            connect(recordSet, &RecordSet::rowInserted, this, [this](int r) { atEntry([&] { setRowInserted(r); }); });
            connect(recordSet, &RecordSet::rowRemoved, this, [this](int r) { atEntry([&] { setRowRemoved(r); }); });
            connect(recordSet, &RecordSet::rowChanged, this, [this](int r) { atEntry([&] { setRowChanged(r); }); });
            connect(recordSet, &RecordSet::currentChanged, this, [this](int, int) { atEntry([&] { setCurrentChanged(); }); });
            connect(recordSet, &RecordSet::stateChanged, this, [this] { atEntry([&] { setStateChanged(); }); });
            // Input that cannot be written must stop the post or move that asked
            // for it, which reports the failure.
            recordSet->addInputWriter(this, [this] { writePending(); });
        }
        FirstFailure failure;
        for (Adopted& a : adopted_)
            if (a.link) failure.run([&] { a.link->bind(recordSet, a.link->fieldName()); });
        failure.run([&] { setReset(); });
        failure.rethrow();
    });
}

RecordSet* DataGrid::recordSet() const { return model_->recordSet(); }

void DataGrid::setSelected(const QStringList& lines) {
    // Every width must convert before anything changes.
    for (const QString& line : lines) ColumnLine(line).widthChars();
    asSetter([&] { rebuildLayout(lines, controlType_); });
}

void DataGrid::setControlType(const QStringList& lines) {
    asSetter([&] { rebuildLayout(selected_, lines); });
}

// -------------------------------------------------------------- layout ----

bool DataGrid::active() const { return model_->active(); }
int DataGrid::rowCount() const { return model_->recordCount(); }
int DataGrid::currentRow() const { return model_->currentRow(); }
const Column* DataGrid::column(int c) const { return model_->column(c); }

int DataGrid::zeroWidth() const { return profile().zeroWidth(); }
int DataGrid::charactersForPixels(int pixels) const { return charsForPixels(pixels, zeroWidth()); }
int DataGrid::dataRowHeight() const { return profile().dataRowHeight(); }
int DataGrid::titleHeight() const { return profile().titleHeight(); }

void DataGrid::rebuildLayout(const QStringList& selected, const QStringList& controlType) {
    QStringList lines = selected;
    std::vector<Column> columns = buildColumns(&lines, controlType, recordSet(), profile());
    const bool dropped = lines != selected;
    selected_ = lines;
    controlType_ = controlType;
    attachControls(columns);

    for (const Column& col : model_->columns())
        if (col.control && col.control->isVisible()) {
            keepFocusFrom(col.control);
            col.control->hide();
        }
    // Text typed and not yet written stays in its cell through the rebuild,
    // and the current cell stays on its field when its column moved.
    const QString currentField = columnField(currentColumn_);
    const bool pending = editorVisible() && editor_->isModified();
    const QString pendingText = editor_->text();
    if (editorVisible()) hideEditor();

    titles_->setLayingOut(true);
    model_->setColumns(std::move(columns));
    verticalHeader()->setDefaultSectionSize(std::max(1, dataRowHeight()));
    applyColumnSizes();
    titles_->setFixedHeight(titleHeight());
    titles_->setLayingOut(false);

    auto holdsCurrentField = [&](int c) { return column(c) && column(c)->field.compare(currentField, Qt::CaseInsensitive) == 0; };
    const int count = columnCount();
    if (!holdsCurrentField(currentColumn_))
        for (int c = 0; c < count; ++c)
            if (holdsCurrentField(c)) {
                currentColumn_ = c;
                break;
            }
    currentColumn_ = count == 0 ? 0 : std::clamp(currentColumn_, 0, count - 1);
    // The new layout stands: whoever keeps the column list hears of a
    // dropped line even when a cell control then fails to show its field.
    FirstFailure failure;
    failure.run([&] {
        QTableView::updateGeometries();
        syncCurrent();
        if (pending && editorVisible() && holdsCurrentField(currentColumn_)) {
            editor_->setText(pendingText);
            editor_->setModified(true);
        }
    });
    if (dropped) emit selectedChanged();
    failure.rethrow();
}

void DataGrid::applyColumnSizes() {
    for (int c = 0; c < columnCount(); ++c) titles_->resizeSection(c, column(c)->pixels);
}

void DataGrid::titleGestureFinished(bool resized, bool moved) {
    std::vector<ShownColumn> shown;
    for (int v = 0; v < titles_->count(); ++v) {
        const int c = titles_->logicalIndex(v);
        shown.push_back({column(c)->line, titles_->sectionSize(c)});
    }
    const QStringList lines = rewrittenLines(selected_, shown, resized, moved, zeroWidth());
    // The header's own order is reset: the column list is the order now.
    titles_->setLayingOut(true);
    for (int v = 0; v < titles_->count(); ++v)
        if (titles_->logicalIndex(v) != v) titles_->moveSection(titles_->visualIndex(v), v);
    titles_->setLayingOut(false);
    rebuildLayout(lines, controlType_);
    emit selectedChanged();
}

// --------------------------------------------------------------- cells ----

int DataGrid::columnCount() const { return model_->columnCount(); }
QString DataGrid::columnField(int c) const { return column(c) ? column(c)->field : QString(); }
QStringList DataGrid::columnTitleLines(int c) const { return column(c) ? column(c)->titleLines : QStringList(); }
int DataGrid::columnPixelWidth(int c) const { return column(c) ? titles_->sectionSize(c) : 0; }
QString DataGrid::cellText(int row, int c) const { return model_->cellText(row, c); }
bool DataGrid::isChecked(int row, int c) const { return model_->isChecked(row, c); }
QColor DataGrid::rowColor(int row) const { return dataRowColor(profile(), row); }

QRect DataGrid::cellRect(int row, int c) const {
    if (row < 0 || row >= model_->rowCount() || !column(c)) return {};
    return visualRect(model_->index(row, c)).intersected(viewport()->rect());
}

// ---------------------------------------------------- current and focus ----

bool DataGrid::isOurs(const QWidget* w) const {
    // A grid placed inside this one (an expanded detail grid) is not ours.
    for (; w; w = w->parentWidget()) {
        if (w == this) return true;
        if (qobject_cast<const DataGrid*>(w)) return false;
    }
    return false;
}

bool DataGrid::focusWithin() const { return isOurs(QApplication::focusWidget()); }

void DataGrid::keepFocusFrom(QWidget* leaving) {
    // The window's focus, not only the application's: while a box or another
    // window is active, the window still remembers a control as the one to
    // give the focus back to. Hidden, that control would hand it to the first
    // control of the window (a toolbar button) when the window comes back.
    QWidget* remembered = window()->focusWidget();
    if (remembered && (remembered == leaving || leaving->isAncestorOf(remembered))) setFocus();
}

bool DataGrid::showsSelection() const { return profile().has(dgAlwaysShowSelection) || focusWithin(); }

bool DataGrid::highlights(int row, int c) const {
    return row == currentRow() && showsSelection() && (profile().has(dgRowSelect) || c == currentColumn_);
}

void DataGrid::setCurrentColumn(int c) {
    asSetter([&] { selectColumn(c); });
}

void DataGrid::writeTypedText() {
    asSetter([&] { writePending(); });
}

DataGrid::ViewHold::ViewHold(DataGrid& grid) : grid_(grid) { ++grid_.viewHolds_; }

DataGrid::ViewHold::~ViewHold() {
    if (--grid_.viewHolds_ > 0 || !grid_.viewDue_) return;
    grid_.viewDue_ = false;
    atEntry([&] {
        grid_.QTableView::updateGeometries();
        grid_.syncCurrent();
    });
}

void DataGrid::syncCurrent() {
    if (viewHolds_ > 0) {
        viewDue_ = true;
        return;
    }
    const int row = currentRow();
    if (row >= 0 && row < model_->rowCount() && columnCount() > 0) {
        const QModelIndex index = model_->index(row, currentColumn_);
        const bool rows = profile().has(dgRowSelect);
        selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | (rows ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
        // Whole rows: keep the horizontal position, bring the row into view.
        const int h = horizontalScrollBar()->value();
        scrollTo(index);
        if (rows) horizontalScrollBar()->setValue(h);
    } else {
        selectionModel()->clear();
    }
    placeOverlays();
    updateIndicator();
    viewport()->update();
}

void DataGrid::updateIndicator() {
    if (indicator_->isVisible()) indicator_->viewport()->update();
    // The mark left one row and went to another (or changed its look).
    model_->markChanged(markedRow_);
    markedRow_ = currentRow();
    model_->markChanged(markedRow_);
}

bool DataGrid::editorVisible() const { return editor_->isVisible(); }

QRect DataGrid::overlayRect(const QRect& cell) const {
    return cell.adjusted(0, 0, profile().has(dgColLines) ? -1 : 0, profile().has(dgRowLines) ? -1 : 0);
}

void DataGrid::placeOverlays() {
    if (viewHolds_ > 0) {
        viewDue_ = true;
        return;
    }
    const int row = currentRow();
    const auto* col = column(currentColumn_);
    const bool hasCell = row >= 0 && row < model_->rowCount() && col;
    const bool focused = focusWithin();
    const QRect rect = hasCell ? visualRect(model_->index(row, currentColumn_)) : QRect();

    // Cell controls: over the current cell while the grid has the focus.
    for (const Column& c : model_->columns()) {
        if (!c.control) continue;
        const bool want = hasCell && &c == col && focused && profile().editsCells();
        if (want) {
            c.control->setGeometry(overlayRect(rect));
            if (!c.control->isVisible()) {
                if (c.link) {
                    c.link->setReadOnly(!model_->canEditCell(currentColumn_));
                    c.link->reload();
                }
                c.control->show();
                c.control->raise();
                // Like the cell editor, the control starts with its whole text selected.
                if (QLineEdit* line = lineEditOf(c.control)) line->selectAll();
                if (profile().has(dgAlwaysShowEditor) && window()->isActiveWindow()) c.control->setFocus();
            }
        } else if (c.control->isVisible()) {
            keepFocusFrom(c.control);
            c.control->hide();
        }
    }

    const bool plain = hasCell && !col->checkBox && !col->control && !model_->isMemo(currentColumn_);
    const bool wantEditor =
        plain && model_->canEditCell(currentColumn_) && (profile().has(dgAlwaysShowEditor) ? focused : editing_);
    if (wantEditor) {
        editor_->setGeometry(overlayRect(rect));
        // An editor left open by a grid that always shows it still holds the
        // cell it came from; the new cell's field, text and size replace it.
        if (!editor_->isVisible() || editorColumn_ != currentColumn_) {
            loadEditor();
            editor_->setAccessibleName(col->caption());
            editor_->show();
        }
        if (focused && !editor_->hasFocus()) editor_->setFocus();
    } else if (editor_->isVisible()) {
        hideEditor();
    }
}

void DataGrid::focusChanged(QWidget* old, QWidget* now) {
    const bool wasOurs = isOurs(old), isOursNow = isOurs(now);
    if (wasOurs == isOursNow) return;
    viewport()->update();
    if (isOursNow) return atEntry([&] { placeOverlays(); });
    if (!now || now->window() != window()) {
        // Focus going to a message box or another window is not leaving the
        // grid: the row and the editor stay as they are. But the window may be
        // closed from there (its close box, the program's end), so what was
        // typed reaches the field now. Text the field refuses stays pending,
        // without a box: the user did not ask for it to be written, and the
        // refusal shows when the grid itself moves on. A cell control's own
        // popup is no other window.
        if (now && now->window()->windowType() == Qt::Popup) return;
        try {
            writePending();
        } catch (const std::exception&) {
        }
        return;
    }
    atEntry([&] { leaveGrid(); });
}

void DataGrid::focusInEvent(QFocusEvent* event) {
    // Not the item view's: it would pick a current index of its own.
    QAbstractScrollArea::focusInEvent(event);
    if (!hidingEditor_) atEntry([&] { placeOverlays(); });
    viewport()->update();
}

void DataGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (!adoptedOnce_) atEntry([&] { adoptControls(); });
    loadLayoutOnFirstShow();
}

void DataGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    atEntry([&] { placeOverlays(); });
}

void DataGrid::updateGeometries() {
    if (viewHolds_ > 0) {
        viewDue_ = true;
        return;
    }
    QTableView::updateGeometries();
    atEntry([&] { placeOverlays(); });
}

// ---------------------------------------------------- record set events ----

void DataGrid::setReset() {
    editing_ = false;
    // The rows were read anew (or dropped): nothing typed belongs to them.
    editor_->setModified(false);
    rebuildLayout();
}

void DataGrid::setRowInserted(int row) { model_->rowInserted(row); }
void DataGrid::setRowRemoved(int row) { model_->rowRemoved(row); }

void DataGrid::setRowChanged(int row) {
    model_->rowChanged(row);
    if (row == currentRow() && editorVisible() && !editor_->isModified()) loadEditor();
}

void DataGrid::setCurrentChanged() {
    if (!profile().has(dgAlwaysShowEditor)) editing_ = false;
    if (editorVisible()) loadEditor();
    syncCurrent();
}

void DataGrid::setStateChanged() {
    const RecordState state = recordSet() ? recordSet()->state() : RecordState::Inactive;
    if ((state == RecordState::Browse || state == RecordState::Inactive) && editorVisible()) loadEditor();
    updateIndicator();
    placeOverlays();
}

// ---------------------------------------------------------------- mouse ----

void DataGrid::mousePressEvent(QMouseEvent* event) {
    if (!hasFocus() && !focusWithin()) setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    atEntry([&] {
        if (clickExpandSign(event->position().toPoint())) return;
        const QModelIndex index = indexAt(event->position().toPoint());
        const QPoint cell(index.column(), index.row());
        const bool secondClick =
            cell == lastPressCell_ && event->timestamp() - lastPressTime_ < quint64(QApplication::doubleClickInterval());
        lastPressTime_ = event->timestamp();
        lastPressCell_ = cell;
        if (!index.isValid()) return;
        const bool sameCell = index.row() == currentRow() && index.column() == currentColumn_;
        // Dropping an unchanged new row above the clicked one moves that row up by one.
        const int row = goToRow(index.row());
        if (row < 0 || currentRow() != row) return;
        selectColumn(index.column());
        const auto* col = column(index.column());
        if (!col) return;
        if (col->checkBox) {
            if (profile().has(ecoCheckboxSingleClick) && !secondClick) toggleCheckBox(index.column());
        } else if (sameCell && !col->control) {
            // A click on the current cell opens its editor.
            if (model_->canEditCell(currentColumn_)) showEditor();
        }
    });
}

void DataGrid::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void DataGrid::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void DataGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    atEntry([&] {
        emit dblClicked();
        const QModelIndex index = indexAt(event->position().toPoint());
        if (!index.isValid() || index.row() != currentRow() || index.column() != currentColumn_) return;
        // With single-click toggling the first click toggled already.
        if (column(index.column())->checkBox && !profile().has(ecoCheckboxSingleClick)) toggleCheckBox(index.column());
    });
}

bool DataGrid::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.isValid() && profile().has(dgShowCellHint) ? cellText(index.row(), index.column()) : QString();
    const QRect cell = visualRect(index);
    const QRect inner = cellTextRect(cell);
    const QRect needed = QFontMetrics(profile().CellFont).boundingRect(inner, cellWrapFlag(profile()) | int(Qt::AlignLeft), text);
    if (!text.isEmpty() && (needed.height() > inner.height() || needed.width() > inner.width()))
        QToolTip::showText(help->globalPos(), text, viewport(), cell);
    else
        QToolTip::hideText();
    return true;
}

// ----------------------------------------------------------------- keys ----

bool DataGrid::focusNextPrevChild(bool next) {
    if (profile().has(dgTabs) && isVisible() && isEnabled()) {
        atEntry([&] { tab(next); });
        return true;
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    // A key whose command failed was dealt with: its failure has been shown,
    // and it must not travel on and run again elsewhere.
    bool handled = true;
    atEntry([&] { handled = handleKey(event, this); });
    event->setAccepted(handled);
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QTableView::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* holder = qobject_cast<QWidget*>(watched);
    const bool ours = holder && (holder == editor_ || holder->parentWidget() == viewport());
    const KeyHolder kind = holder == editor_ ? KeyHolder::CellEditor : holderKind(holder);
    if (!ours || !handsBackToGrid(key, holder, kind, profile().has(dgEnterToTab))) return QTableView::eventFilter(watched, event);
    bool handled = true;  // as in keyPressEvent
    atEntry([&] { handled = handleKey(key, holder); });
    return handled;
}

bool DataGrid::handleKey(QKeyEvent* e, QWidget* from) {
    const auto mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;
    const bool rowSelect = profile().has(dgRowSelect);
    const int last = columnCount() - 1;
    // Of each pair of moving keys below, the second goes forward (down, right, to the end).
    const int key = e->key();
    const bool forward = key == Qt::Key_Down || key == Qt::Key_Right || key == Qt::Key_End || key == Qt::Key_PageDown;
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (ctrl || alt) return false;
            tab(key == Qt::Key_Tab && !shift);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (ctrl || alt) return false;
            if (profile().has(dgEnterToTab))
                tab(!shift);
            else
                enterKey();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            // Alt+Down opens the list of the cell's control.
            if (alt) return forward && passToControl(e, from);
            if (ctrl)
                goToRow(forward ? bottomRow() : topRow());
            else
                forward ? rowDown() : rowUp();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (alt) return false;
            if (ctrl)
                selectColumn(forward ? last : 0);
            else if (rowSelect)
                forward ? rowDown() : rowUp();
            else
                selectColumn(currentColumn_ + (forward ? 1 : -1));
            return true;
        case Qt::Key_Home:
        case Qt::Key_End:
            if (alt) return false;
            if (ctrl || rowSelect)
                goToRow(forward ? rowCount() - 1 : 0);
            else
                selectColumn(forward ? last : 0);
            return true;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (alt) return false;
            if (ctrl)
                goToRow(forward ? bottomRow() : topRow());
            else
                moveRows(forward ? visibleRowCount() : -visibleRowCount());
            return true;
        case Qt::Key_Insert:
            if (ctrl || alt || shift) return false;
            insertRow();
            return true;
        case Qt::Key_Delete:
            if (!ctrl) return false;
            deleteRow();
            return true;
        case Qt::Key_Escape:
            escape();
            return true;
        case Qt::Key_F2:
            if (from == this) f2Key();
            return true;
        default:
            return typeInto(e);
    }
}

}  // namespace grid
