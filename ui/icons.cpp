#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ui {

namespace {

const QColor kInk(0x1F, 0x4E, 0x79);
const QColor kFill(0x4F, 0x8F, 0xC9);

// A triangle pointing left or right inside the 16 x 16 square, x from..to.
QPainterPath horizontalArrow(qreal from, qreal to, bool right) {
    QPainterPath p;
    const qreal tip = right ? to : from;
    const qreal back = right ? from : to;
    p.moveTo(tip, 8);
    p.lineTo(back, 3);
    p.lineTo(back, 13);
    p.closeSubpath();
    return p;
}

QPainterPath verticalArrow(bool down) {
    QPainterPath p;
    const qreal tip = down ? 14 : 2;
    const qreal base = down ? 8 : 8;
    p.moveTo(8, tip);
    p.lineTo(2.5, base);
    p.lineTo(5.5, base);
    p.lineTo(5.5, down ? 2 : 14);
    p.lineTo(10.5, down ? 2 : 14);
    p.lineTo(10.5, base);
    p.lineTo(13.5, base);
    p.closeSubpath();
    return p;
}

void draw(QPainter& painter, Glyph glyph) {
    painter.setPen(QPen(kInk, 1));
    painter.setBrush(kFill);
    switch (glyph) {
        case Glyph::First:
            painter.drawRect(QRectF(3, 3, 1.5, 10));
            painter.drawPath(horizontalArrow(5, 13, false));
            break;
        case Glyph::Prior:
            painter.drawPath(horizontalArrow(4, 12, false));
            break;
        case Glyph::Next:
            painter.drawPath(horizontalArrow(4, 12, true));
            break;
        case Glyph::Last:
            painter.drawPath(horizontalArrow(3, 11, true));
            painter.drawRect(QRectF(11.5, 3, 1.5, 10));
            break;
        case Glyph::Up:
            painter.drawPath(verticalArrow(false));
            break;
        case Glyph::Down:
            painter.drawPath(verticalArrow(true));
            break;
        case Glyph::Import: {
            // A tray with an arrow coming into it.
            painter.setBrush(Qt::NoBrush);
            QPainterPath tray;
            tray.moveTo(2, 9);
            tray.lineTo(2, 14);
            tray.lineTo(14, 14);
            tray.lineTo(14, 9);
            painter.drawPath(tray);
            painter.setBrush(kFill);
            QPainterPath arrow;
            arrow.moveTo(8, 12);
            arrow.lineTo(4.5, 8);
            arrow.lineTo(6.5, 8);
            arrow.lineTo(6.5, 2);
            arrow.lineTo(9.5, 2);
            arrow.lineTo(9.5, 8);
            arrow.lineTo(11.5, 8);
            arrow.closeSubpath();
            painter.drawPath(arrow);
            break;
        }
    }
}

QPixmap render(Glyph glyph, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    draw(painter, glyph);
    return pixmap;
}

}  // namespace

QIcon drawnIcon(Glyph glyph) {
    QIcon icon;
    icon.addPixmap(render(glyph, 16));
    icon.addPixmap(render(glyph, 32));
    return icon;
}

}  // namespace ui
