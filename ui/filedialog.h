#pragma once

#include <QString>

#include <functional>

class QWidget;

// Choosing a file is its own seam, apart from the message boxes: tests answer
// it with a path instead of a screen.
namespace filedialog {

// The open-file dialog for existing files. Returns an empty text on cancel.
QString openFileName(QWidget* owner, const QString& caption, const QString& filter);

// The save-file dialog, suggesting a path; it asks before replacing a file.
// Returns an empty text on cancel. Tests answer it like the open-file dialog.
QString saveFileName(QWidget* owner, const QString& caption, const QString& filter, const QString& suggested);

// Test seam: while an interceptor is installed no dialog is shown; it gets the
// caption and filter and returns the chosen path (empty: cancel).
using Interceptor = std::function<QString(const QString& caption, const QString& filter)>;
void setInterceptor(Interceptor interceptor);

}  // namespace filedialog
