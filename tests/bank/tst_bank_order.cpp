// Reordering the bank, moving a question to another group, and reference
// numbers, driven through the entry window's toolbar and menu.
#include "app/forms.h"
#include "bank/frm_sgrp.h"
#include "bank/frm_soru_gir.h"
#include "grid/datagrid.h"
#include "grid/richcell.h"
#include "storage/session.h"
#include "storage/sqlite/sqlite_database.h"
#include "storage/statements.h"
#include "tests/support/box_script.h"
#include "tests/support/entry_fixture.h"
#include "tests/support/program_fixture.h"
#include "ui/textinput.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <sqlite3.h>

using msgbox::Button;
using storage::RecordState;

namespace {

// Group 1 "Tarih" holds a, b, c at rids 3, 8, 20; group 2 "Coğrafya" holds x at 30.
const QString kSeed = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih'),('Coğrafya');"
    "INSERT INTO tqmaster VALUES (3,'a','a1','a2','a3','a4','1',0,1),(8,'b','b1','b2','b3','b4','2',0,1),"
    "(20,'c','c1','c2','c3','c4','3',0,1),(30,'x','x1','x2','x3','x4','4',0,2);");

// The change statements the program sends, as sent.
class ChangeLog {
public:
    explicit ChangeLog(storage::Session& s) : db_(storage::sqlite::handleOf(s.ADOConnection1)) {
        sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, &ChangeLog::onStatement, this);
    }
    ~ChangeLog() { sqlite3_trace_v2(db_, 0, nullptr, nullptr); }
    QStringList take() { return std::exchange(sent_, {}); }

private:
    static int onStatement(unsigned, void* self, void*, void* text) {
        const QString sql = QString::fromUtf8(static_cast<const char*>(text));
        if (sql.startsWith(QLatin1String("update"), Qt::CaseInsensitive)) static_cast<ChangeLog*>(self)->sent_ << sql;
        return 0;
    }
    sqlite3* db_;
    QStringList sent_;
};

struct Entry : EntryFixture {
    explicit Entry(const QString& sql = kSeed) : EntryFixture(sql) {}
    QString current() { return q().field(QStringLiteral("question")).asString(); }
    // question@rid of a group, in rid order.
    QString order(int group = 1) const {
        return db.text(QStringLiteral("select group_concat(question || '@' || rid, ',') from "
                                      "(select * from tqmaster where qgrp = %1 order by rid)")
                           .arg(group));
    }
    // Picks a row of the group list in the picker and closes it with a button.
    void pickGroup(int recNo, bool ok) {
        whenModal([this, recNo, ok] {
            Tsgrpx* picker = forms().sgrpx;
            QVERIFY(picker->isVisible());
            session->tgrp.setRecNo(recNo);
            QTest::mouseClick(ok ? picker->Button1 : picker->Button2, Qt::LeftButton);
        });
    }
    // Answers the text input dialog with text (or cancels it).
    void answerText(const QString& text, bool ok = true) {
        whenModal([text, ok] {
            auto* d = qobject_cast<ui::TextInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QStringLiteral("Referans No Bul"));
            QCOMPARE(d->Prompt->text(), QStringLiteral("Gitmek İstediğiniz Referans No yu giriniz"));
            QCOMPARE(d->Edit->text(), QString());
            d->Edit->setText(text);
            QTest::mouseClick(ok ? d->OkButton : d->CancelButton, Qt::LeftButton);
        });
    }
};

}  // namespace

class TestBankOrder : public QObject {
    Q_OBJECT
private slots:
    void upAndDown() {
        Entry e;
        ChangeLog log(*e.session);
        BoxScript boxes;
        e.q().first();
        QTest::mouseClick(e.w->BtnUp, Qt::LeftButton);
        e.q().last();
        QTest::mouseClick(e.w->BtnDown, Qt::LeftButton);
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(e.order(), QStringLiteral("a@3,b@8,c@20"));

        // Up from the last row: c takes b's number and the place above.
        QTest::mouseClick(e.w->BtnUp, Qt::LeftButton);
        QCOMPARE(log.take(), (QStringList{QStringLiteral("update tqmaster set rid = -20 where rid = 20"),
                                          QStringLiteral("update tqmaster set rid = 20 where rid = 8"),
                                          QStringLiteral("update tqmaster set rid = 8 where rid = -20")}));
        QCOMPARE(e.order(), QStringLiteral("a@3,c@8,b@20"));
        QCOMPARE(e.q().recNo(), 2);
        QCOMPARE(e.current(), QStringLiteral("c"));
        QCOMPARE(e.w->wwDBGrid2->currentIndex().row(), 1);
        QCOMPARE(e.q().rowValue(2, e.q().fieldIndex(QStringLiteral("question"))).toString(), QStringLiteral("b"));

        // Down from the first row: the lower row's number is the one parked.
        e.q().first();
        QTest::mouseClick(e.w->BtnDown, Qt::LeftButton);
        QCOMPARE(log.take(), (QStringList{QStringLiteral("update tqmaster set rid = -8 where rid = 8"),
                                          QStringLiteral("update tqmaster set rid = 8 where rid = 3"),
                                          QStringLiteral("update tqmaster set rid = 3 where rid = -8")}));
        QCOMPARE(e.order(), QStringLiteral("c@3,a@8,b@20"));
        QCOMPARE(e.q().recNo(), 2);
        QCOMPARE(e.current(), QStringLiteral("a"));
        QCOMPARE(e.order(2), QStringLiteral("x@30"));
    }

