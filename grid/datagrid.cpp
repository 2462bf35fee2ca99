#include "grid/datagrid.h"

#include "grid/columnlist.h"
#include "grid/fieldlink.h"
#include "grid/keytable.h"
#include "grid/mappedcombo.h"
#include "storage/errors.h"
#include "storage/recordset.h"
#include "ui/msgbox.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>

namespace grid {

using storage::FieldKind;
using storage::RecordSet;
using storage::RecordState;

// ------------------------------------------------------------ columns ----

struct DataGrid::Column {
    QString field;
    int fieldIndex = -1;  // in the record set; -1 while it is closed
    QStringList titleLines;
    int pixels = 0;
    bool readOnlyFlag = false;
    int line = -1;  // the column list line it comes from
    bool checkBox = false;
    QString checkedValue;
    QString uncheckedValue;
    ControlLine::Kind controlKind = ControlLine::Kind::None;
    QString controlName;
    QPointer<QWidget> control;  // adopted, when the window has it
    QPointer<FieldLink> link;   // the control's; goes with it when the window deletes it
};

struct DataGrid::Adopted {
    QString name;  // as the control list names it
    QPointer<QWidget> widget;
    QPointer<FieldLink> link;
};

QFont GridProfile::defaultFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// -------------------------------------------------------------- model ----

// The grid's rows as an item model: what the view, the painter and the
// accessibility tree ask. It keeps its own row count so that the view is
// told of every row the set adds or drops.
class GridModel : public QAbstractTableModel {
public:
    explicit GridModel(DataGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(grid_->columns_.size()); }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rows_) return {};
        const auto* col = grid_->column(index.column());
        if (!col) return {};
        switch (role) {
            case Qt::DisplayRole:
                if (col->checkBox) return {};
                return grid_->cellText(index.row(), index.column());
            case Qt::AccessibleTextRole:
                if (col->checkBox) return grid_->isChecked(index.row(), index.column()) ? col->checkedValue : col->uncheckedValue;
                return grid_->cellText(index.row(), index.column());
            case Qt::CheckStateRole:
                if (!col->checkBox) return {};
                return grid_->isChecked(index.row(), index.column()) ? Qt::Checked : Qt::Unchecked;
            case Qt::TextAlignmentRole:
                return int(grid_->cellAlignment(index.column()));
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal) {
            const auto* col = grid_->column(section);
            if (!col) return {};
            if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return col->titleLines.join(QLatin1Char(' '));
            return {};
        }
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return grid_->indicatorText(section);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        const auto* col = grid_->column(index.column());
        if (col && col->checkBox) f |= Qt::ItemIsUserCheckable;
        if (grid_->canEditCell(index.column())) f |= Qt::ItemIsEditable;
        return f;
    }

    void resetRows() {
        beginResetModel();
        rows_ = grid_->rowCount();
        endResetModel();
    }
    void rowInserted(int row) {
        if (row < 0 || row > rows_ || rows_ + 1 != grid_->rowCount()) return resetRows();
        beginInsertRows({}, row, row);
        ++rows_;
        endInsertRows();
    }
    void rowRemoved(int row) {
        if (row < 0 || row >= rows_ || rows_ - 1 != grid_->rowCount()) return resetRows();
        beginRemoveRows({}, row, row);
        --rows_;
        endRemoveRows();
    }
    void rowChanged(int row) {
        if (row < 0 || row >= rows_ || columnCount() == 0) return;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    void headerChanged(int row) {
        if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
    }

private:
    DataGrid* grid_;
    int rows_ = 0;
};

// ------------------------------------------------------------ painting ----

namespace {

const QColor kLineColor(0xC0, 0xC0, 0xC0);

void drawCheckBox(QPainter* p, const QRect& cell, bool checked) {
    const QRect box(cell.center().x() - 4, cell.center().y() - 4, 10, 10);
    p->fillRect(box, Qt::white);
    p->setPen(QColor(0x40, 0x40, 0x40));
    p->drawRect(box.adjusted(0, 0, -1, -1));
    if (!checked) return;
    QPen pen(Qt::black);
    pen.setWidth(2);
    p->setPen(pen);
    const QPoint o = box.topLeft();
    const QPoint tick[] = {o + QPoint(2, 5), o + QPoint(4, 7), o + QPoint(8, 2)};
    p->drawPolyline(tick, 3);
}

void drawBevel(QPainter* p, const QRect& r, bool flat) {
    if (flat) {
        p->setPen(kLineColor.darker(115));
        p->drawLine(r.topRight(), r.bottomRight());
        p->drawLine(r.bottomLeft(), r.bottomRight());
        return;
    }
    p->setPen(Qt::white);
    p->drawLine(r.topLeft(), r.topRight());
    p->drawLine(r.topLeft(), r.bottomLeft());
    p->setPen(QColor(0x80, 0x80, 0x80));
    p->drawLine(r.topRight(), r.bottomRight());
    p->drawLine(r.bottomLeft(), r.bottomRight());
}

}  // namespace

class CellPainter : public QStyledItemDelegate {
public:
    explicit CellPainter(DataGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const GridProfile& profile = grid_->profile_;
        const int row = index.row(), c = index.column();
        const auto* col = grid_->column(c);
        if (!col) return;
        const QRect r = option.rect;
        const bool current = row == grid_->currentRow();
        const bool highlighted = current && grid_->showsSelection() && (profile.has(dgRowSelect) || c == grid_->currentColumn_);
        const QPalette& pal = grid_->palette();
        p->save();
        p->setClipRect(r);
        p->fillRect(r, highlighted ? pal.color(QPalette::Active, QPalette::Highlight) : grid_->rowColor(row));
        if (profile.has(dgColLines) || profile.has(dgRowLines)) {
            p->setPen(kLineColor);
            if (profile.has(dgColLines)) p->drawLine(r.topRight(), r.bottomRight());
            if (profile.has(dgRowLines)) p->drawLine(r.bottomLeft(), r.bottomRight());
        }
        if (col->checkBox) {
            drawCheckBox(p, r, grid_->isChecked(row, c));
        } else {
            QString text = grid_->cellText(row, c);
            // Memos keep CR LF line breaks; the painter breaks lines on LF.
            if (text.contains(QLatin1Char('\r'))) text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            if (!text.isEmpty()) {
                p->setFont(profile.CellFont);
                p->setPen(highlighted ? pal.color(QPalette::Active, QPalette::HighlightedText) : profile.CellFontColor);
                p->drawText(grid_->textRect(r), int(grid_->cellAlignment(c)) | grid_->wrapFlag(), text);
            }
        }
        p->restore();
    }

private:
    DataGrid* grid_;
};

