#include "tests/support/keys.h"
#include "tests/support/program_fixture.h"
#include "ui/textinput.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using ui::TextInput;
using ui::TextInputDialog;

namespace {
TextInputDialog* upNow() { return qobject_cast<TextInputDialog*>(QApplication::activeModalWidget()); }
}  // namespace

class TestTextInput : public QObject {
    Q_OBJECT
private slots:
    void layout() {
        TextInputDialog d(QStringLiteral("Referans No Bul"), QStringLiteral("Gitmek İstediğiniz Referans No yu giriniz"),
                          QStringLiteral("12"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Referans No Bul"));
        QCOMPARE(d.size(), QSize(361, 143));
        QCOMPARE(d.Prompt->geometry(), QRect(8, 8, 275, 75));
        QVERIFY(d.Prompt->wordWrap());
        QCOMPARE(d.Edit->geometry(), QRect(6, 87, 341, 21));
        QCOMPARE(d.Edit->maxLength(), 255);
        QCOMPARE(d.OkButton->geometry(), QRect(288, 10, 59, 25));
        QCOMPARE(d.CancelButton->geometry(), QRect(288, 42, 59, 25));
        QCOMPARE(d.OkButton->text(), QStringLiteral("Tamam"));
        QCOMPARE(d.CancelButton->text(), QStringLiteral("İptal"));
        QVERIFY(d.OkButton->isDefault());
        // A screen reader names the edit by its prompt.
        QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(d.Edit);
        QVERIFY(edit);
        QCOMPARE(edit->text(QAccessible::Name), d.Prompt->text());
    }

    // The initial value is all selected, so typing replaces it; Enter is
    // "Tamam", Esc and the close box "İptal".
    void keysAndResult_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("text");
        QTest::newRow("enter replaces") << "  yeni  " << int(Qt::Key_Return) << true << "  yeni  ";
        QTest::newRow("enter keeps") << "" << int(Qt::Key_Return) << true << "eski";
        QTest::newRow("escape") << "yeni" << int(Qt::Key_Escape) << false << "";
    }
    void keysAndResult() {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(bool, accepted);
        QFETCH(QString, text);
        whenModal([&] {
            TextInputDialog* d = upNow();
            QVERIFY(d);
            QVERIFY(d->Edit->hasSelectedText());
            QCOMPARE(d->Edit->selectedText(), QStringLiteral("eski"));
            typeText(d->Edit, typed);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        });
        const TextInput r = ui::askText(QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("eski"));
        QCOMPARE(r.accepted, accepted);
        QCOMPARE(r.text, text);
    }

    void longTextStopsAt255() {
        whenModal([&] {
            TextInputDialog* d = upNow();
            QVERIFY(d);
            typeText(d->Edit, QString(300, u'x'));
            QTest::mouseClick(d->OkButton, Qt::LeftButton);
        });
        QCOMPARE(ui::askText(QStringLiteral("c"), QStringLiteral("p"), QString()).text.size(), 255);
    }
};

QTEST_MAIN(TestTextInput)
#include "tst_textinput.moc"
