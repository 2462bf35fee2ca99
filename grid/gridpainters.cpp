#include "grid/gridpainters.h"

#include "grid/expandbutton.h"
#include "grid/gridmodel.h"
#include "storage/recordset.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace grid {

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

// A plus sign in a small box, or a minus sign when expanded.
void drawExpandSign(QPainter* p, const QRect& box, bool expanded) {
    p->fillRect(box, Qt::white);
    p->setPen(QColor(0x80, 0x80, 0x80));
    p->drawRect(box.adjusted(0, 0, -1, -1));
    p->setPen(Qt::black);
    const QPoint c = box.center();
    p->drawLine(c.x() - 2, c.y(), c.x() + 2, c.y());
    if (!expanded) p->drawLine(c.x(), c.y() - 2, c.x(), c.y() + 2);
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

void drawMark(QPainter* p, const QRect& rect, storage::RecordState state, const QFont& font) {
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setPen(Qt::black);
    p->setBrush(Qt::black);
    const QPoint c = rect.center();
    switch (state) {
        case storage::RecordState::Edit:
            p->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
            p->drawLine(c.x() - 2, c.y() - 4, c.x() + 2, c.y() - 4);
            p->drawLine(c.x() - 2, c.y() + 4, c.x() + 2, c.y() + 4);
            break;
        case storage::RecordState::Insert:
            p->setFont(font);
            p->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
            break;
        default: {
            const QPoint arrow[] = {QPoint(c.x() - 2, c.y() - 4), QPoint(c.x() + 2, c.y()), QPoint(c.x() - 2, c.y() + 4)};
            p->drawPolygon(arrow, 3);
            break;
        }
    }
}

}  // namespace

QRect cellTextRect(const QRect& cell) { return cell.adjusted(2, 2, -2, -1); }

int cellWrapFlag(const GridProfile& profile) { return profile.has(dgWordWrap) ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine); }

QColor dataRowColor(const GridProfile& profile, int row) {
    if (profile.AlternatingColor.isValid() && (row % 2) == 1) return profile.AlternatingColor;
    return profile.GridColor;
}

// -------------------------------------------------------------- cells ----

CellPainter::CellPainter(const GridModel* model, std::function<bool(int, int)> highlighted, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), highlighted_(std::move(highlighted)) {}

void CellPainter::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const GridProfile& profile = model_->profile();
    const QRect r = option.rect;
    const bool highlighted = highlighted_(index.row(), index.column());
    const QPalette& pal = option.palette;
    p->save();
    p->setClipRect(r);
    p->fillRect(r, highlighted ? pal.color(QPalette::Active, QPalette::Highlight) : dataRowColor(profile, index.row()));
    if (profile.has(dgColLines) || profile.has(dgRowLines)) {
        p->setPen(kLineColor);
        if (profile.has(dgColLines)) p->drawLine(r.topRight(), r.bottomRight());
        if (profile.has(dgRowLines)) p->drawLine(r.bottomLeft(), r.bottomRight());
    }
    // A row that holds an expanded list below keeps its content in its top part.
    const QRect content(r.topLeft(), QSize(r.width(), std::min(r.height(), profile.dataRowHeight())));
    const QVariant check = index.data(Qt::CheckStateRole);
    if (const int sign = model_->expandSign(index.row(), index.column()); sign >= 0) {
        drawExpandSign(p, ExpandButton::signRect(r, profile.dataRowHeight()), sign == 1);
    } else if (check.isValid()) {
        drawCheckBox(p, content, check.toInt() == Qt::Checked);
    } else {
        QString text = index.data(Qt::DisplayRole).toString();
        // Memos keep CR LF line breaks; the painter breaks lines on LF.
        if (text.contains(QLatin1Char('\r'))) text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        if (!text.isEmpty()) {
            p->setFont(profile.CellFont);
            p->setPen(highlighted ? pal.color(QPalette::Active, QPalette::HighlightedText) : profile.CellFontColor);
            const QRect textRect = cellTextRect(content);
            const QFontMetrics fm(profile.CellFont);
            int flags = index.data(Qt::TextAlignmentRole).toInt() | cellWrapFlag(profile);
            // A row with room for one line shows one line, cut with an
            // ellipsis, rather than the top of a second line; the cell's
            // hint shows the whole text.
            if (textRect.height() < 2 * fm.lineSpacing() && fm.horizontalAdvance(text) > textRect.width()) {
                text = fm.elidedText(text.simplified(), Qt::ElideRight, textRect.width());
                flags = (flags & ~int(Qt::TextWordWrap)) | Qt::TextSingleLine;
            }
            p->drawText(textRect, flags, text);
        }
    }
    p->restore();
}

// -------------------------------------------------------------- titles ----

TitleHeader::TitleHeader(const GridModel* model, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), model_(model) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    setSectionResizeMode(QHeaderView::Interactive);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QHeaderView::sectionResized, this, [this] { changed(resized_); });
    connect(this, &QHeaderView::sectionMoved, this, [this] { changed(moved_); });
}

// Only the height is used; measuring every title for a width no one reads
// cost a tenth of an import that moves the current row once per question.
QSize TitleHeader::sizeHint() const { return QSize(length(), model_->profile().titleHeight()); }

void TitleHeader::paintEvent(QPaintEvent* e) {
    QHeaderView::paintEvent(e);
    // The title row goes on in the title colour right of the last column.
    const int end = length() - offset();
    if (end >= viewport()->width()) return;
    QPainter p(viewport());
    p.fillRect(QRect(end, 0, viewport()->width() - end, viewport()->height()), model_->profile().TitleColor);
}

void TitleHeader::paintSection(QPainter* p, const QRect& rect, int logical) const {
    const GridProfile& profile = model_->profile();
    const auto* col = model_->column(logical);
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

void TitleHeader::mousePressEvent(QMouseEvent* e) {
    pressed_ = true;
    resized_ = moved_ = false;
    QHeaderView::mousePressEvent(e);
}

void TitleHeader::mouseReleaseEvent(QMouseEvent* e) {
    QHeaderView::mouseReleaseEvent(e);
    pressed_ = false;
    finishGesture();
}

void TitleHeader::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }

void TitleHeader::changed(bool& what) {
    if (layingOut_) return;
    what = true;
    if (!pressed_) finishGesture();
}

void TitleHeader::finishGesture() {
    const bool resized = std::exchange(resized_, false), moved = std::exchange(moved_, false);
    if ((resized || moved) && gestureFinished) gestureFinished(resized, moved);
}

// ----------------------------------------------------------- indicator ----

IndicatorHeader::IndicatorHeader(const GridModel* model, QWidget* parent) : QHeaderView(Qt::Vertical, parent), model_(model) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    setSectionResizeMode(QHeaderView::Fixed);
}

void IndicatorHeader::paintSection(QPainter* p, const QRect& rect, int logical) const {
    const GridProfile& profile = model_->profile();
    p->save();
    const bool alternate = profile.AlternatingColor.isValid() && (logical % 2) == 1;
    p->fillRect(rect, alternate ? profile.AlternatingColor : profile.TitleColor);
    drawBevel(p, rect, profile.Flat);
    if (logical == model_->currentRow()) drawMark(p, rect, model_->recordSet()->state(), profile.CellFont);
    p->restore();
}

}  // namespace grid
