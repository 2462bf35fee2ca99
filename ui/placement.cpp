#include "ui/placement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace ui {

namespace {

const char* const kOuterSize = "quorvelOuterSize";
const char* const kFramed = "quorvelFramed";

QMargins frameOf(const QWidget* window) {
    const QRect inner = window->geometry(), outer = window->frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

QRect availableArea(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

bool placed(const QWidget* w) {
    // Windows of the program, not pop-ups, tool tips or menus, which place
    // themselves next to what opened them.
    if (!w->isWindow()) return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

// Takes the outer size once the frame is known, then keeps the window on
// screen: on every show, and once more when the window system has framed it.
void place(QWidget* window) {
    const QMargins frame = frameOf(window);
    const QVariant outer = window->property(kOuterSize);
    if (outer.isValid() && !frame.isNull()) {
        const QSize inner = outer.toSize().shrunkBy(frame);
        if (inner.isValid()) window->resize(inner);
        // Once: later sizes are the user's, or the window's own.
        window->setProperty(kOuterSize, QVariant());
    }
    fitInto(window, availableArea(window));
}

class PlacementFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Move && type != QEvent::Resize) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !placed(w)) return false;
        if (type == QEvent::Show) {
            w->setProperty(kFramed, !frameOf(w).isNull());
            place(w);
        } else if (w->isVisible() && !w->property(kFramed).toBool() && !frameOf(w).isNull()) {
            w->setProperty(kFramed, true);
            place(w);
        }
        return false;
    }
};

}  // namespace

void centreOnScreen(QWidget* window) {
    const QRect area = availableArea(window);
    if (area.isEmpty()) return;
    const QSize outer = window->size().grownBy(frameOf(window));
    window->move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

void setOuterSize(QWidget* window, const QSize& outer) {
    window->setProperty(kOuterSize, outer);
    window->resize(outer.shrunkBy(frameOf(window)));
}

void fitInto(QWidget* window, const QRect& area) {
    if (area.isEmpty()) return;
    const QMargins frame = frameOf(window);
    const QSize room = area.size().shrunkBy(frame);
    if (window->width() > room.width() || window->height() > room.height()) {
        window->setMinimumSize(window->minimumSize().boundedTo(room));
        window->resize(window->size().boundedTo(room));
    }
    const QSize outer = window->size().grownBy(frame);
    const QPoint at = window->pos();  // of the frame
    const int x = std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width()));
    const int y = std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height()));
    if (QPoint(x, y) != at) window->move(x, y);
}

void installPlacement() {
    static PlacementFilter* filter = nullptr;
    if (filter) return;
    filter = new PlacementFilter(qApp);
    qApp->installEventFilter(filter);
}

}  // namespace ui
