#include "grid/gridaccessible.h"

#include "grid/datagrid.h"
#include "grid/gridmodel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QWindow>

// The grid in the accessibility tree. Qt's own table interface for item views
// leaves the editor of a cell out and reports every cell as a plain cell, so
// the grid has its own, built on the public interfaces only:
//
//   table (the grid)
//     corner, column titles          row 0 of Qt's numbering
//     row header, cells              one row each
//     ...
//     filler (the viewport)          only while something shows in it:
//       the line editor, or the cell control over the current cell,
//       or a grid the window shows under an expanded row
//
// The numbering of the first part is the one the item view uses in its focus
// and selection notices, (row + 1) x (columns + 1) + column + 1, so those
// notices find the cells here. The editor and the cell controls keep the
// interfaces Qt (or the program) gives their widgets, with their text and
// value; their parent is the viewport, whose filler leads up to the table.
namespace grid {

namespace {

const char kViewportName[] = "qt_scrollarea_viewport";

// The widgets shown in the grid's viewport: the editor or cell control of
// the current cell, a grid shown under an expanded row (the grid draws
// everything else itself).
QWidgetList shownOverlays(const QWidget* viewport) {
    QWidgetList shown;
    for (QObject* child : viewport->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow() && !w->isHidden()) shown << w;
    return shown;
}

// The grid's model while it stands: none once the grid is being torn down,
// when notices may still ask the tree.
const GridModel* modelOf(const DataGrid* grid) { return grid ? dynamic_cast<const GridModel*>(grid->model()) : nullptr; }

// A part of the table that the grid draws: a cell, a header cell or the
// corner. Row -1 is the titles' row, column -1 the indicator's column.
class GridPart : public QAccessibleInterface {
public:
    GridPart(DataGrid* grid, int row, int column) : grid_(grid), row_(row), column_(column) {}

    bool isValid() const override {
        const GridModel* m = modelOf(grid_);
        return m && row_ < m->rowCount() && column_ < m->columnCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(grid_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

    const DataGrid* grid() const { return grid_.data(); }
    int row() const { return row_; }
    int column() const { return column_; }

protected:
    // Only once isValid() said so.
    const GridModel& model() const { return *modelOf(grid_); }

    QPointer<DataGrid> grid_;
    const int row_;
    const int column_;
};

QAccessibleInterface* partOf(const DataGrid* grid, int row, int column);

// A data cell. A check-box cell is a check box named by its column, ticked
// as its field says; an expand sign says whether its row is expanded.
class CellPart : public GridPart, public QAccessibleTableCellInterface, public QAccessibleActionInterface {
public:
    using GridPart::GridPart;

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QAccessible::Role role() const override { return isCheckBox() ? QAccessible::CheckBox : QAccessible::Cell; }

    QString text(QAccessible::Text t) const override {
        const QModelIndex i = index();
        if (!i.isValid()) return {};
        if (t == QAccessible::Name) {
            const QString name = i.data(Qt::AccessibleTextRole).toString();
            return name.isEmpty() ? i.data(Qt::DisplayRole).toString() : name;
        }
        if (t == QAccessible::Description) return i.data(Qt::AccessibleDescriptionRole).toString();
        return {};
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        const QModelIndex i = index();
        if (!i.isValid()) {
            s.invalid = true;
            return s;
        }
        if (!grid_->isVisible() || !grid_->visualRect(i).intersects(grid_->viewport()->rect())) s.invisible = true;
        const Qt::ItemFlags flags = model().flags(i);
        s.selectable = s.focusable = flags.testFlag(Qt::ItemIsSelectable);
        s.selected = grid_->selectionModel()->isSelected(i);
        s.focused = grid_->currentIndex() == i;
        s.editable = flags.testFlag(Qt::ItemIsEditable);
        if (isCheckBox()) {
            s.checkable = true;
            s.checked = i.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            s.readOnly = !model().canToggle(column_);
        }
        if (const int sign = model().expandSign(row_, column_); sign >= 0) {
            s.expandable = true;
            s.expanded = sign == 1;
            s.collapsed = sign == 0;
        }
        return s;
    }

    QRect rect() const override {
        const QModelIndex i = index();
        if (!i.isValid()) return {};
        return grid_->visualRect(i).translated(grid_->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    // --- as a table cell
    bool isSelected() const override { return index().isValid() && grid_->selectionModel()->isSelected(index()); }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return headerCells(-1, column_); }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return headerCells(row_, -1); }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // --- actions, done as the mouse does them
    QStringList actionNames() const override {
        if (!isValid()) return {};
        QStringList names{setFocusAction()};
        if (isCheckBox() && model().canToggle(column_)) names << toggleAction();
        if (model().expandSign(row_, column_) >= 0) names << pressAction();
        return names;
    }
    void doAction(const QString& name) override {
        if (!actionNames().contains(name)) return;
        using Action = DataGrid::CellAction;
        const Action action = name == toggleAction() ? Action::Toggle : name == pressAction() ? Action::Press : Action::Focus;
        grid_->actOnCell(row_, column_, action);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == toggleAction()) return {QStringLiteral("Space")};
        return {};
    }

private:
    QModelIndex index() const { return isValid() ? model().index(row_, column_) : QModelIndex(); }
    bool isCheckBox() const { return isValid() && model().column(column_)->checkBox; }
    QList<QAccessibleInterface*> headerCells(int row, int column) const {
        QAccessibleInterface* header = isValid() ? partOf(grid_, row, column) : nullptr;
        return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
    }
};

// A column title, a row's indicator cell (named in words: "Satır 2, geçerli"),
// or the corner where they meet.
class HeaderPart : public GridPart {
public:
    using GridPart::GridPart;

