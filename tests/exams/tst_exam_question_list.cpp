#include "app/frm_main.h"
#include "exams/exam_question_list.h"
#include "exams/frm_soru_detay.h"
#include "grid/datagrid.h"
#include "storage/session.h"
#include "tests/support/box_script.h"
#include "tests/support/program_fixture.h"
#include "text/long_text.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using msgbox::Button;

namespace {

const QString kChoose = QStringLiteral("\r\nSoru Seçiniz...");
const QString kRtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg1254{\\fonttbl{\\f0 Tahoma;}}\\f0 Zengin \\b metin\\b0\\par}");

// Vize holds four entries (qqID 2, 4, 6, 9) in that order; Final one; Boş none.
const QString kSeed =
    QStringLiteral(
        "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
        "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, true_answer, qgrp, sts) VALUES"
        " (1,'Bir','a1','b1','c1','d1','2',1,0),(2,'İki','a2','b2','c2','d2','',1,1),(3,'Üç','','','','','4',1,0),"
        " (4,'Dört','','','','','1',1,0),(5,'") +
    kRtf +
    QStringLiteral(
        "','','','','','3',1,0);"
        "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize'),('Final'),('Boş');"
        "INSERT INTO qquestion VALUES (2,1,1),(4,1,2),(6,1,3),(9,1,4),(10,2,5);");

struct List : ProgramFixture {
    ExamQuestionList* list = nullptr;
    grid::DataGrid* exams = nullptr;
    grid::DataGrid* entries = nullptr;
    explicit List(const QString& seed = kSeed) : ProgramFixture(seed) {
        show();
        clickTab(1);
        list = main->examQuestions();
        exams = main->wwDBGrid3;
        entries = main->wwDBGrid4;
    }
    storage::RecordSet& tQuestions() { return session->tQuestions; }
    // Keys of the first exam's entries, by bank question, in list order.
    QString order() const {
        return db.text(
            QStringLiteral("select group_concat(question_id || '@' || qqID, ',') from "
                           "(select * from qquestion where group_id = 1 order by qqID)"));
    }
    void click(QToolButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    // A click on the expand glyph of an exam row.
    void clickGlyph(int row) { QTest::mouseClick(exams->viewport(), Qt::LeftButton, {}, exams->expandButtonRect(row).center()); }
    void expandByKey() {
        exams->setFocus();
        exams->setCurrentColumn(0);
        QTest::keyClick(exams, Qt::Key_Right, Qt::ControlModifier);
    }
};

}  // namespace

class TestExamQuestionList : public QObject {
    Q_OBJECT
private slots:
    // Collapsed, browsing and moves do nothing; removal and the detail ask
    // for a question first.
    void collapsedCommands() {
        List a;
        BoxScript boxes;
        a.tQuestions().last();
        for (QToolButton* b : {a.main->ToolButton8, a.main->ToolButton11, a.main->ToolButton17, a.main->ToolButton16}) a.click(b);
        QCOMPARE(a.tQuestions().recNo(), 4);
        QCOMPARE(a.order(), QStringLiteral("1@2,2@4,3@6,4@9"));
        for (QToolButton* b : {a.main->ToolButton5, a.main->ToolButton22}) {
            boxes.expect(Button::OK);
            a.click(b);
            QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
            QCOMPARE(boxes.last().text, kChoose);
        }
    }

