#pragma once

#include <QWidget>

namespace grid {

// The expand button of a grid column: a cell control that the window names in
// its control list ("ID;CustomEdit;wwExpandButton2;F"). The grid draws it in
// every row's cell of that column, a plus sign, or a minus sign on the
// expanded row, in place of the field's text, and reports a click on a sign;
// what expanding means is the window's business. The widget itself is never
// shown: it only carries the state and the signal.
class ExpandButton : public QWidget {
    Q_OBJECT
public:
    explicit ExpandButton(QWidget* parent = nullptr);

    // The row (0-based) that shows the minus sign; -1: none.
    int expandedRow() const { return expandedRow_; }
    void setExpandedRow(int row);

    void setVisible(bool visible) override;

    // The sign's square in a cell whose top part is rowHeight pixels high.
    static QRect signRect(const QRect& cell, int rowHeight);

signals:
    // The sign of a row was clicked.
    void clicked(int row);
    // The expanded row changed: the grid repaints the signs.
    void changed();

private:
    int expandedRow_ = -1;
};

}  // namespace grid
