#pragma once

#include "ui/msgbox.h"

#include <QList>
#include <QString>

// Answers message boxes in tests. Queue the answers you expect to give; every
// box shown is recorded. A box nobody scripted fails the test at once and is
// answered with its escape button, so a headless run never waits on a screen;
// an answer still queued when the script goes fails the test too.
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

private:
    QList<msgbox::Button> answers_;
    QList<msgbox::Box> shown_;
};

// Answers the open-file dialog in tests, with the same rules: an unscripted
// dialog fails (and is cancelled), a path left unused fails.
class FileScript {
public:
    FileScript();
    ~FileScript();
    FileScript(const FileScript&) = delete;
    FileScript& operator=(const FileScript&) = delete;

    // The path to choose; an empty text cancels.
    void expect(const QString& path) { files_.append(path); }
    // Captions of the dialogs shown so far, and their filters.
    const QList<QString>& shown() const { return shown_; }
    const QList<QString>& filters() const { return filters_; }

private:
    QList<QString> files_;
    QList<QString> shown_;
    QList<QString> filters_;
};

// A readable one-line description of a box, for failure messages.
QString describe(const msgbox::Box& box);