    void expandAndCollapse() {
        List a;
        QVERIFY(!a.entries->isVisible());
        // The plus sign of the second row: that exam becomes current and expands.
        a.clickGlyph(1);
        QCOMPARE(a.session->tsinav.recNo(), 2);
        QVERIFY(a.list->isExpanded());
        QVERIFY(a.entries->isVisible());
        QVERIFY(a.entries->hasFocus());
        QCOMPARE(a.tQuestions().recordCount(), 1);
        // Placed under the row's own part, which keeps the exam's name in
        // sight, and 11 pixels right of the glyph.
        const QRect glyph = a.exams->expandButtonRect(1);
        QCOMPARE(a.entries->pos(), QPoint(glyph.left() + 11, a.exams->cellRect(1, 1).top() + a.exams->dataRowHeight() - 1));
        // A short list gets a short grid, just tall enough for its rows; the
        // exam row grows to hold it.
        QCOMPARE(a.entries->viewport()->height(), a.entries->dataRowHeight());
        QCOMPARE(a.exams->cellRect(2, 1).top() - a.exams->cellRect(1, 1).top(),
                 a.exams->dataRowHeight() + a.entries->height() - 1);
        // A screen reader hears what the sign does.
        QCOMPARE(a.exams->model()->index(1, 0).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Daralt"));
        QCOMPARE(a.exams->model()->index(0, 0).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Genişlet"));
        // The sign's cell says the row is expanded, and the list is found
        // in the tree under the exam table, as it shows under the row.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(a.exams);
        QVERIFY(table->tableInterface()->cellAt(1, 0)->state().expanded);
        QAccessibleInterface* holder = QAccessible::queryAccessibleInterface(a.entries)->parent();
        QCOMPARE(holder->parent(), table);
        QCOMPARE(table->child(table->childCount() - 1), holder);
        // The minus sign collapses; the row is back to its height.
        a.clickGlyph(1);
        QVERIFY(!a.list->isExpanded());
        QVERIFY(!a.entries->isVisible());
        QVERIFY(table->tableInterface()->cellAt(1, 0)->state().collapsed);
        QCOMPARE(table->indexOfChild(holder), -1);
        QCOMPARE(a.exams->cellRect(2, 1).top() - a.exams->cellRect(1, 1).top(), a.exams->dataRowHeight());

        // From the keyboard: Ctrl+Right in the ID cell, Ctrl+Left in the list.
        a.session->tsinav.first();
        a.expandByKey();
        QVERIFY(a.list->isExpanded());
        QCOMPARE(a.tQuestions().recordCount(), 4);
        QTest::keyClick(a.entries, Qt::Key_Left, Qt::ControlModifier);
        QVERIFY(!a.list->isExpanded());
        QVERIFY(a.exams->hasFocus());
        // And by a screen reader: the press action of another row's sign.
        table->tableInterface()->cellAt(1, 0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(a.list->isExpanded());
        QCOMPARE(a.session->tsinav.recNo(), 2);
    }

    // Ctrl+Left in the list leaves the focus in the exam's ID cell, where
    // Ctrl+Right opens the list again, whichever cell was current before.
    void ctrlLeftThenCtrlRight() {
        List a;
        a.exams->setFocus();
        a.exams->setCurrentColumn(1);
        a.clickGlyph(0);
        QVERIFY(a.entries->hasFocus());
        QTest::keyClick(a.entries, Qt::Key_Left, Qt::ControlModifier);
        QVERIFY(!a.list->isExpanded());
        QTest::keyClick(a.exams, Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(a.list->isExpanded());
    }

    // The last exam of a list longer than the grid: expanded, the grid
    // scrolls so that its whole question list is in sight.
    void expandingTheLastExamScrollsToItsList() {
        QString seed = QStringLiteral(
            "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
            "INSERT INTO tqmaster (rid, question, qgrp) VALUES (1,'Bir',1),(2,'İki',1),(3,'Üç',1);");
        for (int n = 1; n <= 40; ++n) seed += QStringLiteral("INSERT INTO qgroup (GROUPNAME) VALUES ('S%1');").arg(n);
        seed += QStringLiteral("INSERT INTO qquestion VALUES (1,40,1),(2,40,2),(3,40,3);");
        List a(seed);
        a.session->tsinav.last();
        a.expandByKey();
        QVERIFY(a.list->isExpanded());
        QCOMPARE(a.tQuestions().recordCount(), 3);
        QVERIFY2(a.entries->geometry().bottom() < a.exams->viewport()->height(),
                 qPrintable(QStringLiteral("list ends at %1, the view at %2")
                                .arg(a.entries->geometry().bottom())
                                .arg(a.exams->viewport()->height())));
        QVERIFY(a.exams->cellRect(39, 1).top() >= 0);
    }

    // What collapses the list and what does not.
    void expansionFollowsTheExams() {
        List a;
        a.expandByKey();
        a.tQuestions().close();  // the entries reopened or browsed: stays
        a.tQuestions().open();
        a.click(a.main->ToolButton14);
        QVERIFY(a.list->isExpanded());
        a.session->tsinav.next();  // another exam: collapses
        QVERIFY(!a.list->isExpanded());

        a.expandByKey();
        a.session->tsinav.edit();  // an edit collapses only once posted
        a.session->tsinav.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("Bütünleme"));
        QVERIFY(a.list->isExpanded());
        a.session->tsinav.post();
        QVERIFY(!a.list->isExpanded());

        a.expandByKey();
        a.session->tsinav.close();  // reopened: collapses
        a.session->tsinav.open();
        QVERIFY(!a.list->isExpanded());
    }

    // "<" goes to the first entry, "<<" to the previous, ">>" to the next, ">" to the last.
    void browsing() {
        List a;
        a.expandByKey();
        a.click(a.main->ToolButton14);
        QCOMPARE(a.tQuestions().recNo(), 4);
        a.click(a.main->ToolButton11);
        QCOMPARE(a.tQuestions().recNo(), 3);
        a.click(a.main->ToolButton8);
        QCOMPARE(a.tQuestions().recNo(), 1);
        a.click(a.main->ToolButton12);
        QCOMPARE(a.tQuestions().recNo(), 2);
    }

    void moves() {
        List a;
        a.expandByKey();
        BoxScript boxes;
        // Up on the first and down on the last change nothing.
        a.click(a.main->ToolButton17);
        a.click(a.main->ToolButton14);
        a.click(a.main->ToolButton16);
        QCOMPARE(a.order(), QStringLiteral("1@2,2@4,3@6,4@9"));
        // Up: the moved entry takes the upper key and stays current.
        a.tQuestions().setRecNo(3);
        a.click(a.main->ToolButton17);
        QCOMPARE(a.order(), QStringLiteral("1@2,3@4,2@6,4@9"));
        QCOMPARE(a.tQuestions().recNo(), 2);
        QCOMPARE(a.tQuestions().field(QStringLiteral("question")).asString(), QStringLiteral("Üç"));
        QVERIFY(a.list->isExpanded());
        // Down again: every key as before.
        a.click(a.main->ToolButton16);
        QCOMPARE(a.order(), QStringLiteral("1@2,2@4,3@6,4@9"));
        QCOMPARE(a.tQuestions().recNo(), 3);
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from qquestion where qqID < 0")), 0);
    }

    // A swap that fails at any statement leaves every key as it was, none
    // parked at its negative, and the cursor on the entry it was on. Up from
    // the third entry (qqID 6) parks 6, gives 4 the key 6, then takes -6 to 4.
    void failedMoveChangesNothing_data() {
        QTest::addColumn<QString>("when");
        QTest::newRow("parking") << QStringLiteral("OLD.qqID = 6 AND NEW.qqID = -6");
        QTest::newRow("middle") << QStringLiteral("OLD.qqID = 4 AND NEW.qqID = 6");
        QTest::newRow("last") << QStringLiteral("OLD.qqID < 0");
    }
    void failedMoveChangesNothing() {
        QFETCH(QString, when);
        List a;
        a.db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON qquestion WHEN ") + when +
                  QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        a.expandByKey();
        a.tQuestions().setRecNo(3);
        BoxScript boxes;
        boxes.expect(Button::OK);
        a.click(a.main->ToolButton17);
        QVERIFY(boxes.last().text.contains(QLatin1String("refused")));
        QCOMPARE(a.order(), QStringLiteral("1@2,2@4,3@6,4@9"));
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from qquestion where qqID < 0")), 0);
        QCOMPARE(a.tQuestions().recNo(), 3);
        QCOMPARE(a.tQuestions().field(QStringLiteral("question")).asString(), QStringLiteral("Üç"));
        QVERIFY(a.list->isExpanded());
    }

    void remove() {
        List a(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
                           "INSERT INTO tqmaster (rid, question, qgrp) VALUES (1,'Bir',1),(2,'İki',1);"
                           "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');"
                           "INSERT INTO qquestion VALUES (3,1,1),(7,1,2);"));
        a.expandByKey();
        a.tQuestions().last();
        BoxScript boxes;
        boxes.expect(Button::No);
        a.click(a.main->ToolButton5);
        QCOMPARE(boxes.last().caption, QStringLiteral("Dikkat"));
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nAktif soru Aktif Sınavdan Kaldırılacak. işleme devam edilsin mi?"));
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from qquestion")), 2);
        boxes.expect(Button::Yes);
        a.click(a.main->ToolButton5);
        QCOMPARE(a.db.text(QStringLiteral("select group_concat(qqID) from qquestion")), QStringLiteral("3"));
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from tqmaster")), 2);  // the bank keeps it
        QCOMPARE(a.tQuestions().recNo(), 1);
        QCOMPARE(a.main->windowTitle(), QStringLiteral("Olvane Tessary by Morvelin -  [ \"Vize\" Soru Sayısı : 1 ]"));
        // The only entry: the list stays shown, empty, and the caption counts 0.
        boxes.expect(Button::Yes);
        a.click(a.main->ToolButton5);
        QVERIFY(a.list->isExpanded());
        QVERIFY(a.entries->isVisible());
        QVERIFY(a.tQuestions().isEmpty());
        QCOMPARE(a.main->windowTitle(), QStringLiteral("Olvane Tessary by Morvelin -  [ \"Vize\" Soru Sayısı : 0 ]"));
        // With no entries, removal and the detail do nothing.
        const auto shown = boxes.shown().size();
        a.click(a.main->ToolButton5);
        a.click(a.main->ToolButton22);
        QCOMPARE(boxes.shown().size(), shown);
    }

    // An entry key another program stored as bytes, text or a decimal is no
    // number: removing or moving that entry, or moving another past it, is
    // refused in Turkish by the field's name, and no entry of any exam
    // changes (bytes of the digit 3 once reached entry 3 of Vize).
    void foreignEntryKeyRefused_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bytes") << "X'33'"
                               << "3";
        QTest::newRow("text") << "'3b'"
                              << "3b";
        QTest::newRow("decimal") << "3.5"
                                 << "3.5";
    }
    void foreignEntryKeyRefused() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        List a(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
                              "INSERT INTO tqmaster (rid, question, qgrp) VALUES (1,'Bir',1),(2,'İki',1),(3,'Üç',1);"
                              "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize'),('Final');"
                              "INSERT INTO qquestion VALUES (2,1,1),(3,1,2),(1,2,1),(%1,2,3);")
                   .arg(stored));
        const QString all = QStringLiteral(
            "select group_concat(typeof(qqID) || hex(qqID) || ':' || group_id || ':' || question_id, ',') from "
            "(select * from qquestion order by rowid)");
        const QString before = a.db.text(all);
        a.session->tsinav.last();
        a.expandByKey();
        QCOMPARE(a.tQuestions().recordCount(), 2);
        const QString refusal = QStringLiteral(
                                    "tQuestions: \"qqID\" alanı '%1' değerini taşıyor; bir tam sayı olmalı. Bu değeri başka "
                                    "bir program yazmış olabilir. İşlem yapılmadı.")
                                    .arg(shown);
        struct Command {
            const char* name;
            int row;  // the entry current before it: 1 the whole number, 2 the foreign key
            QToolButton* button;
            bool asks;
        };
        for (const Command& c : {Command{"remove", 2, a.main->ToolButton5, true}, Command{"up", 2, a.main->ToolButton17, false},
                                 Command{"down", 1, a.main->ToolButton16, false}}) {
            a.tQuestions().setRecNo(c.row);
            BoxScript boxes;
            if (c.asks) boxes.expect(Button::Yes);
            boxes.expect(Button::OK);
            a.click(c.button);
            QVERIFY2(boxes.pending() == 0, c.name);
            QCOMPARE(boxes.last().text, refusal);
            QCOMPARE(a.db.text(all), before);
            QCOMPARE(a.tQuestions().recNo(), c.row);
            QVERIFY(a.list->isExpanded());
        }
    }

    void detail() {
        List a;
        Tsoru_detay* d = a.forms().soru_detay;
        QCOMPARE(d->windowTitle(), QStringLiteral("Soru Detayları"));
        QCOMPARE(d->size(), QSize(469, 330));
        QCOMPARE(d->Label7->text(), QStringLiteral("??"));
        QCOMPARE(d->Memo1->size(), QSize(457, 49));
        QCOMPARE(d->Memo2->size(), QSize(457, 33));
        a.expandByKey();
        a.click(a.main->ToolButton22);
        QVERIFY(d->isVisible());
        QVERIFY(!d->isModal());
        QCOMPARE(d->Memo1->toPlainText(), QStringLiteral("Bir"));
        QCOMPARE(d->Memo2->toPlainText(), QStringLiteral("a1"));
        QCOMPARE(d->Memo5->toPlainText(), QStringLiteral("d1"));
        QCOMPARE(d->Label7->text(), QStringLiteral("B"));
        QVERIFY(!d->CheckBox1->isChecked());
        // A correct answer other than 1-4 keeps the letter shown before.
        a.click(a.main->ToolButton12);
        QTest::mouseDClick(a.entries->viewport(), Qt::LeftButton, {}, a.entries->cellRect(1, 0).center());
        QCOMPARE(d->Memo1->toPlainText(), QStringLiteral("İki"));
        QVERIFY(d->CheckBox1->isChecked());
        QCOMPARE(d->Label7->text(), QStringLiteral("B"));
        // Ticking the box stores nothing; the dialog does not follow later moves.
        QTest::mouseClick(d->CheckBox1, Qt::LeftButton);
        QCOMPARE(a.db.scalar(QStringLiteral("select sts from tqmaster where rid = 2")), 1);
        a.click(a.main->ToolButton14);
        QCOMPARE(d->Memo1->toPlainText(), QStringLiteral("İki"));
        // Enter closes it.
        QTest::keyClick(d->Button1, Qt::Key_Return);
        QVERIFY(!d->isVisible());
    }

    // Rich-text questions are read as their text, never as their codes, in
    // the list and in the detail.
    void richTextQuestionShownAsText() {
        List a;
        a.session->tsinav.next();
        a.expandByKey();
        QCOMPARE(a.entries->cellText(0, 0), QStringLiteral("Zengin metin"));
        a.click(a.main->ToolButton22);
        QCOMPARE(a.forms().soru_detay->Memo1->toPlainText(), QStringLiteral("Zengin metin"));
        QCOMPARE(a.forms().soru_detay->Label7->text(), QStringLiteral("C"));
        a.forms().soru_detay->close();
    }

    // A question longer than a window reads (another program may store
    // megabytes) is shown by its beginning with a note, in the list and in
    // the detail; the bank keeps it whole.
    void hugeQuestionShownCut() {
        List a(kSeed + QStringLiteral("UPDATE tqmaster SET question = '{\\rtf1\\ansi ' || "
                                      "replace(hex(zeroblob(%1)), '00', 'soru metni ') || '}' WHERE rid = 5;")
                           .arg(longtext::kWindowChars / 11 + 10));
        a.session->tsinav.next();
        a.expandByKey();
        auto isCut = [](const QString& shown, qsizetype most) {
            return shown.startsWith(QStringLiteral("soru metni soru metni")) &&
                   shown.contains(QStringLiteral("Metin çok uzun")) && shown.size() < most + 200;
        };
        QVERIFY(isCut(a.entries->cellText(0, 0), longtext::kCellChars));
        a.click(a.main->ToolButton22);
        QVERIFY(isCut(a.forms().soru_detay->Memo1->toPlainText(), longtext::kPreviewChars));
        a.forms().soru_detay->close();
        QVERIFY(a.db.scalar(QStringLiteral("select length(question) from tqmaster where rid = 5")) > longtext::kWindowChars);
    }
};

QTEST_MAIN(TestExamQuestionList)
#include "tst_exam_question_list.moc"
