#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>

#include <functional>

namespace grid {

class GridModel;
struct GridProfile;

// Where a cell's text goes inside the cell.
QRect cellTextRect(const QRect& cell);
// How cell text is laid out: wrapped at words where the profile says so, else one line.
int cellWrapFlag(const GridProfile& profile);
// The colour of a data row when it is not highlighted. Rows keep their
// colour while they stay on screen: the pattern follows the row, so
// scrolling by an odd number of rows flips it on screen.
QColor dataRowColor(const GridProfile& profile, int row);

// Paints data cells as the model describes them (text or check box, and the
// alignment), in the profile's look. The grid says which cells are
// highlighted: that depends on where the focus is, which the model does not know.
class CellPainter : public QStyledItemDelegate {
public:
    CellPainter(const GridModel* model, std::function<bool(int row, int column)> highlighted, QObject* parent);

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const GridModel* model_;
    std::function<bool(int row, int column)> highlighted_;
};

// The title row: "~" breaks lines, the block is centred vertically and
// aligned as the profile says, in the title font on the title colour.
//
// It also follows the user's gestures on it: a column resized or moved with
// the mouse counts once the mouse lets go, a change made without the mouse
// at once.
class TitleHeader : public QHeaderView {
public:
    TitleHeader(const GridModel* model, QWidget* parent);

    QSize sizeHint() const override;

    // Called when a gesture resized or moved columns.
    std::function<void(bool resized, bool moved)> gestureFinished;
    // While the grid lays its columns out itself, changes are no gesture.
    void setLayingOut(bool layingOut) { layingOut_ = layingOut; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void paintSection(QPainter* p, const QRect& rect, int logical) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    // No resizing to contents: a width is what the column list says.
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void changed(bool& what);
    void finishGesture();

    const GridModel* model_;
    bool layingOut_ = false;
    bool pressed_ = false;
    bool resized_ = false;
    bool moved_ = false;
};

// The indicator column: title colour (alternating like the rows), a mark on
// the current row: an arrow while browsing, an I-beam while editing, a star
// while inserting.
class IndicatorHeader : public QHeaderView {
public:
    IndicatorHeader(const GridModel* model, QWidget* parent);

    // Only the width matters; the base class would measure up to a thousand rows.
    QSize sizeHint() const override { return QSize(kWidth, length()); }
    static constexpr int kWidth = 12;

protected:
    void paintSection(QPainter* p, const QRect& rect, int logical) const override;

private:
    const GridModel* model_;
};

}  // namespace grid
