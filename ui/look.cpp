#include "ui/look.h"

#include <QApplication>
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

QFont programFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}

void installFonts() {
    const QString design = QStringLiteral("MS Sans Serif");
    const QString standIn = QStringLiteral("Liberation Sans");
    if (!QFontDatabase::hasFamily(design) && QFontDatabase::hasFamily(standIn)) QFont::insertSubstitution(design, standIn);
    // Every window was laid out in the main window's face, not in whatever
    // face the desktop prefers: in a wider face the captions would be cut.
    QApplication::setFont(programFont());
}

}  // namespace ui
