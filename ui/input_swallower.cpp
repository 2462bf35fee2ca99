#include "ui/input_swallower.h"

#include <QCoreApplication>
#include <QEvent>

namespace ui {

InputSwallower::InputSwallower() { QCoreApplication::instance()->installEventFilter(this); }

InputSwallower::~InputSwallower() { QCoreApplication::instance()->removeEventFilter(this); }

bool InputSwallower::eventFilter(QObject*, QEvent* event) { return isUserInput(event); }

bool isUserInput(const QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace ui