    // A new row is saved before it moves (it has no number before); a row the
    // post rule refuses does not move.
    void pendingRowIsSavedFirst() {
        Entry e;
        BoxScript boxes;
        e.q().append();
        e.q().field(QStringLiteral("answer1")).setAsString(QStringLiteral("yeni"));
        boxes.expect(Button::OK);
        QTest::mouseClick(e.w->BtnUp, Qt::LeftButton);
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nDoğru cevabı giriniz..."));
        QCOMPARE(e.q().state(), RecordState::Insert);
        QCOMPARE(e.order(), QStringLiteral("a@3,b@8,c@20"));

        e.q().field(QStringLiteral("true_answer")).setAsString(QStringLiteral("1"));
        e.w->wwDBRichEdit1->setQuestionText(QStringLiteral("n"));
        QTest::mouseClick(e.w->BtnUp, Qt::LeftButton);
        QCOMPARE(e.order(), QStringLiteral("a@3,b@8,n@20,c@31"));
        QCOMPARE(e.q().recNo(), 3);
        QCOMPARE(e.current(), QStringLiteral("n"));
    }

    // A statement of the exchange that fails undoes the ones before it.
    void failedSwapChangesNothing() {
        Entry e;
        e.db.exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON tqmaster WHEN OLD.rid = 8 AND NEW.rid = 20 "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        e.q().last();
        BoxScript boxes;
        boxes.expect(Button::OK);
        QTest::mouseClick(e.w->BtnUp, Qt::LeftButton);
        QVERIFY2(boxes.last().text.contains(QLatin1String("refused")), qPrintable(describe(boxes.last())));
        QCOMPARE(e.order(), QStringLiteral("a@3,b@8,c@20"));
        QCOMPARE(e.db.scalar(QStringLiteral("select count(*) from tqmaster where rid < 0")), 0);
        QCOMPARE(e.current(), QStringLiteral("c"));
    }

    void moveToAnotherGroup() {
        Entry e;
        ChangeLog log(*e.session);
        BoxScript boxes;
        e.q().setRecNo(2);
        // Its own group: refused before any statement.
        boxes.expect(Button::OK);
        e.pickGroup(1, true);
        e.w->SoruTasi1->trigger();
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nAynı gruba veri taşınamaz."));
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
        QCOMPARE(log.take(), QStringList());

        // A change typed into the row goes with it.
        e.q().edit();
        e.q().field(QStringLiteral("answer1")).setAsString(QStringLiteral("değişti"));
        boxes.expect(Button::OK);
        e.pickGroup(2, true);
        e.w->SoruTasi1->trigger();
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nTaşındı : Referans Numarası : 8"));
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
        QCOMPARE(log.take().last(), QStringLiteral("Update tqmaster set qgrp = 2 where rid = 8"));
        QCOMPARE(e.order(), QStringLiteral("a@3,c@20"));
        QCOMPARE(e.order(2), QStringLiteral("b@8,x@30"));
        QCOMPARE(e.db.text(QStringLiteral("select answer1 from tqmaster where rid = 8")), QStringLiteral("değişti"));
        // The window goes on listing its own group, from the first row.
        QCOMPARE(e.q().recordCount(), 2);
        QCOMPARE(e.q().recNo(), 1);
    }

