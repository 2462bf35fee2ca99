#include "ui/lockwait.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace ui {

namespace {
QPointer<QLabel> statusLine;
bool cursorShown = false;

QWidget* windowToShowIn() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w->isVisible()) return w;
    return nullptr;
}
}  // namespace

QString lockWaitText() { return QStringLiteral("Veritabanı dosyası başka bir program tarafından kullanılıyor; bekleniyor…"); }

void showLockWait(bool waiting) {
    if (waiting) {
        if (!cursorShown) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        cursorShown = true;
        QWidget* window = windowToShowIn();
        if (window && !statusLine) {
            statusLine = new QLabel(lockWaitText(), window);
            statusLine->setObjectName(QStringLiteral("lockWaitStatus"));
            statusLine->setAutoFillBackground(true);
            statusLine->setFrameShape(QFrame::StyledPanel);
            statusLine->setMargin(4);
            statusLine->adjustSize();
            statusLine->move(0, std::max(0, window->height() - statusLine->height()));
            statusLine->show();
            statusLine->raise();
            statusLine->repaint();  // now: no event loop runs until the wait ends
        }
        QGuiApplication::sync();
        return;
    }
    delete statusLine.data();
    if (cursorShown) QGuiApplication::restoreOverrideCursor();
    cursorShown = false;
    QGuiApplication::sync();
}

}  // namespace ui