// The title row: "~" breaks lines, the block is centred vertically and
// aligned as the profile says, in the title font on the title colour.
class TitleHeader : public QHeaderView {
public:
    explicit TitleHeader(DataGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(1);
        setSectionResizeMode(QHeaderView::Interactive);
        setStretchLastSection(false);
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    QSize sizeHint() const override { return QSize(QHeaderView::sizeHint().width(), grid_->titleHeight()); }
    bool pressed() const { return pressed_; }

protected:
    void paintSection(QPainter* p, const QRect& rect, int logical) const override {
        const GridProfile& profile = grid_->profile_;
        const auto* col = grid_->column(logical);
        p->save();
        p->fillRect(rect, profile.TitleColor);
        drawBevel(p, rect, profile.Flat);
        if (col) {
            p->setFont(profile.TitleFont);
            p->setPen(profile.TitleFontColor);
            const QFontMetrics fm(profile.TitleFont);
            const int lines = std::min<int>(int(col->titleLines.size()), std::max(1, profile.TitleLines));
            const int lineHeight = fm.height();
            int y = rect.top() + (rect.height() - lines * lineHeight) / 2;
            const QRect inner = rect.adjusted(2, 0, -2, 0);
            const int align = profile.TitleAlignment.testFlag(Qt::AlignHCenter) ? Qt::AlignHCenter : Qt::AlignLeft;
            p->setClipRect(rect.adjusted(0, 0, -1, -1));
            for (int i = 0; i < lines; ++i, y += lineHeight)
                p->drawText(QRect(inner.left(), y, inner.width(), lineHeight), align | Qt::AlignTop | Qt::TextSingleLine,
                            col->titleLines.at(i));
        }
        p->restore();
    }

    void mousePressEvent(QMouseEvent* e) override {
        pressed_ = true;
        grid_->resized_ = false;
        grid_->moved_ = false;
        QHeaderView::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QHeaderView::mouseReleaseEvent(e);
        pressed_ = false;
        grid_->titleGestureFinished();
    }
    // No resizing to contents: a width is what the column list says.
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }

private:
    DataGrid* grid_;
    bool pressed_ = false;
};

// The indicator column: title colour (alternating like the rows), a mark on
// the current row: an arrow while browsing, an I-beam while editing, a star
// while inserting.
class IndicatorHeader : public QHeaderView {
public:
    explicit IndicatorHeader(DataGrid* grid) : QHeaderView(Qt::Vertical, grid), grid_(grid) {
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(1);
        setSectionResizeMode(QHeaderView::Fixed);
    }
    // Only the width matters; the base class would measure up to a thousand rows.
    QSize sizeHint() const override { return QSize(kWidth, length()); }
    static constexpr int kWidth = 12;

protected:
    void paintSection(QPainter* p, const QRect& rect, int logical) const override {
        const GridProfile& profile = grid_->profile_;
        p->save();
        const bool alternate = profile.AlternatingColor.isValid() && (logical % 2) == 1;
        p->fillRect(rect, alternate ? profile.AlternatingColor : profile.TitleColor);
        drawBevel(p, rect, profile.Flat);
        if (logical == grid_->currentRow()) {
            p->setRenderHint(QPainter::Antialiasing, false);
            p->setPen(Qt::black);
            p->setBrush(Qt::black);
            const QPoint c = rect.center();
            switch (grid_->recordSet_ ? grid_->recordSet_->state() : RecordState::Inactive) {
                case RecordState::Edit:
                    p->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
                    p->drawLine(c.x() - 2, c.y() - 4, c.x() + 2, c.y() - 4);
                    p->drawLine(c.x() - 2, c.y() + 4, c.x() + 2, c.y() + 4);
                    break;
                case RecordState::Insert:
                    p->setFont(grid_->profile_.CellFont);
                    p->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
                    break;
                default: {
                    const QPoint arrow[] = {QPoint(c.x() - 2, c.y() - 4), QPoint(c.x() + 2, c.y()), QPoint(c.x() - 2, c.y() + 4)};
                    p->drawPolygon(arrow, 3);
                    break;
                }
            }
        }
        p->restore();
    }

private:
    DataGrid* grid_;
};

// ---------------------------------------------------------------- grid ----

DataGrid::DataGrid(QWidget* parent)
    : QTableView(parent),
      model_(new GridModel(this)),
      titles_(new TitleHeader(this)),
      indicator_(new IndicatorHeader(this)),
      editor_(new QLineEdit(viewport())) {
    setHorizontalHeader(titles_);
    setVerticalHeader(indicator_);
    setModel(model_);
    setItemDelegate(new CellPainter(this));
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
    connect(editor_, &QLineEdit::textEdited, this, [this] { msgbox::guard([&] { editorEdited(); }); });

    connect(titles_, &QHeaderView::sectionResized, this, [this](int, int, int) {
        if (layingOut_) return;
        resized_ = true;
        if (!titles_->pressed()) titleGestureFinished();
    });
    connect(titles_, &QHeaderView::sectionMoved, this, [this](int, int, int) {
        if (layingOut_) return;
        moved_ = true;
        if (!titles_->pressed()) titleGestureFinished();
    });
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::focusChanged);
    setProfile(profile_);
}

