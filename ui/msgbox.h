#pragma once

#include <QList>
#include <QString>

#include <exception>
#include <functional>

class QWidget;

// Every message box of the program goes through here, so that captions, icons
// and buttons stay uniform and tests can answer boxes without a screen.
namespace msgbox {

enum class Icon { None, Information, Warning, Error, Question };
enum class Button { OK, Cancel, Yes, No };

struct Box {
    QString caption;
    QString text;
    Icon icon = Icon::None;
    QList<Button> buttons{Button::OK};
    Button defaultButton = Button::OK;
    Button escapeButton = Button::OK;  // what Esc and the close box give
    QWidget* owner = nullptr;          // null: centred on the screen
};

// The application title, caption of plain boxes and of the default error box.
QString applicationTitle();

// Shows a box and returns the button that closed it.
Button show(const Box& box);

// Standard boxes.
void plain(const QString& text);        // caption the application title, no icon
void information(const QString& text);  // "Information"
void warning(const QString& text);      // "Warning"
void errorBox(const QString& text);     // "Error"
// "Dikkat" Yes/No with the warning icon, No the default. True on Yes.
bool confirm(QWidget* owner, const QString& text);

// The default error box: caption the application title, error icon, "OK",
// with a full stop appended when the message's last character sorts after it.
QString withFullStop(const QString& message);
void showError(const QString& message);

// Runs a command at the edge of a Qt frame: nothing escapes. A silent abort
// ends the command quietly; any other failure shows the default error box.
void guard(const std::function<void()>& command);
// Shows the default error box for the exception being handled (call in catch).
void showCurrentException();

// Test seam: while an interceptor is installed no box is shown; it receives
// each box and returns the answer.
using Interceptor = std::function<Button(const Box&)>;
void setInterceptor(Interceptor interceptor);

}  // namespace msgbox
