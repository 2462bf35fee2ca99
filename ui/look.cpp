#include "ui/look.h"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>
#include <QWidget>

namespace ui {

void fillBackground(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
}

void installFonts() {
    const QString design = QStringLiteral("MS Sans Serif");
    const QString standIn = QStringLiteral("Liberation Sans");
    if (QFontDatabase::hasFamily(design) || !QFontDatabase::hasFamily(standIn)) return;
    QFont::insertSubstitution(design, standIn);
}

}  // namespace ui
