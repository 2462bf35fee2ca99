#include "storage/errors.h"
#include "tests/support/box_script.h"
#include "ui/msgbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace msgbox;

class TestMsgBox : public QObject {
    Q_OBJECT
private slots:
    void fullStopRule_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "tgrp: Cannot perform this operation on an empty dataset"
                                << "tgrp: Cannot perform this operation on an empty dataset.";
        QTest::newRow("digit") << "code 42"
                               << "code 42.";
        QTest::newRow("question mark") << "why?"
                                       << "why?.";
        QTest::newRow("full stop") << "done."
                                   << "done.";
        QTest::newRow("exclamation") << "stop!"
                                     << "stop!";
        QTest::newRow("parenthesis") << "(x)"
                                     << "(x)";
        QTest::newRow("turkish letter") << "Dosya bulunmadı"
                                        << "Dosya bulunmadı.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fullStopRule() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(withFullStop(message), shown);
    }

    void standardBoxes() {
        BoxScript script;
        for (int i = 0; i < 5; ++i) script.expect(Button::OK);
        script.expect(Button::Yes);
        plain(QStringLiteral("p"));
        information(QStringLiteral("i"));
        warning(QStringLiteral("\r\nw"));
        errorBox(QStringLiteral("e"));
        showError(QStringLiteral("x"));
        QVERIFY(confirm(nullptr, QStringLiteral("sure?")));
        const auto& b = script.shown();
        QCOMPARE(b.size(), 6);
        QCOMPARE(b[0].caption, QStringLiteral("Tassary By Morvelin"));
        QCOMPARE(b[0].icon, Icon::None);
        QCOMPARE(b[1].caption, QStringLiteral("Information"));
        QCOMPARE(b[2].caption, QStringLiteral("Warning"));
        QCOMPARE(b[2].text, QStringLiteral("\r\nw"));
        QCOMPARE(b[3].caption, QStringLiteral("Error"));
        QCOMPARE(b[4].caption, QStringLiteral("Tassary By Morvelin"));
        QCOMPARE(b[4].icon, Icon::Error);
        QCOMPARE(b[4].text, QStringLiteral("x."));
        QCOMPARE(b[5].caption, QStringLiteral("Dikkat"));
        QCOMPARE(b[5].icon, Icon::Warning);
        QCOMPARE(b[5].buttons, (QList<Button>{Button::Yes, Button::No}));
        QCOMPARE(b[5].defaultButton, Button::No);
    }

    // Nothing escapes a guarded command; a silent abort shows no box.
    void guardShowsErrorsButNotSilentAborts() {
        BoxScript script;
        guard([] { throw storage::SilentAbort(); });
        QCOMPARE(script.shown().size(), 0);
        script.expect(Button::OK);
        guard([] { throw storage::Error(QStringLiteral("tgrp: broken")); });
        QCOMPARE(script.last().text, QStringLiteral("tgrp: broken."));
        script.expect(Button::OK);
        guard([] { throw std::runtime_error("plain"); });
        QCOMPARE(script.last().text, QStringLiteral("plain."));
    }

    // Without a script the box is a real modal QMessageBox: the caption, icon,
    // text with plain line feeds, buttons and default are what the user sees,
    // and the button clicked is what the caller gets.
    void realBoxShowsAndAnswers() {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
        QString defaultText;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            for (QAbstractButton* b : box->buttons()) buttons << b->text().remove(u'&');
            if (box->defaultButton()) defaultText = box->defaultButton()->text().remove(u'&');
            box->button(QMessageBox::Yes)->click();
        });
        QVERIFY(confirm(nullptr, QStringLiteral("\r\nAktif kayıt silinecek.")));
        QCOMPARE(caption, QStringLiteral("Dikkat"));
        QCOMPARE(text, QStringLiteral("\nAktif kayıt silinecek."));
        QCOMPARE(icon, QMessageBox::Warning);
        buttons.sort();
        QCOMPARE(buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
        QCOMPARE(defaultText, QStringLiteral("No"));

        // Esc gives the escape button.
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Escape);
        });
        QVERIFY(!confirm(nullptr, QStringLiteral("again?")));
    }

    // A box is as wide as its longest line: no line of a text written line
    // by line is wrapped where the screen has room for it.
    void boxFitsItsLongestLine() {
        const QString longest =
            QStringLiteral("Sorulara başlık eklemek için \"Soru\" bölümüne başlığı girerken <?> ile başlatmanız ve ");
        int labelWidth = 0, needed = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            labelWidth = label->width();
            needed = label->fontMetrics().horizontalAdvance(longest);
            box->button(QMessageBox::Ok)->click();
        });
        information(QStringLiteral("Kısa satır\r\n") + longest + QStringLiteral("\r\nörnek: <?>MS Word Soruları"));
        QVERIFY2(labelWidth >= needed, qPrintable(QStringLiteral("%1 < %2").arg(labelWidth).arg(needed)));
    }
};

QTEST_MAIN(TestMsgBox)
#include "tst_msgbox.moc"
