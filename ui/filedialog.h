#pragma once

#include <QString>

#include <functional>

class QWidget;

// Choosing a file is its own seam, apart from the message boxes: tests answer
// it with a path instead of a screen.
namespace filedialog {

// Every dialog opens in the folder of the file chosen last (in this run),
// or else in the user's home folder; never at the root, wherever the program
// was started from. The open-file dialog for existing files. Returns an empty
// text on cancel.
QString openFileName(QWidget* owner, const QString& caption, const QString& filter);

// The save-file dialog, suggesting a path; it asks before replacing a file.
// Returns an empty text on cancel. Tests answer it like the open-file dialog.
QString saveFileName(QWidget* owner, const QString& caption, const QString& filter, const QString& suggested);

// Where the next dialog opens: the last chosen file's folder while it
// exists, else the home folder.
QString startFolder();
// The path the save dialog offers for a suggestion: the suggested name in the
// last folder used; before any, the suggestion when its folder exists, else
// the name in the home folder.
QString suggestedPath(const QString& suggested);
// Forgets the last folder (tests).
void forgetLastFolder();

// Test seam: while an interceptor is installed no dialog is shown; it gets the
// caption and filter and returns the chosen path (empty: cancel).
using Interceptor = std::function<QString(const QString& caption, const QString& filter)>;
void setInterceptor(Interceptor interceptor);

}  // namespace filedialog
