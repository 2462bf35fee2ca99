#include "ui/qtdialogs.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace qtdialog {

namespace {
Interceptor& interceptor() {
    static Interceptor instance;
    return instance;
}

bool intercepted(Request request, bool* accepted) {
    if (!interceptor()) return false;
    *accepted = interceptor()(request);
    return true;
}
}  // namespace

bool font(QWidget* owner, const QString& caption, QFont* font) {
    bool ok = false;
    if (intercepted({.kind = Kind::Font, .caption = caption, .font = font}, &ok)) return ok;
    const QFont chosen = QFontDialog::getFont(&ok, *font, owner, caption);
    if (ok) *font = chosen;
    return ok;
}

bool colour(QWidget* owner, const QString& caption, QColor* colour) {
    bool ok = false;
    if (intercepted({.kind = Kind::Colour, .caption = caption, .colour = colour}, &ok)) return ok;
    const QColor chosen = QColorDialog::getColor(*colour, owner, caption);
    if (!chosen.isValid()) return false;
    *colour = chosen;
    return true;
}

bool print(QWidget* owner, QPrinter* printer) {
    bool ok = false;
    if (intercepted({.kind = Kind::Print, .caption = QString(), .printer = printer}, &ok)) return ok;
    QPrintDialog dialog(printer, owner);
    return dialog.exec() == QDialog::Accepted;
}

void preview(QWidget* owner, const QString& caption, QPrinter* printer, const std::function<void(QPrinter*)>& paint) {
    bool ok = false;
    if (intercepted({.kind = Kind::Preview, .caption = caption, .printer = printer, .paint = &paint}, &ok)) return;
    QPrintPreviewDialog dialog(printer, owner);
    dialog.setWindowTitle(caption);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&paint](QPrinter* target) { paint(target); });
    dialog.exec();
}

void setInterceptor(Interceptor i) { interceptor() = std::move(i); }

}  // namespace qtdialog
