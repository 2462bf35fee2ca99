#include "grid/expandbutton.h"

namespace grid {

ExpandButton::ExpandButton(QWidget* parent) : QWidget(parent) { QWidget::setVisible(false); }

void ExpandButton::setExpandedRow(int row) {
    if (row == expandedRow_) return;
    expandedRow_ = row;
    emit changed();
}

// The grid draws the signs; the widget stays out of sight wherever it is put.
void ExpandButton::setVisible(bool) { QWidget::setVisible(false); }

QRect ExpandButton::signRect(const QRect& cell, int rowHeight) {
    const int side = 9;
    const int top = cell.top() + (std::min(rowHeight, cell.height()) - side) / 2;
    return QRect(cell.left() + 3, top, side, side);
}

}  // namespace grid
