#include "storage/errors.h"
#include "storage/recordset.h"
#include "storage/statements.h"
#include "tests/support/temp_db.h"

#include <QTest>

using namespace storage;

namespace {
// Questions rid 3, 8, 20 in group 1, rid 5 in group 2; exam 1 holds rid 3 and 8.
void seed(TempDb& db) {
    db.exec(
        QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('G1'),('G2');"
                       "INSERT INTO tqmaster (rid, question, qgrp, sts) VALUES (3,'a',1,0),(8,'b',1,1),(20,'c',1,0),(5,'d',2,0);"
                       "INSERT INTO qgroup (GROUPNAME, DRM) VALUES ('E1', 0);"
                       "INSERT INTO qquestion VALUES (1,1,3),(2,1,8);"));
}

qint64 scalarThrough(RecordSet& q, const QString& statement, const QString& field) {
    q.close();
    q.setCommandText(statement);
    q.open();
    const qint64 n = q.field(field).asKeyOr(0);
    q.close();
    return n;
}
}  // namespace

class TestStatements : public QObject {
    Q_OBJECT
private slots:
    void texts_data() {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        using namespace sql;
        QTest::newRow("Q1") << questionsOfGroup(12) << "Select * from tqmaster Where qgrp = 12 Order By rid";
        QTest::newRow("Q2") << groupQuestionCount(12) << "select count(qgrp) as RCX from tqmaster WHERE qgrp = 12";
        QTest::newRow("Q3") << examQuestionCount(4) << "select count(qqID) as RCX from qquestion WHERE group_id = 4";
        QTest::newRow("Q4") << maxRid() << "select max(rid) as MRI FROM tqmaster";
        QTest::newRow("Q5") << examHoldsQuestion(4, 21)
                            << "select count(qqID) as MRI from qquestion where group_id = 4 and question_id = 21";
        QTest::newRow("Q6") << maxQqId() << "select max(qqID) as MRI FROM qquestion";
        QTest::newRow("Q7") << bankHoldsQuestion(21) << "select count(rid) as MRI from tqmaster where rid = 21";
        QTest::newRow("C1") << insertExamEntry(7, 4, 21) << "Insert into qquestion Values(7,4,21)";
        QTest::newRow("C2") << setRid(-20, 20) << "update tqmaster set rid = -20 where rid = 20";
        QTest::newRow("C3") << moveQuestionToGroup(2, 8) << "Update tqmaster set qgrp = 2 where rid = 8";
        QTest::newRow("C4") << setQqId(3, -9) << "update qquestion set qqID = 3 where qqID = -9";
        QTest::newRow("C5") << deleteExamEntry(2) << "Delete from qquestion where qqID = 2";
        QTest::newRow("C6a") << deleteExamEntries(1) << "Delete from qquestion where group_id = 1";
        QTest::newRow("C6b") << deleteExam(1) << "Delete from qgroup where ID = 1";
        QTest::newRow("C7 true") << setAllCancelled(true) << "Update tqmaster set sts = true";
        QTest::newRow("C7 false") << setAllCancelled(false) << "Update tqmaster set sts = false";
    }
    void texts() {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void queriesRunOnTheFile() {
        TempDb db;
        RecordSet q(QStringLiteral("ADOQuery1"), &db.connection());
        QCOMPARE(scalarThrough(q, sql::maxRid(), QStringLiteral("MRI")), 0);  // empty table: null reads 0
        QCOMPARE(scalarThrough(q, sql::maxQqId(), QStringLiteral("MRI")), 0);
        seed(db);
        QCOMPARE(scalarThrough(q, sql::maxRid(), QStringLiteral("MRI")), 20);
        QCOMPARE(scalarThrough(q, sql::maxQqId(), QStringLiteral("MRI")), 2);
        QCOMPARE(scalarThrough(q, sql::groupQuestionCount(1), QStringLiteral("RCX")), 3);
        QCOMPARE(scalarThrough(q, sql::examQuestionCount(1), QStringLiteral("RCX")), 2);
        QCOMPARE(scalarThrough(q, sql::examHoldsQuestion(1, 8), QStringLiteral("MRI")), 1);
        QCOMPARE(scalarThrough(q, sql::examHoldsQuestion(1, 20), QStringLiteral("MRI")), 0);
        q.setCommandText(sql::questionsOfGroup(1));
        q.open();
        QCOMPARE(q.recordCount(), 3);
        QCOMPARE(q.field(QStringLiteral("rid")).asKey(), 3);
    }

    void changesRunOnTheFile() {
        TempDb db;
        seed(db);
        RecordSet q2(QStringLiteral("ADOQuery2"), &db.connection());
        sql::executeChange(q2, sql::insertExamEntry(3, 1, 20));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from qquestion where group_id = 1")), 3);
        sql::executeChange(q2, sql::moveQuestionToGroup(2, 8));
        QCOMPARE(db.scalar(QStringLiteral("select qgrp from tqmaster where rid = 8")), 2);
        sql::executeChange(q2, sql::deleteExamEntry(3));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from qquestion")), 2);
        sql::executeChange(q2, sql::setAllCancelled(true));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from tqmaster where sts = 1")), 4);
        sql::executeChange(q2, sql::setAllCancelled(false));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from tqmaster where sts = 0")), 4);
        // A bank question deleted while in an exam leaves its entry, still counted.
        db.exec(QStringLiteral("DELETE FROM tqmaster WHERE rid = 3"));
        QCOMPARE(db.scalar(QStringLiteral("select count(qqID) as RCX from qquestion WHERE group_id = 1")), 2);
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from Questions where group_id = 1")), 2);
        sql::executeChange(q2, sql::deleteExamEntries(1));
        sql::executeChange(q2, sql::deleteExam(1));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from qquestion")), 0);
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from qgroup")), 0);
        // A refused statement reaches the caller with the query's name.
        try {
            sql::executeChange(q2, QStringLiteral("update nowhere set x = 1"));
            QFAIL("a broken statement must fail");
        } catch (const Error& e) {
            QVERIFY(e.message().startsWith(QLatin1String("ADOQuery2: ")));
        }
    }

    void negatedKeySwap() {
        TempDb db;
        seed(db);
        RecordSet q2(QStringLiteral("ADOQuery2"), &db.connection());
        auto rids = [&] {
            return db.text(QStringLiteral(
                "select group_concat(question, '') from (select question from tqmaster where qgrp = 1 order by rid)"));
        };
        QCOMPARE(
            sql::swapStatements(sql::OrderingKey::Rid, 8, 20),
            (std::array<QString, 3>{"update tqmaster set rid = -20 where rid = 20", "update tqmaster set rid = 20 where rid = 8",
                                    "update tqmaster set rid = 8 where rid = -20"}));
        // The last question moves up: it takes 8, the middle one 20, the first keeps 3.
        sql::negatedKeySwap(q2, sql::OrderingKey::Rid, 8, 20);
        QCOMPARE(db.scalar(QStringLiteral("select rid from tqmaster where question = 'c'")), 8);
        QCOMPARE(db.scalar(QStringLiteral("select rid from tqmaster where question = 'b'")), 20);
        QCOMPARE(db.scalar(QStringLiteral("select rid from tqmaster where question = 'a'")), 3);
        QCOMPARE(rids(), QStringLiteral("acb"));
        // Down then up gives both rows their keys back.
        sql::negatedKeySwap(q2, sql::OrderingKey::Rid, 3, 8);
        sql::negatedKeySwap(q2, sql::OrderingKey::Rid, 3, 8);
        QCOMPARE(rids(), QStringLiteral("acb"));
        QCOMPARE(db.scalar(QStringLiteral("select rid from tqmaster where question = 'a'")), 3);
        sql::negatedKeySwap(q2, sql::OrderingKey::QqId, 1, 2);
        QCOMPARE(db.scalar(QStringLiteral("select question_id from qquestion where qqID = 1")), 8);
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from tqmaster where rid < 0")), 0);
    }

    // A swap that fails at its last statement leaves both keys as they were:
    // no question is left parked at its negative key.
    void failedSwapChangesNothing() {
        TempDb db;
        seed(db);
        db.exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON tqmaster WHEN OLD.rid < 0 "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        RecordSet q2(QStringLiteral("ADOQuery2"), &db.connection());
        try {
            sql::negatedKeySwap(q2, sql::OrderingKey::Rid, 8, 20);
            QFAIL("the refused statement must fail the swap");
        } catch (const Error& e) {
            QVERIFY(e.message().contains(QLatin1String("refused")));
        }
        QCOMPARE(db.text(QStringLiteral("select group_concat(rid, ',') from (select rid from tqmaster order by rid)")),
                 QStringLiteral("3,5,8,20"));
        // The connection is usable again: the next unit starts cleanly.
        db.exec(QStringLiteral("DROP TRIGGER refuse"));
        sql::negatedKeySwap(q2, sql::OrderingKey::Rid, 8, 20);
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from tqmaster where rid < 0")), 0);
    }
};

QTEST_GUILESS_MAIN(TestStatements)
#include "tst_statements.moc"
