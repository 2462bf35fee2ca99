#include "tests/support/box_script.h"

#include <QTest>

BoxScript::BoxScript() {
    msgbox::setInterceptor([this](const msgbox::Box& box) {
        shown_.append(box);
        if (answers_.isEmpty()) {
            QTest::qFail(qPrintable(QStringLiteral("unscripted message box: ") + describe(box)), __FILE__, __LINE__);
            return box.escapeButton;
        }
        return answers_.takeFirst();
    });
    msgbox::setFileInterceptor([this](const QString& caption, const QString&) {
        if (files_.isEmpty()) {
            QTest::qFail(qPrintable(QStringLiteral("unscripted open-file dialog: ") + caption), __FILE__, __LINE__);
            return QString();
        }
        return files_.takeFirst();
    });
}

BoxScript::~BoxScript() {
    msgbox::setInterceptor({});
    msgbox::setFileInterceptor({});
}

QString describe(const msgbox::Box& box) {
    QString text = box.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\\r\\n"));
    return QStringLiteral("[%1] %2 (icon %3)").arg(box.caption, text).arg(int(box.icon));
}
