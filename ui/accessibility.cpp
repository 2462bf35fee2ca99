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

// A plain widget: a frame while it is a window, otherwise what Qt makes of
// any widget.
class PlainWidget : public QAccessibleWidget {
public:
    explicit PlainWidget(QWidget* widget) : QAccessibleWidget(widget) {}
    QAccessible::Role role() const override { return widget()->isWindow() ? QAccessible::Window : QAccessibleWidget::role(); }
};

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
    // dialogs, menus and the like keep the interfaces Qt has for them, and so
    // do Qt's own widgets built on a plain widget (QLineEdit, QProgressBar,
    // ...): they are made without a parent and are windows for a moment,
    // often just when their interface is made, so the role is decided when
    // it is asked.
    const QMetaObject* meta = widget->metaObject();
    if (widget->isWindow() && !qobject_cast<QDialog*>(widget) && meta->superClass() == &QWidget::staticMetaObject &&
        meta->className()[0] != 'Q')
        return new PlainWidget(widget);
    return nullptr;
}

}  // namespace

void installAccessibility() { QAccessible::installFactory(programInterface); }

}  // namespace ui
