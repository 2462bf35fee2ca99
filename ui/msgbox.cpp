#include "ui/msgbox.h"

#include "storage/errors.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include <QPushButton>
#include <algorithm>

namespace msgbox {

namespace {

Interceptor& interceptor() {
    static Interceptor instance;
    return instance;
}

QMessageBox::StandardButton standard(Button b) {
    switch (b) {
        case Button::OK:
            return QMessageBox::Ok;
        case Button::Cancel:
            return QMessageBox::Cancel;
        case Button::Yes:
            return QMessageBox::Yes;
        case Button::No:
            return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// The boxes' buttons read as the program has always shown them, also when
// Qt's own texts are translated for its dialogs.
QString caption(Button b) {
    switch (b) {
        case Button::OK:
            return QStringLiteral("OK");
        case Button::Cancel:
            return QStringLiteral("Cancel");
        case Button::Yes:
            return QStringLiteral("&Yes");
        case Button::No:
            return QStringLiteral("&No");
    }
    return QStringLiteral("OK");
}

QMessageBox::Icon standard(Icon i) {
    switch (i) {
        case Icon::None:
            return QMessageBox::NoIcon;
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// Windows boxes take CR LF; a Qt label wants plain line feeds.
QString forLabel(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

// Sizes a box to its longest line. The platform's box wraps its text at
// about 500 pixels, which breaks lines that were written to be read whole
// (the help text) and leaves orphan words; the screen still sets the limit.
void fitLongestLine(QMessageBox& dialog) {
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label) return;
    const QFontMetrics fm(label->font());
    int widest = 0;
    for (const QString& line : label->text().split(u'\n')) widest = std::max(widest, fm.horizontalAdvance(line));
    const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    const int room = std::min(screenWidth - 480, 1000) - 80;  // the box's own limit, less icon and margins
    if (room > 0) label->setMinimumWidth(std::min(widest + 2, room));
}

Box oneButton(const QString& caption, const QString& text, Icon icon) {
    Box box;
    box.caption = caption;
    box.text = text;
    box.icon = icon;
    return box;
}

}  // namespace

QString applicationTitle() { return QStringLiteral("Tassary By Morvelin"); }

Button show(const Box& box) {
    if (interceptor()) return interceptor()(box);
    QMessageBox dialog(standard(box.icon), box.caption, forLabel(box.text), QMessageBox::NoButton, box.owner);
    for (Button b : box.buttons) dialog.addButton(standard(b))->setText(caption(b));
    dialog.setDefaultButton(standard(box.defaultButton));
    dialog.setEscapeButton(dialog.button(standard(box.escapeButton)));
    fitLongestLine(dialog);
    dialog.exec();
    const auto clicked = dialog.standardButton(dialog.clickedButton());
    for (Button b : box.buttons)
        if (standard(b) == clicked) return b;
    return box.escapeButton;
}

void plain(const QString& text) { show(oneButton(applicationTitle(), text, Icon::None)); }
void information(const QString& text) { show(oneButton(QStringLiteral("Information"), text, Icon::Information)); }
void warning(const QString& text) { show(oneButton(QStringLiteral("Warning"), text, Icon::Warning)); }
void errorBox(const QString& text) { show(oneButton(QStringLiteral("Error"), text, Icon::Error)); }

bool confirm(QWidget* owner, const QString& text) {
    Box box;
    box.caption = QStringLiteral("Dikkat");
    box.text = text;
    box.icon = Icon::Warning;
    box.buttons = {Button::Yes, Button::No};
    box.defaultButton = Button::No;
    box.escapeButton = Button::No;
    box.owner = owner;
    return show(box) == Button::Yes;
}

QString withFullStop(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
    return message;
}

void showError(const QString& message) { show(oneButton(applicationTitle(), withFullStop(message), Icon::Error)); }

void showCurrentException() {
    try {
        throw;
    } catch (const storage::SilentAbort&) {
    } catch (const storage::Error& e) {
        showError(e.message());
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
}

void guard(const std::function<void()>& command) {
    try {
        command();
    } catch (...) {
        showCurrentException();
    }
}

void setInterceptor(Interceptor i) { interceptor() = std::move(i); }

}  // namespace msgbox
