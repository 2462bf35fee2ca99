// A plain ordered read of one table opens a page at a time: it must read as
// the whole read does, and rows that went before their page was read must
// neither crash nor be changed.
#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/recordset.h"
#include "storage/statements.h"
#include "tests/support/error_of.h"
#include "tests/support/temp_db.h"

#include <QTest>

using namespace storage;

namespace {

constexpr int kRows = 300;  // several pages

// kRows questions in group 1 (rid 1..kRows, inserted out of rid order so that
// the row ids do not follow the keys) and a few in group 2.
struct Bank {
    TempDb db;
    RecordSet set{QStringLiteral("ADOTable1"), &db.connection()};
    explicit Bank(const QString& query = sql::questionsOfGroup(1)) {
        QString sqlText = QStringLiteral("BEGIN;");
        for (int i = 0; i < kRows; ++i) {
            const int rid = (i * 7) % kRows + 1;
            sqlText += QStringLiteral("INSERT INTO tqmaster VALUES (%1, 'Soru %1 çğış', %2, 'B', NULL, 'D', 'A', %3, 1);")
                           .arg(rid)
                           .arg(rid % 5 == 0 ? QStringLiteral("NULL") : QStringLiteral("'cevap %1'").arg(rid))
                           .arg(rid % 2);
        }
        sqlText += QStringLiteral("INSERT INTO tqmaster VALUES (1001, 'öteki', 'a', 'b', 'c', 'd', 'B', 0, 2); COMMIT;");
        db.exec(sqlText);
        set.setCommandText(query);
        set.open();
    }
    QString question() { return set.field(QStringLiteral("question")).asString(); }
};

}  // namespace

class TestPaged : public QObject {
    Q_OBJECT
private slots:
    // Every value, field and count as the whole read gives them; LIMIT makes
    // the same query one that is read whole.
    void readsAsTheWholeReadDoes() {
        Bank paged;
        RecordSet whole(QStringLiteral("whole"), &paged.db.connection());
        whole.setCommandText(sql::questionsOfGroup(1) + QStringLiteral(" LIMIT -1"));
        whole.open();
        QCOMPARE(paged.set.recordCount(), kRows);
        QCOMPARE(whole.recordCount(), kRows);
        QCOMPARE(paged.set.fieldCount(), whole.fieldCount());
        QCOMPARE(paged.set.canModify(), whole.canModify());
        for (int f = 0; f < whole.fieldCount(); ++f) {
            const FieldDef &a = paged.set.fieldDef(f), &b = whole.fieldDef(f);
            QCOMPARE(a.name, b.name);
            QCOMPARE(int(a.kind), int(b.kind));
            QCOMPARE(a.size, b.size);
            QCOMPARE(a.readOnly, b.readOnly);
            QCOMPARE(a.originColumn, b.originColumn);
        }
        // From the end backwards, so that pages are read out of order.
        for (int row = kRows - 1; row >= 0; --row)
            for (int f = 0; f < whole.fieldCount(); ++f) QCOMPARE(paged.set.rowValue(row, f), whole.rowValue(row, f));
        paged.set.last();
        QCOMPARE(paged.set.recNo(), kRows);
        QCOMPARE(paged.set.field(QStringLiteral("rid")).asKey(), qint64(kRows));
    }

