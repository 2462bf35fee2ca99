#include "tests/support/keys.h"

#include <QApplication>
#include <QTest>

void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        // Like a user's keys: each goes to whatever has the focus by then
        // (the first may open an editor that takes the rest).
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : widget;
        const char16_t u = c.unicode();
        Qt::Key key = Qt::Key_unknown;
        if (u >= u'a' && u <= u'z')
            key = Qt::Key(Qt::Key_A + (u - u'a'));
        else if (u >= u' ' && u < 0x7f)
            key = Qt::Key(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, target, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, key, QString(c), Qt::NoModifier);
    }
}
