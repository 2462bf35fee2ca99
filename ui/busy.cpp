#include "ui/busy.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace ui {

namespace {

QPointer<QLabel> statusLine;
int depth = 0;

QWidget* windowToShowIn() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w->isVisible()) return w;
    return nullptr;
}

void showText(const QString& text) {
    if (!statusLine) {
        QWidget* window = windowToShowIn();
        if (!window) return;
        statusLine = new QLabel(window);
        statusLine->setObjectName(QStringLiteral("busyStatus"));
        statusLine->setAutoFillBackground(true);
        statusLine->setFrameShape(QFrame::StyledPanel);
        statusLine->setMargin(4);
    }
    statusLine->setText(text);
    statusLine->adjustSize();
    if (QWidget* window = statusLine->parentWidget()) statusLine->move(0, std::max(0, window->height() - statusLine->height()));
    statusLine->show();
    statusLine->raise();
    statusLine->repaint();  // now: no event loop runs until the work ends
}

}  // namespace

// Nested: a lock wait inside a long statement shows its own text, then the
// statement's again.
BusyStatus::BusyStatus(const QString& text) {
    if (statusLine) previous_ = statusLine->text();
    if (depth++ == 0) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    showText(text);
    QGuiApplication::sync();
}

BusyStatus::~BusyStatus() {
    if (--depth == 0) {
        delete statusLine.data();
        QGuiApplication::restoreOverrideCursor();
    } else if (statusLine) {
        showText(previous_);
    }
    QGuiApplication::sync();
}

}  // namespace ui
