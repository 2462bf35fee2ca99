#pragma once

#include "ui/msgbox.h"
#include "ui/qtdialogs.h"

#include <QList>
#include <QString>

#include <functional>

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

// Answers Qt's font, colour, print and preview dialogs in tests, with the same
// rules: each answer is for one kind of dialog, taken in order; a dialog
// nobody scripted, or of another kind than the next answer, fails the test
// (and is cancelled); an answer left unused fails.
class DialogScript {
public:
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    void chooseFont(const QFont& font);
    void chooseColour(const QColor& colour);
    // The print dialog's "Print"; the printer keeps the settings it came with.
    void print();
    // Draws the pages as the preview would, into a preview of the same
    // printer, and keeps their count (previewPages).
    void preview();
    void cancel(qtdialog::Kind kind);
    int previewPages() const { return previewPages_; }
    // The captions of the dialogs shown so far.
    const QList<QString>& shown() const { return shown_; }

private:
    struct Answer {
        qtdialog::Kind kind;
        std::function<bool(qtdialog::Request&)> give;
    };
    QList<Answer> answers_;
    QList<QString> shown_;
    int previewPages_ = -1;
};

// A readable one-line description of a box, for failure messages.
QString describe(const msgbox::Box& box);
