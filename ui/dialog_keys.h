#pragma once

#include <QKeyEvent>

// Esc and Enter close a Qt dialog through its default and cancel buttons;
// dialogs that are left only by their own buttons or the close box swallow them.
inline bool isDialogCloseKey(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true;
        default:
            return false;
    }
}