    // locate on the ordering key searches the keys; on any other field it
    // reads the rows; both find the first match and stand on it.
    void locate_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("recNo");  // 0: not found
        QTest::newRow("key") << QStringLiteral("rid") << QVariant(250) << 250;
        QTest::newRow("key as text") << QStringLiteral("rid") << QVariant(QStringLiteral("17")) << 17;
        QTest::newRow("first key") << QStringLiteral("rid") << QVariant(1) << 1;
        QTest::newRow("absent key") << QStringLiteral("rid") << QVariant(kRows + 1) << 0;
        QTest::newRow("key of another group") << QStringLiteral("rid") << QVariant(1001) << 0;
        QTest::newRow("other field") << QStringLiteral("answer1") << QVariant(QStringLiteral("cevap 123")) << 123;
        QTest::newRow("other field, first of many") << QStringLiteral("answer2") << QVariant(QStringLiteral("B")) << 1;
    }
    void locate() {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(int, recNo);
        Bank b;
        b.set.setRecNo(5);
        QCOMPARE(b.set.locate(field, value), recNo != 0);
        QCOMPARE(b.set.recNo(), recNo != 0 ? recNo : 5);
    }

    // A posted key that breaks the order is still found, and the posted row
    // keeps its values; a new row posted at the end is found too.
    void locateAfterPostsThatChangeKeys() {
        Bank b;
        QVERIFY(b.set.locate(QStringLiteral("rid"), 10));
        b.set.edit();
        b.set.field(QStringLiteral("rid")).setAsInteger(5000);
        b.set.post();
        QCOMPARE(b.db.scalar(QStringLiteral("select count(*) from tqmaster where rid = 5000")), qint64(1));
        b.set.append();
        b.set.field(QStringLiteral("rid")).setAsInteger(7000);
        b.set.field(QStringLiteral("qgrp")).setAsInteger(1);
        b.set.post();
        b.set.first();
        QVERIFY(b.set.locate(QStringLiteral("rid"), 5000));
        QCOMPARE(b.set.recNo(), 10);
        QCOMPARE(b.question(), QStringLiteral("Soru 10 çğış"));
        QVERIFY(b.set.locate(QStringLiteral("rid"), 7000));
        QCOMPARE(b.set.recNo(), kRows + 1);
        QVERIFY(!b.set.locate(QStringLiteral("rid"), 10));
    }

    // A row another program deleted, moved to another group or renumbered
    // before its page was read reads as gone: all null, not found by locate,
    // and editing or deleting it fails as a conflict that takes it off the
    // list, changing nothing in the file.
    void rowGoneBeforeItsPageWasRead_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("deleting");
        const QString del = QStringLiteral("DELETE FROM tqmaster WHERE rid = 200");
        const QString move = QStringLiteral("UPDATE tqmaster SET qgrp = 2 WHERE rid = 200");
        // The row id now holds another question: the old row is gone.
        const QString reuse = QStringLiteral("UPDATE tqmaster SET rid = 9999 WHERE rid = 200");
        QTest::newRow("deleted, edit") << del << false;
        QTest::newRow("deleted, delete") << del << true;
        QTest::newRow("moved away, edit") << move << false;
        QTest::newRow("renumbered, delete") << reuse << true;
    }
    void rowGoneBeforeItsPageWasRead() {
        QFETCH(QString, change);
        QFETCH(bool, deleting);
        Bank b;
        b.db.exec(change);
        const qint64 before = b.db.scalar(QStringLiteral("select count(*) from tqmaster"));
        QCOMPARE(b.set.recordCount(), kRows);
        QVERIFY(!b.set.rowValue(199, 0).isValid());
        QVERIFY(!b.set.locate(QStringLiteral("rid"), 200));
        QCOMPARE(b.set.rowValue(198, 0), QVariant(qint64(199)));  // its neighbours read as ever
        b.set.setRecNo(200);
        QVERIFY(b.set.field(QStringLiteral("question")).isNull());
        const QString error = errorOf([&] { deleting ? b.set.remove() : b.set.edit(); });
        QVERIFY2(error.startsWith(QStringLiteral("ADOTable1: Satır başka bir program tarafından silinmiş")), qPrintable(error));
        QCOMPARE(b.set.state(), RecordState::Browse);
        // The list is the group as the file holds it now (a renumbered row comes last).
        QCOMPARE(b.set.recordCount(), int(b.db.scalar(QStringLiteral("select count(*) from tqmaster where qgrp = 1"))));
        QCOMPARE(b.set.field(QStringLiteral("rid")).asKey(), qint64(201));
        QCOMPARE(b.db.scalar(QStringLiteral("select count(*) from tqmaster")), before);
    }

    // Reading every row in order reads ever longer pages, and the ids and
    // keys for them: rows another program took away meanwhile read as gone
    // wherever they lie, every other row as the file holds it, once and in order.
    void walkInOrderMeetsRowsGoneMeanwhile_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QList<qint64>>("gone");
        QTest::newRow("deleted in later pages")
            << QStringLiteral("DELETE FROM tqmaster WHERE rid IN (65, 100, 250, 300)") << QList<qint64>{65, 100, 250, 300};
        QTest::newRow("deleted before its key was read")
            << QStringLiteral("DELETE FROM tqmaster WHERE rid = 290") << QList<qint64>{290};
        QTest::newRow("moved away") << QStringLiteral("UPDATE tqmaster SET qgrp = 2 WHERE rid = 150") << QList<qint64>{150};
        QTest::newRow("renumbered") << QStringLiteral("UPDATE tqmaster SET rid = 9999 WHERE rid = 120") << QList<qint64>{120};
    }
    void walkInOrderMeetsRowsGoneMeanwhile() {
        QFETCH(QString, change);
        QFETCH(QList<qint64>, gone);
        Bank b;
        QCOMPARE(b.set.rowValue(0, 0), QVariant(qint64(1)));  // the first page is read before the change
        b.db.exec(change);
        QList<qint64> read, wanted;
        for (qint64 rid = 1; rid <= kRows; ++rid)
            if (!gone.contains(rid)) wanted << rid;
        for (int row = 0; row < kRows; ++row) {
            const QVariant rid = b.set.rowValue(row, 0);
            if (!rid.isValid()) {
                for (int f = 1; f < b.set.fieldCount(); ++f) QVERIFY(!b.set.rowValue(row, f).isValid());
                continue;
            }
            read << rid.toLongLong();
            QCOMPARE(b.set.rowValue(row, 1), QVariant(QStringLiteral("Soru %1 çğış").arg(rid.toLongLong())));
            QCOMPARE(b.set.rowValue(row, 2).isValid(), rid.toLongLong() % 5 != 0);
        }
        QCOMPARE(read, wanted);
        QCOMPARE(b.set.recordCount(), kRows);
    }

    // A row changed after its page was read is a conflict as ever: the post
    // fails, and cancel reads the list again and stands on the same question.
    void conflictAfterThePageWasRead() {
        Bank b;
        QVERIFY(b.set.locate(QStringLiteral("rid"), 150));
        b.set.edit();
        b.db.exec(QStringLiteral("UPDATE tqmaster SET answer1 = 'başkası' WHERE rid = 150"));
        b.db.exec(QStringLiteral("DELETE FROM tqmaster WHERE rid = 3"));
        b.set.field(QStringLiteral("answer1")).setAsString(QStringLiteral("ben"));
        QVERIFY(errorOf([&] { b.set.post(); }).contains(QStringLiteral("değişiklik kaydedilmedi")));
        b.set.cancel();
        QCOMPARE(b.set.recordCount(), kRows - 1);
        QCOMPARE(b.set.field(QStringLiteral("rid")).asKey(), qint64(150));
        QCOMPARE(b.set.field(QStringLiteral("answer1")).asString(), QStringLiteral("başkası"));
    }

    // Queries that cannot be paged soundly are read whole and still work:
    // the view that joins two tables, a condition with a subquery.
    void otherQueriesReadWhole_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("rows");
        QTest::newRow("view") << QStringLiteral("select * from Questions order by qqID") << 0;
        QTest::newRow("subquery") << QStringLiteral("select * from tqmaster where qgrp in (select 1) order by rid") << kRows;
        QTest::newRow("text in condition") << QStringLiteral("select * from tqmaster where answer2 = 'B' order by rid") << kRows;
        QTest::newRow("no order") << QStringLiteral("select * from tqmaster where qgrp = 2") << 1;
    }
    void otherQueriesReadWhole() {
        QFETCH(QString, query);
        QFETCH(int, rows);
        Bank b(query);
        QCOMPARE(b.set.recordCount(), rows);
        b.db.exec(QStringLiteral("DELETE FROM tqmaster"));
        if (rows) QVERIFY(b.set.rowValue(rows - 1, 0).isValid());  // read at open
    }
};

QTEST_GUILESS_MAIN(TestPaged)
#include "tst_paged.moc"