    QAccessible::Role role() const override {
        if (row_ < 0 && column_ < 0) return QAccessible::Pane;
        return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::RowHeader;
    }

    QString text(QAccessible::Text t) const override {
        if (!isValid() || isCorner()) return {};
        if (t == QAccessible::Name) {
            const QString name = model().headerData(section(), orientation(), Qt::AccessibleTextRole).toString();
            return name.isEmpty() ? model().headerData(section(), orientation(), Qt::DisplayRole).toString() : name;
        }
        if (t == QAccessible::Description)
            return model().headerData(section(), orientation(), Qt::AccessibleDescriptionRole).toString();
        return {};
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) s.invalid = true;
        if (rect().isEmpty()) s.invisible = true;
        return s;
    }

    QRect rect() const override {
        if (!isValid() || isCorner()) return {};
        const QHeaderView* header = orientation() == Qt::Horizontal ? grid_->horizontalHeader() : grid_->verticalHeader();
        if (!header->isVisible()) return {};
        const int at = header->sectionViewportPosition(section()), size = header->sectionSize(section());
        const QRect r =
            (orientation() == Qt::Horizontal ? QRect(at, 0, size, header->height()) : QRect(0, at, header->width(), size))
                .intersected(header->viewport()->rect());
        return r.isEmpty() ? QRect() : r.translated(header->viewport()->mapToGlobal(QPoint(0, 0)));
    }

private:
    bool isCorner() const { return row_ < 0 && column_ < 0; }
    Qt::Orientation orientation() const { return row_ < 0 ? Qt::Horizontal : Qt::Vertical; }
    int section() const { return row_ < 0 ? column_ : row_; }
};

// The grid's viewport: a filler between the table and the widgets shown in
// it. Qt's interfaces of those widgets name it as their parent; it names
// the table.
class OverlayPane : public QAccessibleWidget {
public:
    explicit OverlayPane(QWidget* viewport) : QAccessibleWidget(viewport, QAccessible::Client) {}

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(widget()->parentWidget()); }
    int childCount() const override { return int(shownOverlays(widget()).size()); }
    QAccessibleInterface* child(int index) const override {
        const QWidgetList shown = shownOverlays(widget());
        return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown.at(index)) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(shownOverlays(widget()).indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (QWidget* w : shownOverlays(widget()))
            if (QRect(w->mapToGlobal(QPoint(0, 0)), w->size()).contains(x, y)) return QAccessible::queryAccessibleInterface(w);
        return nullptr;
    }
};

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit GridAccessible(DataGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}
    ~GridAccessible() override { dropParts(); }

