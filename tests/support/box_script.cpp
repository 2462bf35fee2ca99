#include "tests/support/box_script.h"

#include "ui/filedialog.h"

#include <QColor>
#include <QFont>
#include <QPrintPreviewWidget>

#include <QTest>

namespace {
// An answer nobody asked for means the code under test skipped a box it should
// have shown; unless the test has already failed for another reason, say so.
void failIfUnused(qsizetype unused, const char* what) {
    if (unused == 0 || QTest::currentTestFailed() || !QTest::currentTestFunction()) return;
    QTest::qFail(qPrintable(QStringLiteral("%1 scripted %2 never used").arg(unused).arg(QLatin1String(what))), __FILE__,
                 __LINE__);
}
}  // namespace

BoxScript::BoxScript() {
    msgbox::setInterceptor([this](const msgbox::Box& box) {
        shown_.append(box);
        if (answers_.isEmpty()) {
            QTest::qFail(qPrintable(QStringLiteral("unscripted message box: ") + describe(box)), __FILE__, __LINE__);
            return box.escapeButton;
        }
        return answers_.takeFirst();
    });
}

BoxScript::~BoxScript() {
    msgbox::setInterceptor({});
    failIfUnused(answers_.size(), "message-box answer(s)");
}

FileScript::FileScript() {
    filedialog::setInterceptor([this](const QString& caption, const QString& filter) {
        shown_.append(caption);
        filters_.append(filter);
        if (files_.isEmpty()) {
            QTest::qFail(qPrintable(QStringLiteral("unscripted open-file dialog: ") + caption), __FILE__, __LINE__);
            return QString();
        }
        return files_.takeFirst();
    });
}

FileScript::~FileScript() {
    filedialog::setInterceptor({});
    failIfUnused(files_.size(), "file choice(s)");
}

DialogScript::DialogScript() {
    qtdialog::setInterceptor([this](qtdialog::Request& request) {
        shown_.append(request.caption);
        if (answers_.isEmpty() || answers_.first().kind != request.kind) {
            QTest::qFail(
                qPrintable(QStringLiteral("unscripted dialog (kind %1): %2").arg(int(request.kind)).arg(request.caption)),
                __FILE__, __LINE__);
            return false;
        }
        return answers_.takeFirst().give(request);
    });
}

DialogScript::~DialogScript() {
    qtdialog::setInterceptor({});
    failIfUnused(answers_.size(), "dialog answer(s)");
}

void DialogScript::chooseFont(const QFont& font) {
    answers_.append({qtdialog::Kind::Font, [font](qtdialog::Request& r) {
                         *r.font = font;
                         return true;
                     }});
}

void DialogScript::chooseColour(const QColor& colour) {
    answers_.append({qtdialog::Kind::Colour, [colour](qtdialog::Request& r) {
                         *r.colour = colour;
                         return true;
                     }});
}

void DialogScript::print() {
    answers_.append({qtdialog::Kind::Print, [](qtdialog::Request&) { return true; }});
}

void DialogScript::preview() {
    answers_.append({qtdialog::Kind::Preview, [this](qtdialog::Request& r) {
                         QPrintPreviewWidget widget(r.printer);
                         const auto* paint = r.paint;
                         QObject::connect(&widget, &QPrintPreviewWidget::paintRequested, &widget,
                                          [paint](QPrinter* target) { (*paint)(target); });
                         widget.updatePreview();
                         previewPages_ = widget.pageCount();
                         return true;
                     }});
}

void DialogScript::cancel(qtdialog::Kind kind) {
    answers_.append({kind, [](qtdialog::Request&) { return false; }});
}

QString describe(const msgbox::Box& box) {
    QString text = box.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\\r\\n"));
    return QStringLiteral("[%1] %2 (icon %3)").arg(box.caption, text).arg(int(box.icon));
}
