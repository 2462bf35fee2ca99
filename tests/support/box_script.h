#pragma once

#include "app/msgbox.h"

#include <QList>
#include <QString>

// Answers message boxes in tests. Queue the answers you expect to give; every
// box shown is recorded. A box nobody scripted fails the test at once and is
// answered with its escape button, so a headless run never waits on a screen.
class BoxScript {
public:
    BoxScript();
    ~BoxScript();
    BoxScript(const BoxScript&) = delete;
    BoxScript& operator=(const BoxScript&) = delete;

    void expect(msgbox::Button answer) { answers_.append(answer); }
    // Every box shown so far, oldest first.
    const QList<msgbox::Box>& shown() const { return shown_; }
    int pending() const { return int(answers_.size()); }
    const msgbox::Box& last() const { return shown_.last(); }
    void clear() { shown_.clear(); }

    // Answers for the open-file dialog; an empty text means Cancel.
    void expectFile(const QString& path) { files_.append(path); }

private:
    QList<msgbox::Button> answers_;
    QList<msgbox::Box> shown_;
    QList<QString> files_;
};

// A readable one-line description of a box, for failure messages.
QString describe(const msgbox::Box& box);
