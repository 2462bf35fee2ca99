#include "grid/datagrid.h"

#include "grid/boxes.h"
#include "grid/columnlist.h"
#include "grid/expandbutton.h"
#include "grid/fieldlink.h"
#include "grid/gridmodel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>

// Cell controls: widgets of the grid's window that "CustomEdit" and
// "RichEdit" lines name, adopted by the grid to edit the cells of a column
// in place of its own line editor. The view places them over the current
// cell (DataGrid::placeOverlays).
namespace grid {

namespace {

// The widget a control list names in the window: "frame.control" is a
// control inside the widget "frame". The grid itself is never one.
QWidget* findNamed(QWidget* owner, const QString& name, const QWidget* grid) {
    QWidget* scope = owner;
    QWidget* found = nullptr;
    for (const QString& part : name.split(QLatin1Char('.'))) {
        if (!scope) break;
        found = nullptr;
        for (QWidget* w : scope->findChildren<QWidget*>(part))
            if (w != grid) {
                found = w;
                break;
            }
        scope = found;
    }
    return found;
}

}  // namespace

void DataGrid::adoptControls() {
    asSetter([&] {
        adoptedOnce_ = true;
        QWidget* owner = window();
        FirstFailure failure;
        for (const QString& text : controlType_) {
            const ControlLine line = ControlLine::parse(text);
            if (line.kind != ControlLine::Kind::CustomEdit && line.kind != ControlLine::Kind::RichEdit) continue;
            QWidget* found = findNamed(owner, line.first, this);
            if (!found) continue;
            auto existing = std::find_if(adopted_.begin(), adopted_.end(), [&](const Adopted& a) { return a.widget == found; });
            if (existing == adopted_.end()) {
                Adopted a;
                a.name = line.first;
                a.widget = found;
                a.link = found->findChild<FieldLink*>(QString(), Qt::FindDirectChildrenOnly);
                if (!a.link && !qobject_cast<ExpandButton*>(found)) a.link = FieldLink::forWidget(found);
                adopted_.push_back(a);
                existing = adopted_.end() - 1;
            }
            found->hide();
            found->setParent(viewport());
            found->setFont(profile().CellFont);
            if (auto* frame = qobject_cast<QFrame*>(found)) frame->setFrameShape(QFrame::NoFrame);
            if (auto* combo = qobject_cast<QComboBox*>(found)) combo->setFrame(false);
            if (auto* edit = qobject_cast<QLineEdit*>(found)) edit->setFrame(false);
            found->installEventFilter(this);
            // An expand button shows signs, not its field: nothing to bind.
            if (auto* button = qobject_cast<ExpandButton*>(found)) {
                connect(button, &ExpandButton::changed, viewport(), qOverload<>(&QWidget::update), Qt::UniqueConnection);
                continue;
            }
            if (FieldLink* link = existing->link) failure.run([&] { link->bind(recordSet(), line.field); });
        }
        failure.run([&] { rebuildLayout(); });
        failure.rethrow();
    });
}

void DataGrid::attachControls(std::vector<Column>& columns) {
    for (Column& col : columns) {
        if (col.controlKind == ControlLine::Kind::None) continue;
        for (Adopted& a : adopted_)
            if (a.widget && a.name.compare(col.controlName, Qt::CaseInsensitive) == 0) {
                col.control = a.widget;
                col.link = a.link;
                // Known to assistive technology by the caption of its column:
                // as its name, and as its label, which is where a screen reader
                // on Linux looks for a drop-down box's caption (its name there
                // is the item it shows).
                if (a.widget->accessibleName().isEmpty()) a.widget->setAccessibleName(col.caption());
                if (!a.caption) {
                    a.caption = new QLabel(viewport());
                    a.caption->hide();
                    a.caption->setBuddy(a.widget);
                }
                a.caption->setText(a.widget->accessibleName());
                break;
            }
    }
}

ExpandButton* DataGrid::expandButton(int* columnOut) const {
    for (int c = 0; c < columnCount(); ++c)
        if (auto* button = qobject_cast<ExpandButton*>(cellControl(c))) {
            if (columnOut) *columnOut = c;
            return button;
        }
    return nullptr;
}

QRect DataGrid::expandButtonRect(int row) const {
    int c = -1;
    if (!expandButton(&c)) return {};
    const QRect cell = cellRect(row, c);
    return cell.isEmpty() ? QRect() : ExpandButton::signRect(cell, dataRowHeight());
}

bool DataGrid::clickExpandSign(const QPoint& pos) {
    int c = -1;
    ExpandButton* button = expandButton(&c);
    if (!button) return false;
    const QModelIndex index = indexAt(pos);
    if (!index.isValid() || index.column() != c) return false;
    // A little slack around the small square.
    if (!expandButtonRect(index.row()).adjusted(-2, -2, 2, 2).contains(pos)) return false;
    emit button->clicked(index.row());
    return true;
}

void DataGrid::setRowExtraHeight(int row, int pixels) {
    QHeaderView* rows = verticalHeader();
    if (extraRow_ >= 0 && extraRow_ < rows->count()) rows->resizeSection(extraRow_, dataRowHeight());
    extraRow_ = row;
    if (row >= 0 && row < rows->count()) rows->resizeSection(row, dataRowHeight() + std::max(0, pixels));
}

void DataGrid::scrollToShowRow(int row) {
    // A row made taller just now changes the scroll range only when the
    // view lays itself out; read the range after that.
    updateGeometries();
    QScrollBar* bar = verticalScrollBar();
    // Rows scroll whole: scroll up one row at a time while the row's bottom is
    // out of sight and the row is not yet at the top.
    while (rowViewportPosition(row) > 0 && rowViewportPosition(row) + rowHeight(row) > viewport()->height() &&
           bar->value() < bar->maximum())
        bar->setValue(bar->value() + 1);
}

QWidget* DataGrid::cellControl(int c) const {
    const auto* col = column(c);
    return col ? col->control.data() : nullptr;
}

bool DataGrid::passToControl(QKeyEvent* e, QWidget* from) {
    const auto* col = column(currentColumn_);
    if (!col || !col->control || !col->control->isVisible() || from == col->control) return false;
    col->control->setFocus();
    QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text());
    QCoreApplication::sendEvent(col->control, &copy);
    return true;
}

}  // namespace grid