    bool isValid() const override { return QAccessibleWidget::isValid() && model(); }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The part at a row and column of the numbering (-1: titles' row,
    // indicator's column), made once and kept while the rows stand.
    QAccessibleInterface* part(int row, int column) const {
        const quint64 key = (quint64(quint32(row + 1)) << 32) | quint32(column + 1);
        if (const auto found = parts_.constFind(key); found != parts_.cend())
            if (QAccessibleInterface* known = QAccessible::accessibleInterface(*found)) return known;
        QAccessibleInterface* made = row >= 0 && column >= 0
                                         ? static_cast<QAccessibleInterface*>(new CellPart(grid(), row, column))
                                         : new HeaderPart(grid(), row, column);
        parts_.insert(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    // --- the tree
    int childCount() const override { return isValid() ? cellCount() + (pane() ? 1 : 0) : 0; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || !isValid()) return nullptr;
        if (index < cellCount()) return part(index / (columnCount() + 1) - 1, index % (columnCount() + 1) - 1);
        return index == cellCount() ? pane() : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || !isValid()) return -1;
        if (const auto* p = dynamic_cast<const GridPart*>(child); p && p->grid() == grid() && p->isValid())
            return (p->row() + 1) * (columnCount() + 1) + p->column() + 1;
        if (child->object() == grid()->viewport() && pane()) return cellCount();
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (!isValid()) return nullptr;
        if (QAccessibleInterface* p = pane(); p && p->childAt(x, y)) return p;
        const QModelIndex index = grid()->indexAt(grid()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? part(index.row(), index.column()) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (!isValid()) return nullptr;
        QWidget* focus = QApplication::focusWidget();
        if (focus && grid()->viewport()->isAncestorOf(focus)) return QAccessible::queryAccessibleInterface(focus);
        const QModelIndex current = grid()->currentIndex();
        return focus == grid() && current.isValid() ? part(current.row(), current.column()) : nullptr;
    }

    // --- the table
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QString columnDescription(int column) const override {
        return isValid() ? model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
    }
    QString rowDescription(int row) const override {
        return isValid() ? model()->headerData(row, Qt::Vertical, Qt::AccessibleTextRole).toString() : QString();
    }
    int columnCount() const override { return isValid() ? model()->columnCount() : 0; }
    int rowCount() const override { return isValid() ? model()->rowCount() : 0; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return row >= 0 && column >= 0 && row < rowCount() && column < columnCount() ? part(row, column) : nullptr;
    }
    int selectedCellCount() const override { return int(selected().size()); }
    int selectedColumnCount() const override { return int(selectedColumns().size()); }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (const QModelIndex& index : selected()) cells << part(index.row(), index.column());
        return cells;
    }
    QList<int> selectedColumns() const override {
        QList<int> columns;
        if (isValid())
            for (const QModelIndex& index : grid()->selectionModel()->selectedColumns()) columns << index.column();
        return columns;
    }
    QList<int> selectedRows() const override {
        QList<int> rows;
        if (isValid())
            for (const QModelIndex& index : grid()->selectionModel()->selectedRows()) rows << index.row();
        return rows;
    }
    bool isColumnSelected(int column) const override {
        return isValid() && grid()->selectionModel()->isColumnSelected(column, {});
    }
    bool isRowSelected(int row) const override { return isValid() && grid()->selectionModel()->isRowSelected(row, {}); }
    // The selection is the current row (or cell) of the record set: selecting
    // moves there, as a click does, and nothing can be unselected.
    bool selectRow(int row) override { return isValid() && moveTo(row, grid()->currentColumn()); }
    bool selectColumn(int column) override { return isValid() && moveTo(grid()->currentIndex().row(), column); }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        // Rows came or went: the parts are made anew as they are asked for.
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) dropParts();
    }

private:
    DataGrid* grid() const { return static_cast<DataGrid*>(widget()); }
    const GridModel* model() const { return modelOf(grid()); }
    int cellCount() const { return (rowCount() + 1) * (columnCount() + 1); }
    QModelIndexList selected() const { return isValid() ? grid()->selectionModel()->selectedIndexes() : QModelIndexList(); }
    // The viewport's filler while it shows a widget.
    QAccessibleInterface* pane() const {
        QAccessibleInterface* viewport = QAccessible::queryAccessibleInterface(grid()->viewport());
        return viewport && viewport->childCount() > 0 ? viewport : nullptr;
    }
    bool moveTo(int row, int column) {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
        grid()->actOnCell(row, column, DataGrid::CellAction::Focus);
        return grid()->currentIndex() == model()->index(row, column);
    }
    void dropParts() {
        const auto ids = parts_.values();
        parts_.clear();
        for (QAccessible::Id id : ids) QAccessible::deleteAccessibleInterface(id);
    }

    mutable QHash<quint64, QAccessible::Id> parts_;
};

QAccessibleInterface* partOf(const DataGrid* grid, int row, int column) {
    auto* table = dynamic_cast<GridAccessible*>(QAccessible::queryAccessibleInterface(const_cast<DataGrid*>(grid)));
    return table ? table->part(row, column) : nullptr;
}

QAccessibleInterface* gridInterface(const QString& className, QObject* object) {
    if (className == QLatin1String(DataGrid::staticMetaObject.className()))
        if (auto* grid = qobject_cast<DataGrid*>(object)) return new GridAccessible(grid);
    if (className == QLatin1String("QWidget") && object && object->objectName() == QLatin1String(kViewportName))
        if (auto* grid = qobject_cast<DataGrid*>(object->parent()); grid && grid->viewport() == object)
            return new OverlayPane(grid->viewport());
    return nullptr;
}

}  // namespace

void installGridAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(gridInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

}  // namespace grid
