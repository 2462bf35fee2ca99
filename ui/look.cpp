#include "ui/look.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace ui {

void fillBackground(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
}

}  // namespace ui
