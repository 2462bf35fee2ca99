#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDialog>
#include <QToolButton>
#include <QWidget>

namespace ui {

namespace {

// The button a tool bar shows for the commands that do not fit; Qt makes it
// without a caption or a name.
const QString kOverflowButton = QStringLiteral("qt_toolbar_ext_button");

QAccessibleInterface* programInterface(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || className != QLatin1String(widget->metaObject()->className())) return nullptr;
    if (widget->objectName() == kOverflowButton && qobject_cast<QToolButton*>(widget)) {
        // Named here, the one place every tool bar's button passes, and left
        // to Qt's own button interface.
        if (widget->accessibleName().isEmpty()) {
            widget->setAccessibleName(QStringLiteral("Diğer komutlar"));
            widget->setToolTip(widget->accessibleName());
        }
        return nullptr;
    }
    // A window built on a plain widget is a frame, not a filler. Main windows,
    // dialogs, menus and the like keep the interfaces Qt has for them.
    if (widget->isWindow() && !qobject_cast<QDialog*>(widget) && widget->metaObject()->superClass() == &QWidget::staticMetaObject)
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

}  // namespace

void installAccessibility() { QAccessible::installFactory(programInterface); }

}  // namespace ui
