#include "grid/gridmodel.h"

#include "grid/expandbutton.h"

#include "grid/mappedcombo.h"
#include "storage/recordset.h"
#include "text/long_text.h"

#include <QScopedValueRollback>

namespace grid {

using storage::FieldKind;
using storage::RecordState;

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setRecordSet(storage::RecordSet* recordSet) { recordSet_ = recordSet; }

storage::RecordSet* GridModel::recordSet() const { return recordSet_.data(); }

void GridModel::setColumns(std::vector<Column> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    rows_ = recordCount();
    endResetModel();
}

const Column* GridModel::column(int c) const { return c >= 0 && c < int(columns_.size()) ? &columns_[size_t(c)] : nullptr; }

bool GridModel::active() const { return recordSet_ && recordSet_->active(); }
int GridModel::recordCount() const { return active() ? recordSet_->recordCount() : 0; }
int GridModel::currentRow() const { return active() ? recordSet_->currentRow() : -1; }

int GridModel::setRow(int row) const {
    if (inserting_ >= 0 && row >= inserting_) return row + 1;
    if (removing_ >= 0 && row >= removing_) return row == removing_ ? -1 : row - 1;
    return row;
}

// ------------------------------------------------------------ cell text ----

QString GridModel::fieldText(int row, int c) const {
    const auto* col = column(c);
    const int r = setRow(row);
    if (!col || col->fieldIndex < 0 || r < 0 || r >= recordCount()) return {};
    return storage::displayText(recordSet_->rowValue(r, col->fieldIndex));
}

QString GridModel::cellText(int row, int c) const {
    const QString shown = shownText(row, c);
    // A cell and its hint show a few thousand characters at most; laying out
    // more at every paint froze the grid for most of a minute.
    return longtext::cut(shown, longtext::kCellChars);
}

QString GridModel::memoText(const QString& content) const {
    if (!rtf::isRichText(content)) return content;
    // Of a content too long for a window only the beginning is read: no cell shows more.
    const QString read = longtext::tooLong(content) ? content.left(longtext::kWindowChars) : content;
    return richText_.plainText(read, profile_.LoadAllRTF ? rtf::Limit::Full : rtf::Limit::Partial);
}

QString GridModel::shownText(int row, int c) const {
    const auto* col = column(c);
    if (!col || col->checkBox || col->fieldIndex < 0 || !active()) return {};
    const QString text = fieldText(row, c);
    if (col->control && col->controlKind == ControlLine::Kind::RichEdit) return memoText(text);
    if (auto* combo = qobject_cast<MappedCombo*>(col->control.data())) return combo->shownFor(text);
    if (isMemo(c)) {
        if (recordCount() == 0) return {};
        if (!profile_.has(mGridShow)) return QStringLiteral("(Memo)");
        // A teacher reads a question's text, never the codes it is stored in.
        return memoText(text);
    }
    return text;
}

int GridModel::expandSign(int row, int c) const {
    const auto* col = column(c);
    const auto* button = col ? qobject_cast<const ExpandButton*>(col->control.data()) : nullptr;
    if (!button || row < 0 || row >= rows_) return -1;
    return button->expandedRow() == row ? 1 : 0;
}

bool GridModel::isChecked(int row, int c) const {
    const auto* col = column(c);
    if (!col || !col->checkBox) return false;
    const QString text = fieldText(row, c);
    return !text.isEmpty() && text.compare(col->checkedValue, Qt::CaseInsensitive) == 0;
}

Qt::Alignment GridModel::alignment(int c) const {
    const auto* col = column(c);
    const bool numeric = col && col->fieldIndex >= 0 && active() && recordSet_->fieldDef(col->fieldIndex).isNumeric();
    return (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop;
}

QString GridModel::indicatorText(int row) const {
    if (setRow(row) != currentRow() || currentRow() < 0) return {};
    switch (recordSet_->state()) {
        case RecordState::Edit:
            return QStringLiteral("I");
        case RecordState::Insert:
            return QStringLiteral("*");
        default:
            return QStringLiteral(">");
    }
}

QString GridModel::rowHeaderName(int row) const {
    // What the indicator's sign means, in words a screen reader can say.
    const QString sign = indicatorText(row);
    const QString name = QStringLiteral("Satır %1").arg(row + 1);
    if (sign.isEmpty()) return name;
    if (sign == QLatin1String("I")) return name + QStringLiteral(", düzenleniyor");
    if (sign == QLatin1String("*")) return name + QStringLiteral(", yeni");
    return name + QStringLiteral(", geçerli");
}

bool GridModel::isMemo(int c) const {
    const auto* col = column(c);
    return col && col->fieldIndex >= 0 && active() && recordSet_->fieldDef(col->fieldIndex).kind == FieldKind::Memo;
}

int GridModel::maxLength(int c) const {
    const auto* col = column(c);
    if (!col || col->fieldIndex < 0 || !active()) return 32767;
    const auto& def = recordSet_->fieldDef(col->fieldIndex);
    return def.kind == FieldKind::Text && def.size > 0 ? def.size : 32767;
}

// ---------------------------------------------------------- what changes ----

bool GridModel::columnTakesTab(int c) const {
    const auto* col = column(c);
    if (!col || col->readOnlyFlag) return false;
    if (col->fieldIndex >= 0 && active() && recordSet_->fieldDef(col->fieldIndex).readOnly) return false;
    return true;
}

bool GridModel::canEditCell(int c) const {
    return profile_.editsCells() && active() && recordSet_->canModify() && columnTakesTab(c) && column(c)->fieldIndex >= 0;
}

bool GridModel::canToggle(int c) const {
    const auto* col = column(c);
    if (!col || !col->checkBox || !profile_.has(dgEditing) || profile_.ReadOnly || !active()) return false;
    if (!columnTakesTab(c) || col->fieldIndex < 0 || !recordSet_->canModify()) return false;
    return recordSet_->recordCount() > 0 || profile_.has(dgAllowInsert);
}

// ------------------------------------------------------------- notices ----

void GridModel::resetRows() {
    beginResetModel();
    rows_ = recordCount();
    endResetModel();
}

void GridModel::rowInserted(int row) {
    if (row < 0 || row > rows_ || rows_ + 1 != recordCount()) return resetRows();
    {
        const QScopedValueRollback<int> announcing(inserting_, row);
        beginInsertRows({}, row, row);
    }
    ++rows_;
    endInsertRows();
}

void GridModel::rowRemoved(int row) {
    if (row < 0 || row >= rows_ || rows_ - 1 != recordCount()) return resetRows();
    {
        const QScopedValueRollback<int> announcing(removing_, row);
        beginRemoveRows({}, row, row);
    }
    --rows_;
    endRemoveRows();
}

void GridModel::rowChanged(int row) {
    if (row < 0 || row >= rows_ || columnCount() == 0) return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void GridModel::markChanged(int row) {
    if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
}

// ---------------------------------------------------------- item model ----

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    const auto* col = column(index.column());
    if (!col) return {};
    switch (role) {
        case Qt::DisplayRole:
            if (col->checkBox || expandSign(index.row(), index.column()) >= 0) return {};
            return cellText(index.row(), index.column());
        case Qt::AccessibleTextRole:
            if (const int sign = expandSign(index.row(), index.column()); sign >= 0)
                return sign == 1 ? QStringLiteral("Daralt") : QStringLiteral("Genişlet");
            // A check box is named by its column; its checked state says the rest.
            if (col->checkBox) return col->caption();
            return cellText(index.row(), index.column());
        case Qt::CheckStateRole:
            if (!col->checkBox) return {};
            return isChecked(index.row(), index.column()) ? Qt::Checked : Qt::Unchecked;
        case Qt::TextAlignmentRole:
            return int(alignment(index.column()));
        default:
            return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    if (orientation == Qt::Vertical && role == Qt::AccessibleTextRole) return rowHeaderName(section);
    if (orientation == Qt::Vertical) return indicatorText(section);
    const auto* col = column(section);
    return col ? col->titleLines.join(QLatin1Char(' ')) : QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const auto* col = column(index.column());
    if (col && col->checkBox) f |= Qt::ItemIsUserCheckable;
    if (canEditCell(index.column())) f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace grid