DataGrid::~DataGrid() {
    // Focus moves while the widget base is torn down must not reach a grid
    // that is already half gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    if (recordSet_) recordSet_->removeInputWriters(this);
    // Adopted controls belong to the window that made them.
    for (Adopted& a : adopted_)
        if (a.widget) a.widget->setParent(nullptr), a.widget->deleteLater();
}

// ------------------------------------------------------------ settings ----

void DataGrid::setProfile(const GridProfile& profile) {
    profile_ = profile;
    setFrameShape(profile_.Flat ? QFrame::Box : QFrame::StyledPanel);
    setFrameShadow(profile_.Flat ? QFrame::Plain : QFrame::Sunken);
    setLineWidth(1);
    setFont(profile_.CellFont);
    editor_->setFont(profile_.CellFont);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, profile_.GridColor);
    pal.setColor(QPalette::Window, profile_.GridColor);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    QPalette editorPal = editor_->palette();
    editorPal.setColor(QPalette::Base, profile_.GridColor);
    editorPal.setColor(QPalette::Text, profile_.CellFontColor);
    editor_->setPalette(editorPal);
    titles_->setVisible(profile_.has(dgTitles));
    titles_->setSectionsMovable(profile_.has(dgColumnResize));
    titles_->setSectionResizeMode(profile_.has(dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    indicator_->setVisible(profile_.has(dgIndicator));
    setSelectionBehavior(profile_.has(dgRowSelect) ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    for (Adopted& a : adopted_)
        if (a.widget) a.widget->setFont(profile_.CellFont);
    msgbox::guard([&] { rebuildLayout(); });
}

void DataGrid::setRecordSet(RecordSet* recordSet) {
    if (recordSet_) {
        disconnect(recordSet_, nullptr, this, nullptr);
        recordSet_->removeInputWriters(this);
    }
    recordSet_ = recordSet;
    if (recordSet_) {
        connect(recordSet_, &RecordSet::reset, this, [this] { msgbox::guard([&] { setReset(); }); });
        connect(recordSet_, &RecordSet::rowInserted, this, [this](int r) { msgbox::guard([&] { setRowInserted(r); }); });
        connect(recordSet_, &RecordSet::rowRemoved, this, [this](int r) { msgbox::guard([&] { setRowRemoved(r); }); });
        connect(recordSet_, &RecordSet::rowChanged, this, [this](int r) { msgbox::guard([&] { setRowChanged(r); }); });
        connect(recordSet_, &RecordSet::currentChanged, this, [this](int, int) { msgbox::guard([&] { setCurrentChanged(); }); });
        connect(recordSet_, &RecordSet::stateChanged, this, [this] { msgbox::guard([&] { setStateChanged(); }); });
        // Input that cannot be written must stop the post or move that asked
        // for it, which reports the failure.
        recordSet_->addInputWriter(this, [this] { writePending(); });
    }
    for (Adopted& a : adopted_)
        if (a.link) a.link->bind(recordSet_, a.link->fieldName());
    msgbox::guard([&] { setReset(); });
}

RecordSet* DataGrid::recordSet() const { return recordSet_; }

void DataGrid::setSelected(const QStringList& lines) {
    // Every width must convert before anything changes.
    for (const QString& line : lines) ColumnLine(line).widthChars();
    selected_ = lines;
    rebuildLayout();
}

void DataGrid::setControlType(const QStringList& lines) {
    controlType_ = lines;
    msgbox::guard([&] { rebuildLayout(); });
}

// -------------------------------------------------------------- layout ----

bool DataGrid::active() const { return recordSet_ && recordSet_->active(); }
int DataGrid::rowCount() const { return active() ? recordSet_->recordCount() : 0; }
int DataGrid::currentRow() const { return active() ? recordSet_->currentRow() : -1; }

int DataGrid::zeroWidth() const { return std::max(1, QFontMetrics(profile_.CellFont).horizontalAdvance(QLatin1Char('0'))); }

int DataGrid::charactersForPixels(int pixels) const { return charsForPixels(pixels, zeroWidth()); }

int DataGrid::dataRowHeight() const {
    const QFontMetrics fm(profile_.CellFont);
    return (fm.height() + 3) * profile_.RowHeightPercent / 100;
}

int DataGrid::titleHeight() const {
    if (!profile_.has(dgTitles)) return 0;
    return profile_.TitleLines * QFontMetrics(profile_.TitleFont).height() + 4;
}

std::vector<DataGrid::Column> DataGrid::buildColumns(QStringList* lines) const {
    std::vector<Column> columns;
    const bool open = active();
    auto makeColumn = [&](const ColumnLine& line, int lineIndex, int fieldIndex) {
        Column col;
        col.field = open && fieldIndex >= 0 ? recordSet_->fieldDef(fieldIndex).name : line.field();
        col.fieldIndex = fieldIndex;
        col.titleLines = line.titleLines();
        col.readOnlyFlag = line.readOnlyFlag();
        col.line = lineIndex;
        col.pixels = std::max(0, pixelsForChars(line.widthChars(), zeroWidth()));
        return col;
    };
    if (profile_.UseTFields && open) {
        // Field-definition mode: the lines give the listed fields their width,
        // title and place; every other field stays hidden.
        std::vector<int> order;
        std::vector<Column> byField(size_t(recordSet_->fieldCount()));
        std::vector<bool> shown(size_t(recordSet_->fieldCount()), false);
        for (int i = 0; i < lines->size(); ++i) {
            const ColumnLine line(lines->at(i));
            const int f = recordSet_->fieldIndex(line.field());
            if (f < 0) continue;
            byField[size_t(f)] = makeColumn(line, i, f);
            order.erase(std::remove(order.begin(), order.end(), f), order.end());
            order.push_back(f);
            shown[size_t(f)] = true;
        }
        for (int f : order) columns.push_back(byField[size_t(f)]);
    } else {
        for (int i = 0; i < lines->size();) {
            const ColumnLine line(lines->at(i));
            const int f = open ? recordSet_->fieldIndex(line.field()) : -1;
            if (open && f < 0) {
                // A column of a field the set lacks is gone for good, also from
                // every layout saved later.
                lines->removeAt(i);
                continue;
            }
            columns.push_back(makeColumn(line, i, f));
            ++i;
        }
    }
    if (profile_.has(dgTitles)) {
        const QFontMetrics fm(profile_.TitleFont);
        for (Column& col : columns)
            for (const QString& t : col.titleLines) col.pixels = std::max(col.pixels, fm.horizontalAdvance(t) + 4);
    }
    for (const QString& text : controlType_) {
        const ControlLine line = ControlLine::parse(text);
        if (line.kind == ControlLine::Kind::None) continue;
        for (Column& col : columns) {
            if (line.kind == ControlLine::Kind::CheckBox) {
                if (col.field != line.field || col.checkBox) continue;
                col.checkBox = true;
                col.checkedValue = line.first;
                col.uncheckedValue = line.second;
            } else if (col.controlKind == ControlLine::Kind::None && col.field.compare(line.field, Qt::CaseInsensitive) == 0) {
                col.controlKind = line.kind;
                col.controlName = line.first;
            }
        }
    }
    return columns;
}

void DataGrid::rebuildLayout() {
    QStringList lines = selected_;
    std::vector<Column> columns = buildColumns(&lines);
    const bool dropped = lines != selected_;
    selected_ = lines;

    for (Column& col : columns_)
        if (col.control && col.control->isVisible()) {
            if (col.control->hasFocus()) setFocus();
            col.control->hide();
        }
    // Text typed and not yet written stays in its cell through the rebuild,
    // and the current cell stays on its field when its column moved.
    const QString currentField = columnField(currentColumn_);
    const bool pending = editorVisible() && editor_->isModified();
    const QString pendingText = editor_->text();
    if (editorVisible()) hideEditor();

    layingOut_ = true;
    columns_ = std::move(columns);
    attachControls();
    model_->resetRows();
    verticalHeader()->setDefaultSectionSize(std::max(1, dataRowHeight()));
    applyColumnSizes();
    titles_->setFixedHeight(titleHeight());
    layingOut_ = false;

    auto holdsCurrentField = [&](int c) { return column(c) && column(c)->field.compare(currentField, Qt::CaseInsensitive) == 0; };
    if (!holdsCurrentField(currentColumn_))
        for (int c = 0; c < int(columns_.size()); ++c)
            if (holdsCurrentField(c)) {
                currentColumn_ = c;
                break;
            }
    currentColumn_ = columns_.empty() ? 0 : std::clamp(currentColumn_, 0, int(columns_.size()) - 1);
    updateGeometries();
    syncCurrent();
    if (pending && editorVisible() && holdsCurrentField(currentColumn_)) {
        editor_->setText(pendingText);
        editor_->setModified(true);
    }
    if (dropped) emit selectedChanged();
}

void DataGrid::applyColumnSizes() {
    for (int c = 0; c < int(columns_.size()); ++c) titles_->resizeSection(c, columns_[size_t(c)].pixels);
}

void DataGrid::attachControls() {
    for (Column& col : columns_) {
        if (col.controlKind == ControlLine::Kind::None) continue;
        for (Adopted& a : adopted_)
            if (a.widget && a.name.compare(col.controlName, Qt::CaseInsensitive) == 0) {
                col.control = a.widget;
                col.link = a.link;
                // Known to assistive technology by the caption of its column.
                if (a.widget->accessibleName().isEmpty())
                    a.widget->setAccessibleName(col.titleLines.join(QLatin1Char(' ')).simplified());
                break;
            }
    }
}

void DataGrid::adoptControls() {
    adoptedOnce_ = true;
    QWidget* owner = window();
    for (const QString& text : controlType_) {
        const ControlLine line = ControlLine::parse(text);
        if (line.kind != ControlLine::Kind::CustomEdit && line.kind != ControlLine::Kind::RichEdit) continue;
        // "frame.control" names a control inside a frame of the window.
        QWidget* scope = owner;
        const QStringList path = line.first.split(QLatin1Char('.'));
        QWidget* found = nullptr;
        for (int i = 0; i < path.size() && scope; ++i) {
            found = nullptr;
            for (QWidget* w : scope->findChildren<QWidget*>(path.at(i)))
                if (w != this) {
                    found = w;
                    break;
                }
            scope = found;
        }
        if (!found) continue;
        auto existing = std::find_if(adopted_.begin(), adopted_.end(), [&](const Adopted& a) { return a.widget == found; });
        if (existing == adopted_.end()) {
            Adopted a;
            a.name = line.first;
            a.widget = found;
            a.link = found->findChild<FieldLink*>(QString(), Qt::FindDirectChildrenOnly);
            if (!a.link) a.link = FieldLink::forWidget(found);
            adopted_.push_back(a);
            existing = adopted_.end() - 1;
        }
        found->hide();
        found->setParent(viewport());
        found->setFont(profile_.CellFont);
        if (auto* frame = qobject_cast<QFrame*>(found)) frame->setFrameShape(QFrame::NoFrame);
        if (auto* combo = qobject_cast<QComboBox*>(found)) combo->setFrame(false);
        if (auto* edit = qobject_cast<QLineEdit*>(found)) edit->setFrame(false);
        found->installEventFilter(this);
        if (existing->link) existing->link->bind(recordSet_, line.field);
    }
    msgbox::guard([&] { rebuildLayout(); });
}

QWidget* DataGrid::cellControl(int column) const {
    const auto* col = this->column(column);
    return col ? col->control.data() : nullptr;
}

void DataGrid::titleGestureFinished() {
    const bool resized = resized_, moved = moved_;
    resized_ = moved_ = false;
    if (!resized && !moved) return;
    msgbox::guard([&] {
        if (moved) {
            // The lines of the shown columns take their new places; lines of
            // fields not shown (field-definition mode) follow them unchanged.
            QStringList lines;
            std::vector<bool> used(size_t(selected_.size()), false);
            for (int v = 0; v < titles_->count(); ++v) {
                const int c = titles_->logicalIndex(v);
                const int line = columns_[size_t(c)].line;
                if (line < 0 || line >= selected_.size() || used[size_t(line)]) continue;
                used[size_t(line)] = true;
                lines.append(selected_.at(line));
            }
            for (int i = 0; i < selected_.size(); ++i)
                if (!used[size_t(i)]) lines.append(selected_.at(i));
            selected_ = lines;
        }
        if (resized) {
            const int d = zeroWidth();
            for (const Column& col : columns_)
                if (col.line >= 0 && col.line < selected_.size())
                    selected_[col.line] = ColumnLine(selected_.at(col.line))
                                              .withWidth(charsForPixels(titles_->sectionSize(&col - columns_.data()), d));
        }
        // The header's own order is reset: the column list is the order now.
        layingOut_ = true;
        for (int v = 0; v < titles_->count(); ++v)
            if (titles_->logicalIndex(v) != v) titles_->moveSection(titles_->visualIndex(v), v);
        layingOut_ = false;
        rebuildLayout();
        emit selectedChanged();
    });
}

// ---------------------------------------------------------- cell text ----

const DataGrid::Column* DataGrid::column(int c) const {
    return c >= 0 && c < int(columns_.size()) ? &columns_[size_t(c)] : nullptr;
}

int DataGrid::columnCount() const { return int(columns_.size()); }
QString DataGrid::columnField(int c) const { return column(c) ? column(c)->field : QString(); }
QStringList DataGrid::columnTitleLines(int c) const { return column(c) ? column(c)->titleLines : QStringList(); }
int DataGrid::columnPixelWidth(int c) const { return column(c) ? titles_->sectionSize(c) : 0; }

QString DataGrid::fieldText(int row, int c) const {
    const auto* col = column(c);
    if (!col || col->fieldIndex < 0 || !active()) return {};
    return storage::displayText(recordSet_->rowValue(row, col->fieldIndex));
}

QString DataGrid::cellText(int row, int c) const {
    const auto* col = column(c);
    if (!col || col->checkBox || col->fieldIndex < 0 || !active()) return {};
    const QString text = fieldText(row, c);
    if (col->control && col->controlKind == ControlLine::Kind::RichEdit) {
        if (!rtf::isRichText(text)) return text;
        return richText_.plainText(text, profile_.LoadAllRTF ? rtf::Limit::Full : rtf::Limit::Partial);
    }
    if (auto* combo = qobject_cast<MappedCombo*>(col->control.data())) return combo->shownFor(text);
    if (recordSet_->fieldDef(col->fieldIndex).kind == FieldKind::Memo) {
        if (rowCount() == 0) return {};
        return profile_.has(mGridShow) ? text : QStringLiteral("(Memo)");
    }
    return text;
}

bool DataGrid::isChecked(int row, int c) const {
    const auto* col = column(c);
    if (!col || !col->checkBox) return false;
    const QString text = fieldText(row, c);
    return !text.isEmpty() && text.compare(col->checkedValue, Qt::CaseInsensitive) == 0;
}

Qt::Alignment DataGrid::cellAlignment(int c) const {
    const auto* col = column(c);
    const bool numeric = col && col->fieldIndex >= 0 && active() && recordSet_->fieldDef(col->fieldIndex).isNumeric();
    return (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
}

int DataGrid::wrapFlag() const { return profile_.has(dgWordWrap) ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine); }

QRect DataGrid::textRect(const QRect& cell) const { return cell.adjusted(2, 2, -2, -1); }

QColor DataGrid::rowColor(int row) const {
    // Rows keep their colour while they stay on screen: the pattern follows
    // the row, so scrolling by an odd number of rows flips it on screen.
    if (profile_.AlternatingColor.isValid() && (row % 2) == 1) return profile_.AlternatingColor;
    return profile_.GridColor;
}

QString DataGrid::indicatorText(int row) const {
    if (row != currentRow()) return {};
    switch (recordSet_->state()) {
        case RecordState::Edit:
            return QStringLiteral("I");
        case RecordState::Insert:
            return QStringLiteral("*");
        default:
            return QStringLiteral(">");
    }
}

QRect DataGrid::cellRect(int row, int c) const {
    if (row < 0 || row >= model_->rowCount() || !column(c)) return {};
    return visualRect(model_->index(row, c)).intersected(viewport()->rect());
}

bool DataGrid::columnTakesTab(int c) const {
    const auto* col = column(c);
    if (!col || col->readOnlyFlag) return false;
    if (col->fieldIndex >= 0 && active() && recordSet_->fieldDef(col->fieldIndex).readOnly) return false;
    return true;
}

bool DataGrid::canEditCell(int c) const {
    return profile_.editsCells() && active() && recordSet_->canModify() && columnTakesTab(c) && column(c)->fieldIndex >= 0;
}

bool DataGrid::canToggle(int c) const {
    const auto* col = column(c);
    if (!col || !col->checkBox || !profile_.has(dgEditing) || profile_.ReadOnly || !active()) return false;
    if (!columnTakesTab(c) || col->fieldIndex < 0 || !recordSet_->canModify()) return false;
    return recordSet_->recordCount() > 0 || profile_.has(dgAllowInsert);
}

void DataGrid::toggleCheckBox(int c) {
    if (!canToggle(c)) return;
    const auto* col = column(c);
    const bool checked = recordSet_->recordCount() > 0 && isChecked(currentRow(), c);
    // Taken before edit, which starts a row in an empty set and runs its hooks.
    const int field = col->fieldIndex;
    const QString value = checked ? col->uncheckedValue : col->checkedValue;
    recordSet_->edit();
    recordSet_->field(field).setAsString(value);
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

bool DataGrid::showsSelection() const { return profile_.has(dgAlwaysShowSelection) || focusWithin(); }

void DataGrid::setCurrentColumn(int c) {
    if (columns_.empty()) return;
    c = std::clamp(c, 0, int(columns_.size()) - 1);
    if (c == currentColumn_) return;
    // Text that cannot be written keeps its cell.
    bool written = false;
    msgbox::guard([&] {
        writePending();
        written = true;
    });
    if (!written) return;
    currentColumn_ = c;
    if (!profile_.has(dgAlwaysShowEditor)) editing_ = false;
    syncCurrent();
}

void DataGrid::syncCurrent() {
    const int row = currentRow();
    if (row >= 0 && row < model_->rowCount() && !columns_.empty()) {
        const QModelIndex index = model_->index(row, currentColumn_);
        selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect |
                       (profile_.has(dgRowSelect) ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
        if (!profile_.has(dgRowSelect))
            scrollTo(index);
        else {
            // Whole rows: keep the horizontal position, bring the row into view.
            const int h = horizontalScrollBar()->value();
            scrollTo(index);
            horizontalScrollBar()->setValue(h);
        }
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
    model_->headerChanged(markedRow_);
    markedRow_ = currentRow();
    model_->headerChanged(markedRow_);
}

bool DataGrid::editorVisible() const { return editor_->isVisible(); }

void DataGrid::placeOverlays() {
    const int row = currentRow();
    const auto* col = column(currentColumn_);
    const bool hasCell = row >= 0 && row < model_->rowCount() && col;
    const bool focused = focusWithin();
    const QRect rect = hasCell ? visualRect(model_->index(row, currentColumn_)) : QRect();

    // Cell controls: over the current cell while the grid has the focus.
    for (Column& c : columns_) {
        if (!c.control) continue;
        const bool want = hasCell && &c == col && focused && profile_.editsCells();
        if (want) {
            c.control->setGeometry(rect.adjusted(0, 0, profile_.has(dgColLines) ? -1 : 0, profile_.has(dgRowLines) ? -1 : 0));
            if (!c.control->isVisible()) {
                if (c.link) {
                    c.link->setReadOnly(!canEditCell(currentColumn_));
                    c.link->reload();
                }
                c.control->show();
                c.control->raise();
                // Like the cell editor, the control starts with its whole text selected.
                if (QLineEdit* line = lineEditOf(c.control)) line->selectAll();
                if (profile_.has(dgAlwaysShowEditor) && window()->isActiveWindow()) c.control->setFocus();
            }
        } else if (c.control->isVisible()) {
            if (isOurs(QApplication::focusWidget()) && c.control->isAncestorOf(QApplication::focusWidget())) setFocus();
            if (c.control->hasFocus()) setFocus();
            c.control->hide();
        }
    }

    const bool plain = hasCell && !col->checkBox && !col->control &&
                       !(col->fieldIndex >= 0 && recordSet_->fieldDef(col->fieldIndex).kind == FieldKind::Memo);
    const bool wantEditor = plain && canEditCell(currentColumn_) && (profile_.has(dgAlwaysShowEditor) ? focused : editing_);
    if (wantEditor) {
        editor_->setGeometry(rect.adjusted(0, 0, profile_.has(dgColLines) ? -1 : 0, profile_.has(dgRowLines) ? -1 : 0));
        // An editor left open by a grid that always shows it still holds the
        // cell it came from; the new cell's field, text and size replace it.
        if (!editor_->isVisible() || editorColumn_ != currentColumn_) {
            loadEditor();
            editor_->setAccessibleName(col->titleLines.join(QLatin1Char(' ')));
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
    if (isOursNow) {
        msgbox::guard([&] { placeOverlays(); });
        return;
    }
    // Focus going to a message box or another window is not leaving the grid.
    if (!now || now->window() != window()) return;
    msgbox::guard([&] { leaveGrid(); });
}

void DataGrid::leaveGrid() {
    if (active()) {
        const bool pendingInEditor = editorVisible() && editor_->isModified();
        const auto* col = column(currentColumn_);
        const bool pendingInControl = col && col->link && col->link->modified();
        if (profile_.has(dgCancelOnExit) && recordSet_->state() == RecordState::Insert && !recordSet_->modified() &&
            !pendingInEditor && !pendingInControl) {
            recordSet_->cancel();
        } else {
            writePending();
        }
    }
    if (!profile_.has(dgAlwaysShowEditor)) editing_ = false;
    placeOverlays();
}

void DataGrid::focusInEvent(QFocusEvent* event) {
    // Not the item view's: it would pick a current index of its own.
    QAbstractScrollArea::focusInEvent(event);
    if (!hidingEditor_) msgbox::guard([&] { placeOverlays(); });
    viewport()->update();
}

void DataGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (!adoptedOnce_) adoptControls();
}

void DataGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    msgbox::guard([&] { placeOverlays(); });
}

void DataGrid::updateGeometries() {
    QTableView::updateGeometries();
    msgbox::guard([&] { placeOverlays(); });
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
    if (!profile_.has(dgAlwaysShowEditor)) editing_ = false;
    if (editorVisible()) loadEditor();
    syncCurrent();
}

void DataGrid::setStateChanged() {
    const RecordState state = recordSet_ ? recordSet_->state() : RecordState::Inactive;
    if ((state == RecordState::Browse || state == RecordState::Inactive) && editorVisible()) loadEditor();
    updateIndicator();
    placeOverlays();
}

// -------------------------------------------------------------- editor ----

void DataGrid::loadEditor() {
    const auto* col = column(currentColumn_);
    if (!col || currentRow() < 0) return;
    int size = 32767;
    if (col->fieldIndex >= 0) {
        const auto& def = recordSet_->fieldDef(col->fieldIndex);
        if (def.kind == FieldKind::Text && def.size > 0) size = def.size;
    }
    editor_->setMaxLength(size);
    editor_->setText(fieldText(currentRow(), currentColumn_));
    editorColumn_ = currentColumn_;
    editor_->setModified(false);
    editor_->selectAll();
}

void DataGrid::showEditor(const QString* typed) {
    if (!canEditCell(currentColumn_)) return;
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
    editor_->hide();
}

void DataGrid::editorEdited() {
    // Typing puts the row into edit state.
    if (!active() || !canEditCell(currentColumn_)) {
        loadEditor();
        return;
    }
    if (recordSet_->state() == RecordState::Browse) {
        const QString text = editor_->text();
        recordSet_->edit();
        editor_->setText(text);
        editor_->setModified(true);
    }
}

void DataGrid::writePending() {
    if (!active()) return;
    const auto* col = column(currentColumn_);
    if (!col) return;
    if (col->link && col->link->modified()) col->link->store();
    if (editorVisible() && editor_->isModified() && canEditCell(currentColumn_)) {
        editor_->setModified(false);
        try {
            recordSet_->edit();
            recordSet_->field(col->fieldIndex).setAsString(editor_->text());
        } catch (...) {
            editor_->setModified(true);  // still pending: nothing was written
            throw;
        }
    }
}

// ---------------------------------------------------------------- mouse ----

void DataGrid::mousePressEvent(QMouseEvent* event) {
    if (!hasFocus() && !focusWithin()) setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    msgbox::guard([&] {
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
        setCurrentColumn(index.column());
        const auto* col = column(index.column());
        if (!col) return;
        if (col->checkBox) {
            if (profile_.has(ecoCheckboxSingleClick) && !secondClick) toggleCheckBox(index.column());
        } else if (sameCell && !col->control) {
            // A click on the current cell opens its editor.
            if (canEditCell(currentColumn_)) showEditor();
        }
    });
}

void DataGrid::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void DataGrid::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void DataGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    msgbox::guard([&] {
        emit dblClicked();
        const QModelIndex index = indexAt(event->position().toPoint());
        if (!index.isValid() || index.row() != currentRow() || index.column() != currentColumn_) return;
        // With single-click toggling the first click toggled already.
        if (column(index.column())->checkBox && !profile_.has(ecoCheckboxSingleClick)) toggleCheckBox(index.column());
    });
}

bool DataGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (!profile_.has(dgShowCellHint) || !index.isValid()) {
            QToolTip::hideText();
            return true;
        }
        const QString text = cellText(index.row(), index.column());
        const QRect cell = visualRect(index);
        const QRect inner = textRect(cell);
        const QRect needed = QFontMetrics(profile_.CellFont).boundingRect(inner, wrapFlag() | int(Qt::AlignLeft), text);
        if (!text.isEmpty() && (needed.height() > inner.height() || needed.width() > inner.width()))
            QToolTip::showText(help->globalPos(), text, viewport(), cell);
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(event);
}

// ----------------------------------------------------------------- keys ----

bool DataGrid::focusNextPrevChild(bool next) {
    if (profile_.has(dgTabs) && isVisible() && isEnabled()) {
        msgbox::guard([&] { tab(next); });
        return true;
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    // A key whose command failed was dealt with: its failure has been shown,
    // and it must not travel on and run again elsewhere.
    bool handled = true;
    msgbox::guard([&] { handled = handleKey(event, this); });
    if (handled)
        event->accept();
    else
        event->ignore();
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QTableView::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    auto* holder = qobject_cast<QWidget*>(watched);
    const bool ours = holder && (holder == editor_ || holder->parentWidget() == viewport());
    const KeyHolder kind = holder == editor_ ? KeyHolder::CellEditor : KeyHolder::CellControl;
    if (!ours || !handsBackToGrid(key, holder, kind, profile_.has(dgEnterToTab))) return QTableView::eventFilter(watched, event);
    bool handled = true;  // as in keyPressEvent
    msgbox::guard([&] { handled = handleKey(key, holder); });
    return handled;
}

bool DataGrid::handleKey(QKeyEvent* e, QWidget* from) {
    const auto mods = e->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;
    const bool rowSelect = profile_.has(dgRowSelect);
    const int last = int(columns_.size()) - 1;
    switch (e->key()) {
        case Qt::Key_Tab:
            if (ctrl || alt) return false;
            tab(!shift);
            return true;
        case Qt::Key_Backtab:
            if (ctrl || alt) return false;
            tab(false);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (ctrl || alt) return false;
            if (profile_.has(dgEnterToTab))
                tab(!shift);
            else
                enterKey();
            return true;
        case Qt::Key_Down:
            if (alt) {
                const auto* col = column(currentColumn_);
                if (!col || !col->control || !col->control->isVisible() || from == col->control) return false;
                col->control->setFocus();
                QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text());
                QCoreApplication::sendEvent(col->control, &copy);
                return true;
            }
            if (ctrl)
                goToRow(bottomRow());
            else
                rowDown();
            return true;
        case Qt::Key_Up:
            if (alt) return false;
            if (ctrl)
                goToRow(topRow());
            else
                rowUp();
            return true;
        case Qt::Key_Left:
            if (alt) return false;
            if (ctrl)
                goToColumn(0);
            else if (rowSelect)
                rowUp();
            else
                goToColumn(currentColumn_ - 1);
            return true;
        case Qt::Key_Right:
            if (alt) return false;
            if (ctrl)
                goToColumn(last);
            else if (rowSelect)
                rowDown();
            else
                goToColumn(currentColumn_ + 1);
            return true;
        case Qt::Key_Home:
            if (alt) return false;
            if (ctrl || rowSelect)
                goToRow(0);
            else
                goToColumn(0);
            return true;
        case Qt::Key_End:
            if (alt) return false;
            if (ctrl || rowSelect)
                goToRow(rowCount() - 1);
            else
                goToColumn(last);
            return true;
        case Qt::Key_PageUp:
            if (alt) return false;
            if (ctrl)
                goToRow(topRow());
            else
                moveRows(-visibleRowCount());
            return true;
        case Qt::Key_PageDown:
            if (alt) return false;
            if (ctrl)
                goToRow(bottomRow());
            else
                moveRows(visibleRowCount());
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
    if (currentRow() < 0) {
        // An empty set: typing starts the first row where the grid may insert.
        if (!active() || rowCount() > 0 || !mayInsert() || !canEditCell(currentColumn_)) return true;
    }
    if (col->control) {
        if (!col->control->isVisible()) return true;
        col->control->setFocus();
        QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text());
        QCoreApplication::sendEvent(col->control, &copy);
        return true;
    }
    if (!canEditCell(currentColumn_)) return true;
    if (recordSet_->fieldDef(col->fieldIndex).kind == FieldKind::Memo) return true;
    writePending();
    recordSet_->edit();
    showEditor(&text);
    return true;
}

void DataGrid::enterKey() {
    if (editorVisible()) {
        writePending();
        if (!profile_.has(dgAlwaysShowEditor)) {
            editing_ = false;
            placeOverlays();
        }
    } else {
        f2Key();
    }
}

void DataGrid::f2Key() {
    const auto* col = column(currentColumn_);
    if (!col || currentRow() < 0 || !canEditCell(currentColumn_) || col->checkBox) return;
    if (col->control) {
        if (col->control->isVisible() && col->controlKind == ControlLine::Kind::CustomEdit) col->control->setFocus();
        return;
    }
    if (recordSet_->fieldDef(col->fieldIndex).kind == FieldKind::Memo) return;
    showEditor();
}

bool DataGrid::mayInsert() const {
    return profile_.has(dgEditing) && profile_.has(dgAllowInsert) && !profile_.ReadOnly && active() && recordSet_->canModify();
}

void DataGrid::goToColumn(int c) {
    if (columns_.empty()) return;
    c = std::clamp(c, 0, int(columns_.size()) - 1);
    if (c == currentColumn_) return;
    writePending();
    setCurrentColumn(c);
}

int DataGrid::goToRow(int target) {
    if (!active() || rowCount() == 0) return -1;
    writePending();
    target = std::clamp(target, 0, rowCount() - 1);
    const int current = currentRow();
    if (target == current) return target;
    const RecordState state = recordSet_->state();
    if (state == RecordState::Edit || state == RecordState::Insert) {
        // The move posts a changed row (its rule may refuse) and drops an
        // unchanged new one, which shifts the rows below it up by one.
        const bool dropping = state == RecordState::Insert && !recordSet_->modified();
        recordSet_->checkBrowseMode();
        if (dropping && target > current) --target;
    }
    recordSet_->moveBy(target - recordSet_->currentRow());
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
    if (recordSet_->state() == RecordState::Insert && !recordSet_->modified()) {
        // An unchanged new row: nothing below it to go to when it is the last,
        // otherwise dropping it makes the row below current.
        if (r < n - 1) recordSet_->cancel();
        return;
    }
    if (r >= n - 1) {
        if (mayInsert()) recordSet_->append();
        return;
    }
    recordSet_->next();
}

void DataGrid::rowUp() {
    if (!active()) return;
    writePending();
    const int n = rowCount(), r = currentRow();
    if (recordSet_->state() == RecordState::Insert && !recordSet_->modified()) {
        if (r == n - 1)
            recordSet_->cancel();
        else
            recordSet_->prior();
        return;
    }
    recordSet_->prior();
}

void DataGrid::tab(bool forward) {
    if (columns_.empty()) return;
    writePending();
    const int n = int(columns_.size());
    std::vector<int> stops;
    for (int c = 0; c < n; ++c)
        if (columnTakesTab(c)) stops.push_back(c);
    if (stops.empty()) return;
    if (forward) {
        auto next = std::upper_bound(stops.begin(), stops.end(), currentColumn_);
        if (next != stops.end()) return goToColumn(*next);
        rowDown();
        setCurrentColumn(stops.front());
    } else {
        auto prev = std::lower_bound(stops.begin(), stops.end(), currentColumn_);
        if (prev != stops.begin()) return goToColumn(*(prev - 1));
        rowUp();
        setCurrentColumn(stops.back());
    }
}

void DataGrid::insertRow() {
    if (!mayInsert()) return;
    writePending();
    recordSet_->insert();
}

void DataGrid::deleteRow() {
    if (!profile_.has(dgAllowDelete) || !profile_.has(dgEditing) || profile_.ReadOnly || !active() || !recordSet_->canModify() ||
        recordSet_->recordCount() == 0)
        return;
    if (profile_.has(dgConfirmDelete)) {
        msgbox::Box box;
        box.caption = QStringLiteral("Confirm");
        box.text = QStringLiteral("Delete record?");
        box.icon = msgbox::Icon::Question;
        box.buttons = {msgbox::Button::OK, msgbox::Button::Cancel};
        box.defaultButton = msgbox::Button::OK;
        box.escapeButton = msgbox::Button::Cancel;
        box.owner = window();
        if (msgbox::show(box) == msgbox::Button::Cancel) return;
        // The question's event loop may have closed or emptied the set.
        if (!active() || recordSet_->recordCount() == 0) return;
    }
    editor_->setModified(false);
    recordSet_->remove();
    if (!profile_.has(dgAlwaysShowEditor)) editing_ = false;
    placeOverlays();
}

void DataGrid::escape() {
    const auto* col = column(currentColumn_);
    if (editorVisible() && editor_->isModified()) {
        loadEditor();
    } else if (col && col->link && col->link->modified()) {
        col->link->reload();
    } else if (active() && (recordSet_->state() == RecordState::Edit || recordSet_->state() == RecordState::Insert)) {
        if (recordSet_->modified()) {
            msgbox::Box box;
            box.caption = QStringLiteral("Confirm");
            box.text = QStringLiteral("Discard changes to this record?");
            box.icon = msgbox::Icon::Question;
            box.buttons = {msgbox::Button::Yes, msgbox::Button::No};
            box.defaultButton = msgbox::Button::Yes;
            box.escapeButton = msgbox::Button::No;
            box.owner = window();
            // The question's event loop may have closed the set.
            if (msgbox::show(box) == msgbox::Button::Yes && active()) recordSet_->cancel();
        } else {
            recordSet_->cancel();
        }
    }
    if (!profile_.has(dgAlwaysShowEditor)) {
        editing_ = false;
        placeOverlays();
    }
}

int DataGrid::topRow() const {
    const int row = rowAt(0);
    return row < 0 ? 0 : row;
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

}  // namespace grid
