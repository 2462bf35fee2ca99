#include "app/frm_main.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "tests/support/box_script.h"
#include "tests/support/program_fixture.h"

#include <QTest>

using msgbox::Button;
using storage::RecordState;

// The post rule of bank questions as the program runs it, without a window:
// the hook of the main window on the session's bank question set.
class TestPostRule : public QObject {
    Q_OBJECT
private slots:
    // Another program takes the next reference number between our reading it
    // and our insert: the clash is told in plain words, the row stays to be
    // saved again, and saving again takes the next free number.
    void numberTakenMeanwhile() {
        ProgramFixture a(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih'),('Coğrafya');"
                           "INSERT INTO tqmaster (rid, question, qgrp, true_answer) VALUES (1,'a',2,'1');"));
        a.show();
        storage::RecordSet& q = a.session->ADOTable1;
        // The web site inserts once, after the rule has read the next number
        // and before our insert lands.
        const auto rule = q.beforePost;
        bool webInserted = false;
        q.beforePost = [&](storage::RecordSet& rs) {
            rule(rs);
            if (!webInserted)
                a.db.exec(QStringLiteral("INSERT INTO tqmaster (rid, question, qgrp, true_answer) VALUES (2, 'web', 2, '1')"));
            webInserted = true;
        };
        q.setCommandText(storage::sql::questionsOfGroup(1));
        q.open();
        q.append();
        q.field(QStringLiteral("question")).setAsString(QStringLiteral("yeni"));
        q.field(QStringLiteral("true_answer")).setAsString(QStringLiteral("3"));
        BoxScript boxes;
        boxes.expect(Button::OK);
        msgbox::guard([&] { q.post(); });
        QVERIFY2(boxes.last().text.contains(QStringLiteral("başka bir program")), qPrintable(boxes.last().text));
        QCOMPARE(q.state(), RecordState::Insert);
        q.post();
        QCOMPARE(a.db.text(QStringLiteral("select group_concat(rid || ':' || question || ':' || qgrp, ',') from "
                                          "(select * from tqmaster order by rid)")),
                 QStringLiteral("1:a:2,2:web:2,3:yeni:1"));
        q.close();
    }

    // A new question is stored active unless it was ticked; the rule never
    // touches the flag of a question already stored.
    void cancelledFlagIsNeverLeftNull_data() {
        QTest::addColumn<int>("ticked");  // -1: the cell left alone
        QTest::addColumn<QString>("stored");
        QTest::newRow("left alone") << -1 << QStringLiteral("0");
        QTest::newRow("ticked") << 1 << QStringLiteral("1");
        QTest::newRow("ticked and cleared") << 0 << QStringLiteral("0");
    }
    void cancelledFlagIsNeverLeftNull() {
        QFETCH(int, ticked);
        QFETCH(QString, stored);
        ProgramFixture a(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
                           "INSERT INTO tqmaster (rid, question, qgrp, true_answer, sts) VALUES (1,'eski',1,'1',NULL);"));
        a.show();
        storage::RecordSet& q = a.session->ADOTable1;
        q.setCommandText(storage::sql::questionsOfGroup(1));
        q.open();
        q.append();
        q.field(QStringLiteral("true_answer")).setAsString(QStringLiteral("2"));
        if (ticked >= 0) q.field(QStringLiteral("sts")).setAsBoolean(ticked == 1);
        q.post();
        q.first();
        q.edit();
        q.field(QStringLiteral("answer1")).setAsString(QStringLiteral("a"));
        q.post();
        QCOMPARE(a.db.text(QStringLiteral("select ifnull(sts, 'null') from tqmaster where rid = 2")), stored);
        QCOMPARE(a.db.text(QStringLiteral("select ifnull(sts, 'null') from tqmaster where rid = 1")), QStringLiteral("null"));
        q.close();
    }
};

QTEST_MAIN(TestPostRule)
#include "tst_post_rule.moc"
