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

    // One question whose reference number another program stored as text
    // or bytes blocks no other: new questions in every group take the
    // largest whole number plus one, and a box names that question once.
    void foreignReferenceNumberBlocksNothing_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("text") << "'12b'"
                              << "12b";
        QTest::newRow("bytes") << "X'3939'"
                               << "99";
    }
    void foreignReferenceNumberBlocksNothing() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        ProgramFixture a(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Fizik'),('Kimya');"
                                        "INSERT INTO tqmaster (rid, question, qgrp, true_answer) VALUES"
                                        " (3,'a',1,'1'),(%1,'web',2,'1'),(40,'b',1,'1');")
                             .arg(stored));
        a.show();
        storage::RecordSet& q = a.session->ADOTable1;
        BoxScript boxes;
        for (int group : {1, 2, 1}) {
            a.session->tgrp.setRecNo(group);
            q.close();
            q.setCommandText(storage::sql::questionsOfGroup(group));
            q.open();
            q.append();
            q.field(QStringLiteral("true_answer")).setAsString(QStringLiteral("2"));
            if (boxes.shown().isEmpty()) boxes.expect(Button::OK);
            q.post();
            q.close();
        }
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
        QCOMPARE(boxes.last().text,
                 QStringLiteral("\r\nGrup no 2 (\"Kimya\") içindeki bir sorunun referans numarası bir tam sayı değil: '%1'. "
                                "Bu değeri başka bir program yazmış olmalı; o soru taşınamaz ve sınava aktarılamaz. Yeni "
                                "sorular, tam sayı olan en büyük referans numarasından sonra numaralanır.")
                     .arg(shown));
        QCOMPARE(a.db.text(QStringLiteral("select group_concat(rid || ':' || qgrp, ',') from (select * from tqmaster where "
                                          "typeof(rid) = 'integer' order by rid)")),
                 QStringLiteral("3:1,40:1,41:1,42:2,43:1"));
    }
};

QTEST_MAIN(TestPostRule)
#include "tst_post_rule.moc"
