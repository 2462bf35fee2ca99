#pragma once

#include <QString>

#include <functional>

class QColor;
class QFont;
class QPrinter;
class QWidget;

// Qt's own font, colour, print and print-preview dialogs, each behind one
// seam like the file dialogs: tests answer them with a script instead of
// looking for the live dialog on the screen.
namespace qtdialog {

// The font dialog, starting at *font; true, with *font the choice, unless cancelled.
bool font(QWidget* owner, const QString& caption, QFont* font);
// The colour dialog, starting at *colour; true, with *colour the choice, unless cancelled.
bool colour(QWidget* owner, const QString& caption, QColor* colour);
// The print dialog over printer; true when the user chose to print (printer
// then holds the choices).
bool print(QWidget* owner, QPrinter* printer);
// The print preview of printer; paint draws every page into the printer it is
// given, whenever the preview needs them.
void preview(QWidget* owner, const QString& caption, QPrinter* printer, const std::function<void(QPrinter*)>& paint);

// Test seam: while an interceptor is installed no dialog is shown; it gets
// the request, may change what the request points to as the user's choice
// would, and returns whether the dialog was accepted.
enum class Kind { Font, Colour, Print, Preview };
struct Request {
    Kind kind;
    QString caption;
    QFont* font = nullptr;                                  // Font
    QColor* colour = nullptr;                               // Colour
    QPrinter* printer = nullptr;                            // Print, Preview
    const std::function<void(QPrinter*)>* paint = nullptr;  // Preview
};
using Interceptor = std::function<bool(Request&)>;
void setInterceptor(Interceptor interceptor);

}  // namespace qtdialog