    // A reference number another program stored as bytes is no number:
    // moving that question up, down past it, or to another group is refused
    // by the field's name before any statement (bytes of the digit 8 would
    // have reached question 8 of the other group).
    void foreignReferenceNumberMovesNothing() {
        Entry e(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih'),('Coğrafya');"
                           "INSERT INTO tqmaster (rid, question, true_answer, qgrp) VALUES (3,'a','1',1),(X'38','y','1',1),"
                           "(8,'x','1',2);"));
        ChangeLog log(*e.session);
        const QString refusal = QStringLiteral(
            "ADOTable1: \"rid\" alanı '8' değerini taşıyor; bir tam sayı olmalı. Bu değeri başka bir program yazmış "
            "olabilir. İşlem yapılmadı.");
        const QString all = QStringLiteral("select group_concat(question || typeof(rid) || qgrp, ',') from tqmaster");
        const QString before = e.db.text(all);
        BoxScript boxes;
        e.q().setRecNo(2);
        boxes.expect(Button::OK);
        QTest::mouseClick(e.w->BtnUp, Qt::LeftButton);
        QCOMPARE(boxes.last().text, refusal);
        QCOMPARE(e.current(), QStringLiteral("y"));
        boxes.expect(Button::OK);
        e.w->SoruTasi1->trigger();  // refused before the group is asked for
        QCOMPARE(boxes.last().text, refusal);
        e.q().first();
        boxes.expect(Button::OK);
        QTest::mouseClick(e.w->BtnDown, Qt::LeftButton);
        QCOMPARE(boxes.last().text, refusal);
        QCOMPARE(e.current(), QStringLiteral("a"));
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(e.db.text(all), before);
    }

    void moveWithoutASavedQuestion() {
        Entry e;
        BoxScript boxes;
        // A new row the post rule refuses: the command ends there.
        e.q().append();
        e.q().field(QStringLiteral("answer1")).setAsString(QStringLiteral("yarım"));
        boxes.expect(Button::OK);
        e.w->SoruTasi1->trigger();
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nDoğru cevabı giriniz..."));
        QVERIFY(!e.forms().sgrpx->isVisible());
        e.q().cancel();

        // A new row without changes has no number: the statement changes nothing.
        ChangeLog log(*e.session);
        e.q().append();
        boxes.expect(Button::OK);
        e.pickGroup(2, true);
        e.w->SoruTasi1->trigger();
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nTaşındı : Referans Numarası : 0"));
        QCOMPARE(log.take().last(), QStringLiteral("Update tqmaster set qgrp = 2 where rid = 0"));
        QCOMPARE(e.order(), QStringLiteral("a@3,b@8,c@20"));
        QCOMPARE(e.q().recordCount(), 3);
    }

    // "Vazgeç" after choosing another group changes nothing, but new questions
    // then go to the chosen group while the window still lists its own.
    void pickerCancelledAfterAChoice() {
        Entry e;
        ChangeLog log(*e.session);
        BoxScript boxes;
        e.pickGroup(2, false);
        e.w->SoruTasi1->trigger();
        QCOMPARE(log.take(), QStringList());
        QCOMPARE(boxes.shown().size(), 0);
        e.q().append();
        e.w->wwDBRichEdit1->setQuestionText(QStringLiteral("yeni"));
        e.q().field(QStringLiteral("true_answer")).setAsString(QStringLiteral("2"));
        e.q().post();
        QCOMPARE(e.order(2), QStringLiteral("x@30,yeni@31"));
        QCOMPARE(e.order(), QStringLiteral("a@3,b@8,c@20"));
        QCOMPARE(e.q().recordCount(), 4);
    }

    void referenceNumber() {
        Entry e;
        BoxScript boxes;
        e.q().setRecNo(2);
        boxes.expect(Button::OK);
        e.w->ReferansNo1->trigger();
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nReferans Numarası : 8"));
        QCOMPARE(boxes.last().caption, QStringLiteral("Information"));
        e.q().append();  // no number yet
        boxes.expect(Button::OK);
        e.w->ReferansNo1->trigger();
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nReferans Numarası : "));
    }

    void goToReference_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("current");
        QTest::newRow("in the list") << "20" << true << "c";
        QTest::newRow("blanks around") << " 3 " << true << "a";
        QTest::newRow("minus one") << "-1" << true << "b";
        QTest::newRow("letters") << "abc" << true << "b";
        QTest::newRow("number and letters") << "20x" << true << "b";
        QTest::newRow("empty") << "" << true << "b";
        QTest::newRow("another group's question") << "30" << true << "b";
        QTest::newRow("no such number") << "9" << true << "b";
        QTest::newRow("cancelled") << "20" << false << "b";
    }
    void goToReference() {
        QFETCH(QString, typed);
        QFETCH(bool, ok);
        QFETCH(QString, current);
        Entry e;
        BoxScript boxes;  // never a box
        e.q().setRecNo(2);
        e.answerText(typed, ok);
        e.w->ReferansNoGit1->trigger();
        QCOMPARE(e.current(), current);
    }

    // Without any group the commands do nothing at all.
    void withoutGroups() {
        Entry e(QString{});
        ChangeLog log(*e.session);
        BoxScript boxes;
        e.w->SoruTasi1->trigger();
        e.w->ReferansNo1->trigger();
        e.w->ReferansNoGit1->trigger();
        QTest::mouseClick(e.w->BtnUp, Qt::LeftButton);
        QTest::mouseClick(e.w->BtnDown, Qt::LeftButton);
        QCOMPARE(log.take(), QStringList());
    }
};

QTEST_MAIN(TestBankOrder)
#include "tst_bank_order.moc"
