#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/recordset.h"
#include "storage/statements.h"
#include "tests/support/error_of.h"
#include "tests/support/temp_db.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace storage;

namespace {

// Three groups A, B, C with IDs 1, 2, 3.
struct Groups {
    TempDb db;
    RecordSet tgrp{QStringLiteral("tgrp"), &db.connection()};
    int scrolls = 0;
    explicit Groups(int count = 3) {
        for (int i = 0; i < count; ++i)
            db.exec(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('%1')").arg(QChar(u'A' + i)));
        tgrp.setTableName(QStringLiteral("tqgroup"));
        tgrp.afterScroll = [this](RecordSet&) { ++scrolls; };
        tgrp.open();
    }
    QString name() { return tgrp.field(QStringLiteral("GROUPNAME")).asString(); }
    qint64 rowsInFile() const { return db.scalar(QStringLiteral("select count(*) from tqgroup")); }
};
}  // namespace

class TestRecordSet : public QObject {
    Q_OBJECT
private slots:
    void closedSetRefusesRowInformation_data() {
        QTest::addColumn<std::function<void(RecordSet&)>>("op");
        using F = std::function<void(RecordSet&)>;
        QTest::newRow("recordCount") << F([](RecordSet& r) { r.recordCount(); });
        QTest::newRow("recNo") << F([](RecordSet& r) { r.recNo(); });
        QTest::newRow("next") << F([](RecordSet& r) { r.next(); });
        QTest::newRow("append") << F([](RecordSet& r) { r.append(); });
        QTest::newRow("edit") << F([](RecordSet& r) { r.edit(); });
        QTest::newRow("delete") << F([](RecordSet& r) { r.remove(); });
        QTest::newRow("field") << F([](RecordSet& r) { r.field(QStringLiteral("ID")).asString(); });
        QTest::newRow("locate") << F([](RecordSet& r) { r.locate(QStringLiteral("ID"), 1); });
    }
    void closedSetRefusesRowInformation() {
        QFETCH(std::function<void(RecordSet&)>, op);
        Groups g;
        g.tgrp.close();
        QCOMPARE(errorOf([&] { op(g.tgrp); }), QStringLiteral("tgrp: Cannot perform this operation on a closed dataset"));
    }

    void navigation() {
        Groups g;
        QCOMPARE(g.tgrp.recordCount(), 3);
        QCOMPARE(g.tgrp.recNo(), 1);
        QVERIFY(g.tgrp.bof());
        QVERIFY(!g.tgrp.eof());
        g.tgrp.next();
        g.tgrp.next();
        QCOMPARE(g.name(), QStringLiteral("C"));
        QVERIFY(!g.tgrp.eof());
        g.tgrp.next();
        QVERIFY(g.tgrp.eof());
        QCOMPARE(g.tgrp.recNo(), 3);
        g.tgrp.setRecNo(2);
        QCOMPARE(g.name(), QStringLiteral("B"));
        g.tgrp.prior();
        g.tgrp.prior();
        QVERIFY(g.tgrp.bof());
        QCOMPARE(g.name(), QStringLiteral("A"));
        g.tgrp.last();
        QCOMPARE(g.name(), QStringLiteral("C"));
        QVERIFY(g.tgrp.locate(QStringLiteral("groupname"), QStringLiteral("b"), Qt::CaseInsensitive));
        QCOMPARE(g.tgrp.recNo(), 2);
        QVERIFY(!g.tgrp.locate(QStringLiteral("GROUPNAME"), QStringLiteral("b")));
        QVERIFY(g.tgrp.locate(QStringLiteral("ID"), QStringLiteral("3")));
        QCOMPARE(g.name(), QStringLiteral("C"));
    }

    // Moves of every kind first post a changed row.
    void movesPostChangedRow_data() {
        QTest::addColumn<std::function<void(RecordSet&)>>("move");
        using F = std::function<void(RecordSet&)>;
        QTest::newRow("next") << F([](RecordSet& r) { r.next(); });
        QTest::newRow("last") << F([](RecordSet& r) { r.last(); });
        QTest::newRow("recNo") << F([](RecordSet& r) { r.setRecNo(3); });
        QTest::newRow("append") << F([](RecordSet& r) { r.append(); });
        QTest::newRow("insert") << F([](RecordSet& r) { r.insert(); });
        QTest::newRow("locate") << F([](RecordSet& r) { r.locate(QStringLiteral("GROUPNAME"), QStringLiteral("C")); });
        QTest::newRow("refresh") << F([](RecordSet& r) { r.refresh(); });
    }
    void movesPostChangedRow() {
        QFETCH(std::function<void(RecordSet&)>, move);
        Groups g;
        g.tgrp.edit();
        g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("It's \"new\""));
        move(g.tgrp);
        QCOMPARE(g.db.text(QStringLiteral("select GROUPNAME from tqgroup where ID = 1")), QStringLiteral("It's \"new\""));
    }

    // A refusing before-post rule stops the move: same row, still editing.
    void refusedPostStopsMove_data() { movesPostChangedRow_data(); }
    void refusedPostStopsMove() {
        QFETCH(std::function<void(RecordSet&)>, move);
        Groups g;
        g.tgrp.beforePost = [](RecordSet&) { throw SilentAbort(); };
        g.tgrp.edit();
        g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("X"));
        QVERIFY_THROWS_EXCEPTION(SilentAbort, move(g.tgrp));
        QCOMPARE(g.tgrp.recNo(), 1);
        QCOMPARE(g.tgrp.recordCount(), 3);
        QCOMPARE(g.tgrp.state(), RecordState::Edit);
        QCOMPARE(g.name(), QStringLiteral("X"));
        QCOMPARE(g.db.text(QStringLiteral("select GROUPNAME from tqgroup where ID = 1")), QStringLiteral("A"));
    }

    // A control whose pending input cannot be written stops the post or move
    // that asked for it, so the input is neither lost nor half-saved.
    void failingPendingInputStopsPostAndMove() {
        Groups g;
        g.tgrp.edit();
        g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("typed"));
        bool fail = true;
        QObject control;
        g.tgrp.addInputWriter(&control, [&] {
            if (fail) throw Error(QStringLiteral("tgrp: 'x' is not a valid integer value"));
        });
        QCOMPARE(errorOf([&] { g.tgrp.post(); }), QStringLiteral("tgrp: 'x' is not a valid integer value"));
        QVERIFY(errorOf([&] { g.tgrp.next(); }).contains(QLatin1String("not a valid integer")));
        QCOMPARE(g.tgrp.state(), RecordState::Edit);
        QCOMPARE(g.tgrp.recNo(), 1);
        QCOMPARE(g.db.text(QStringLiteral("select GROUPNAME from tqgroup where ID = 1")), QStringLiteral("A"));
        fail = false;
        g.tgrp.next();
        QCOMPARE(g.db.text(QStringLiteral("select GROUPNAME from tqgroup where ID = 1")), QStringLiteral("typed"));
    }

    void movesDropUnchangedNewRow() {
        Groups g;
        g.tgrp.append();
        QCOMPARE(g.tgrp.recordCount(), 4);
        g.tgrp.first();
        QCOMPARE(g.tgrp.recordCount(), 3);
        QCOMPARE(g.tgrp.state(), RecordState::Browse);
        g.tgrp.setRecNo(2);
        g.tgrp.insert();
        QCOMPARE(g.tgrp.recNo(), 2);
        QVERIFY(g.tgrp.field(QStringLiteral("GROUPNAME")).isNull());
        g.tgrp.next();  // drops the new row, back on B, then on to C
        QCOMPARE(g.name(), QStringLiteral("C"));
        QCOMPARE(g.rowsInFile(), 3);
    }

    void appendPostReadsBackAutoNumber() {
        Groups g;
        g.tgrp.append();
        g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QString(60, u'ğ'));
        g.tgrp.post();
        QCOMPARE(g.tgrp.field(QStringLiteral("ID")).asKey(), 4);
        QCOMPARE(g.name(), QString(50, u'ğ'));  // cut to the field's size
        QCOMPARE(g.db.text(QStringLiteral("select GROUPNAME from tqgroup where ID = 4")), QString(50, u'ğ'));
        QCOMPARE(g.tgrp.recNo(), 4);
        QCOMPARE(errorOf([&] {
                     g.tgrp.edit();
                     g.tgrp.field(QStringLiteral("ID")).setAsInteger(9);
                 }),
                 QStringLiteral("tgrp: Field 'ID' cannot be modified"));
    }

    void editRules() {
        Groups g;
        g.tgrp.edit();
        g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("Z"));
        g.tgrp.edit();  // already editing: nothing changes
        QCOMPARE(g.name(), QStringLiteral("Z"));
        QVERIFY(g.tgrp.modified());
        g.tgrp.cancel();
        QCOMPARE(g.name(), QStringLiteral("A"));
        QCOMPARE(errorOf([&] { g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("Q")); }),
                 QStringLiteral("tgrp: Dataset not in edit or insert mode"));

        Groups empty(0);
        empty.tgrp.edit();  // on an empty set: a new row
        QCOMPARE(empty.tgrp.state(), RecordState::Insert);
        empty.tgrp.post();  // posts an unnamed row
        QCOMPARE(empty.rowsInFile(), 1);
        QVERIFY(empty.tgrp.field(QStringLiteral("GROUPNAME")).isNull());
    }

    void postWithoutChangesSendsNothing() {
        Groups g;
        g.db.exec(QStringLiteral("CREATE TRIGGER t AFTER UPDATE ON tqgroup BEGIN SELECT RAISE(ABORT, 'written'); END"));
        g.tgrp.edit();
        g.tgrp.post();
        QCOMPARE(g.tgrp.state(), RecordState::Browse);
    }

    void deleteRules() {
        Groups g;
        g.tgrp.setRecNo(2);
        g.tgrp.remove();
        QCOMPARE(g.rowsInFile(), 2);
        QCOMPARE(g.name(), QStringLiteral("C"));
        g.tgrp.append();
        g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("never posted"));
        g.tgrp.remove();  // a never-posted row is cancelled
        QCOMPARE(g.tgrp.recordCount(), 2);
        QCOMPARE(g.rowsInFile(), 2);

        Groups empty(0);
        QCOMPARE(errorOf([&] { empty.tgrp.remove(); }),
                 QStringLiteral("tgrp: Cannot perform this operation on an empty dataset"));
    }

    void closeDropsChangesAndReopenRunsQueryAgain() {
        Groups g;
        g.tgrp.last();
        g.tgrp.edit();
        g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("lost"));
        g.tgrp.close();
        g.db.exec(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('D')"));
        g.tgrp.open();
        QCOMPARE(g.tgrp.recordCount(), 4);
        QCOMPARE(g.tgrp.recNo(), 1);
        QCOMPARE(g.db.text(QStringLiteral("select GROUPNAME from tqgroup where ID = 3")), QStringLiteral("C"));
    }

    void refreshKeepsPosition() {
        Groups g;
        g.tgrp.setRecNo(2);
        g.db.exec(QStringLiteral("UPDATE tqgroup SET GROUPNAME = 'b2' WHERE ID = 2"));
        g.tgrp.refresh();
        QCOMPARE(g.tgrp.recNo(), 2);
        QCOMPARE(g.name(), QStringLiteral("b2"));
    }

    void afterScrollRuns() {
        Groups g;
        QCOMPARE(g.scrolls, 1);  // opened with rows
        g.tgrp.next();
        QCOMPARE(g.scrolls, 2);
        g.tgrp.append();
        QCOMPARE(g.scrolls, 3);
        g.tgrp.cancel();  // a new row dropped: the current row changes again
        QCOMPARE(g.scrolls, 4);
        g.tgrp.remove();
        QCOMPARE(g.scrolls, 5);
        Groups empty(0);
        QCOMPARE(empty.scrolls, 0);
    }

    void nullsAndConversions() {
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO tqmaster (rid) VALUES (1)"));
        RecordSet q(QStringLiteral("ADOTable1"), &db.connection());
        q.setCommandText(QStringLiteral("Select * from tqmaster Order By rid"));
        q.open();
        QVERIFY(q.canModify());
        QCOMPARE(q.field(QStringLiteral("qgrp")).asKeyOr(0), 0);
        QCOMPARE(q.field(QStringLiteral("qgrp")).asString(), QString());
        QCOMPARE(q.field(QStringLiteral("question")).asString(), QString());
        QVERIFY(q.field(QStringLiteral("sts")).isNull());
        QCOMPARE(q.fieldDef(q.fieldIndex(QStringLiteral("answer1"))).size, 255);
        QCOMPARE(q.fieldDef(q.fieldIndex(QStringLiteral("true_answer"))).size, 1);
        QCOMPARE(q.fieldDef(q.fieldIndex(QStringLiteral("question"))).kind, FieldKind::Memo);
        QCOMPARE(q.fieldDef(q.fieldIndex(QStringLiteral("sts"))).kind, FieldKind::Boolean);
        q.edit();
        q.field(QStringLiteral("sts")).setAsBoolean(true);
        QCOMPARE(q.field(QStringLiteral("sts")).asString(), QStringLiteral("True"));
        q.field(QStringLiteral("true_answer")).setAsString(QStringLiteral("23"));
        QCOMPARE(q.field(QStringLiteral("true_answer")).asString(), QStringLiteral("2"));
        QCOMPARE(errorOf([&] { q.field(QStringLiteral("qgrp")).setAsString(QStringLiteral("x1")); }),
                 QStringLiteral("ADOTable1: 'x1' is not a valid integer value"));
        q.post();
        QCOMPARE(db.scalar(QStringLiteral("select sts from tqmaster")), 1);

        RecordSet count(QStringLiteral("rcxxx"), &db.connection());
        count.setCommandText(sql::groupQuestionCount(5));
        count.open();
        QVERIFY(!count.canModify());
        QCOMPARE(count.field(QStringLiteral("RCX")).asKey(), 0);
        QCOMPARE(errorOf([&] { count.edit(); }), QStringLiteral("rcxxx: Cannot modify a read-only dataset"));
    }

    // Optimistic locking: another program's change since we read the row wins.
    // Cancel then shows the row as it is in the file (found by its unique
    // key, wherever it now stands; a deleted row leaves the list) and the
    // change can be made again on the current values.
    void conflictThenCancelShowsCurrentRow_data() {
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("recNo");
        QTest::addColumn<QString>("question");
        QTest::newRow("changed") << "UPDATE tqmaster SET question = 'theirs' WHERE rid = 20" << 3 << 2 << "theirs";
        QTest::newRow("changed, a row added before it")
            << "UPDATE tqmaster SET question = 'theirs' WHERE rid = 20; INSERT INTO tqmaster (rid, question) VALUES (5, 'x')" << 4
            << 3 << "theirs";
        QTest::newRow("deleted") << "DELETE FROM tqmaster WHERE rid = 20" << 2 << 2 << "c";
    }
    void conflictThenCancelShowsCurrentRow() {
        QFETCH(QString, theirs);
        QFETCH(int, rows);
        QFETCH(int, recNo);
        QFETCH(QString, question);
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO tqmaster (rid, question) VALUES (10, 'a'), (20, 'b'), (30, 'c')"));
        RecordSet q(QStringLiteral("ADOTable1"), &db.connection());
        q.setCommandText(QStringLiteral("Select * from tqmaster Order By rid"));
        q.open();
        q.setRecNo(2);
        q.edit();
        q.field(QStringLiteral("answer1")).setAsString(QStringLiteral("mine"));
        db.exec(theirs);
        const QString conflict = errorOf([&] { q.post(); });
        QVERIFY2(conflict.startsWith(QStringLiteral("ADOTable1: Satır okunduktan sonra başka bir program tarafından")),
                 qPrintable(conflict));
        QVERIFY(conflict.contains(QStringLiteral("değişiklik kaydedilmedi. Değişikliği iptal edin")));
        QCOMPARE(q.state(), RecordState::Edit);
        QCOMPARE(q.field(QStringLiteral("answer1")).asString(), QStringLiteral("mine"));  // kept until cancel

        q.cancel();
        QCOMPARE(q.state(), RecordState::Browse);
        QCOMPARE(q.recordCount(), rows);
        QCOMPARE(q.recNo(), recNo);
        QCOMPARE(q.field(QStringLiteral("question")).asString(), question);
        q.edit();
        q.field(QStringLiteral("answer1")).setAsString(QStringLiteral("mine"));
        q.post();
        QCOMPARE(db.text(QStringLiteral("select question || '/' || answer1 from tqmaster where answer1 is not null")),
                 question + QStringLiteral("/mine"));
    }

    // A delete that finds the row changed deletes nothing and shows the row
    // as it is now at once; one that finds it gone drops it from the list.
    void conflictingDeleteShowsCurrentRow() {
        Groups g;
        g.tgrp.setRecNo(2);
        g.db.exec(QStringLiteral("UPDATE tqgroup SET GROUPNAME = 'theirs' WHERE ID = 2"));
        QCOMPARE(errorOf([&] { g.tgrp.remove(); }),
                 QStringLiteral("tgrp: Satır okunduktan sonra başka bir program tarafından değiştirilmiş ya da silinmiş; "
                                "hiçbir şey silinmedi. Liste satırı dosyadaki güncel hâliyle gösteriyor."));
        QCOMPARE(g.rowsInFile(), 3);
        QCOMPARE(g.tgrp.recNo(), 2);
        QCOMPARE(g.name(), QStringLiteral("theirs"));
        g.tgrp.remove();  // now on the current values
        QCOMPARE(g.rowsInFile(), 2);

        g.db.exec(QStringLiteral("DELETE FROM tqgroup WHERE ID = 3"));
        g.tgrp.last();
        QVERIFY(errorOf([&] { g.tgrp.remove(); }).contains(QStringLiteral("hiçbir şey silinmedi")));
        QCOMPARE(g.tgrp.recordCount(), 1);
        QCOMPARE(g.name(), QStringLiteral("A"));
    }

    // A detail follows its master's current row; exam entries come by qqID and
    // an entry whose bank question is gone still shows.
    void masterDetail() {
        TempDb db;
        db.exec(
            QStringLiteral("INSERT INTO qgroup (GROUPNAME) VALUES ('E1'),('E2');"
                           "INSERT INTO tqmaster (rid, question, qgrp) VALUES (1,'q1',1),(2,'q2',1);"
                           "INSERT INTO qquestion VALUES (7,1,2),(3,1,1),(5,2,1),(9,1,99);"));
        RecordSet tsinav(QStringLiteral("tsinav"), &db.connection());
        tsinav.setTableName(QStringLiteral("qgroup"));
        RecordSet tq(QStringLiteral("tQuestions"), &db.connection());
        tq.setTableName(QStringLiteral("Questions"));
        tq.setSort(QStringLiteral("group_id"));
        tq.setMaster(&tsinav, QStringLiteral("ID"), QStringLiteral("group_id"));
        tsinav.open();
        tq.open();
        auto ids = [&] {
            QList<qint64> out;
            for (int r = 0; r < tq.recordCount(); ++r) out << tq.rowValue(r, tq.fieldIndex(QStringLiteral("qqID"))).toLongLong();
            return out;
        };
        QCOMPARE(ids(), (QList<qint64>{3, 7, 9}));
        QCOMPARE(tq.rowValue(0, tq.fieldIndex(QStringLiteral("question"))).toString(), QStringLiteral("q1"));
        QVERIFY(tq.rowValue(2, tq.fieldIndex(QStringLiteral("question"))).isNull());
        QVERIFY(!tq.canModify());
        tq.last();
        tsinav.next();
        QCOMPARE(ids(), (QList<qint64>{5}));
        QCOMPARE(tq.recNo(), 1);
        tsinav.append();  // a new exam without an ID has no entries
        QCOMPARE(tq.recordCount(), 0);
        tsinav.cancel();
        QCOMPARE(ids(), (QList<qint64>{5}));
        tsinav.close();
        QCOMPARE(tq.recordCount(), 0);
    }

    // A detail follows its master synchronously, so a detail that can no
    // longer read its rows fails the master's move with its own named error,
    // in the caller's hands rather than lost in a signal.
    void detailThatCannotFollowFailsMastersMove_data() {
        QTest::addColumn<QString>("master");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("detailField");
        QTest::addColumn<QString>("change");
        QTest::newRow("table dropped") << "tqgroup"
                                       << "tqmaster"
                                       << "qgrp"
                                       << "DROP TABLE tqmaster";
        QTest::newRow("table renamed") << "tqgroup"
                                       << "tqmaster"
                                       << "qgrp"
                                       << "ALTER TABLE tqmaster RENAME TO tqold";
        QTest::newRow("view dropped") << "qgroup"
                                      << "Questions"
                                      << "group_id"
                                      << "DROP VIEW Questions";
    }
    void detailThatCannotFollowFailsMastersMove() {
        QFETCH(QString, master);
        QFETCH(QString, detail);
        QFETCH(QString, detailField);
        QFETCH(QString, change);
        TempDb db;
        db.exec(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('G1'),('G2');"
                           "INSERT INTO qgroup (GROUPNAME) VALUES ('E1'),('E2');"
                           "INSERT INTO tqmaster (rid, question, qgrp) VALUES (1,'q1',1),(2,'q2',2);"
                           "INSERT INTO qquestion VALUES (1,1,1),(2,2,2);"));
        RecordSet m(QStringLiteral("tsinav"), &db.connection());
        m.setTableName(master);
        RecordSet d(QStringLiteral("tQuestions"), &db.connection());
        d.setTableName(detail);
        d.setMaster(&m, QStringLiteral("ID"), detailField);
        m.open();
        d.open();
        QCOMPARE(d.recordCount(), 1);
        db.exec(change);
        QCOMPARE(errorOf([&] { m.next(); }), QStringLiteral("tQuestions: no such table: ") + detail);
    }

    void notifications() {
        Groups g;
        QSignalSpy inserted(&g.tgrp, &RecordSet::rowInserted);
        QSignalSpy removed(&g.tgrp, &RecordSet::rowRemoved);
        QSignalSpy changed(&g.tgrp, &RecordSet::rowChanged);
        QSignalSpy current(&g.tgrp, &RecordSet::currentChanged);
        g.tgrp.setRecNo(2);
        g.tgrp.insert();
        QCOMPARE(inserted.takeFirst().at(0).toInt(), 1);
        g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("n"));
        QCOMPARE(changed.takeLast().at(0).toInt(), 1);
        QCOMPARE(g.tgrp.rowValue(1, 1).toString(), QStringLiteral("n"));
        g.tgrp.cancel();
        QCOMPARE(removed.takeFirst().at(0).toInt(), 1);
        QCOMPARE(current.size(), 3);
        QCOMPARE(g.name(), QStringLiteral("B"));
    }

    // Held controls hear nothing while rows change, then one reset and one
    // stateChanged when the outer hold ends; hooks and input writers still
    // run at every step. A hold over nothing sends nothing.
    void controlsHoldCatchesUpOnce() {
        Groups g;
        std::vector<QSignalSpy*> spies;
        for (auto signal : {&RecordSet::rowInserted, &RecordSet::rowRemoved, &RecordSet::rowChanged})
            spies.push_back(new QSignalSpy(&g.tgrp, signal));
        spies.push_back(new QSignalSpy(&g.tgrp, &RecordSet::currentChanged));
        QSignalSpy reset(&g.tgrp, &RecordSet::reset);
        QSignalSpy state(&g.tgrp, &RecordSet::stateChanged);
        const auto cleanup = qScopeGuard([&] { qDeleteAll(spies); });
        int writes = 0, posts = 0;
        QObject owner;
        g.tgrp.addInputWriter(&owner, [&] { ++writes; });
        g.tgrp.beforePost = [&](RecordSet&) { ++posts; };
        { const RecordSet::ControlsHold idle(g.tgrp); }
        QCOMPARE(reset.size() + state.size(), 0);
        {
            const RecordSet::ControlsHold outer(g.tgrp);
            {
                const RecordSet::ControlsHold inner(g.tgrp);
                QVERIFY(g.tgrp.controlsHeld());
                for (const QString& name : {QStringLiteral("D"), QStringLiteral("E")}) {
                    g.tgrp.append();
                    g.tgrp.field(QStringLiteral("GROUPNAME")).setAsString(name);
                    g.tgrp.post();
                }
                g.tgrp.first();
                g.tgrp.remove();
            }
            QVERIFY(g.tgrp.controlsHeld());
            QCOMPARE(reset.size() + state.size(), 0);
        }
        QVERIFY(!g.tgrp.controlsHeld());
        for (QSignalSpy* spy : spies) QCOMPARE(spy->size(), 0);
        QCOMPARE(reset.size(), 1);
        QCOMPARE(state.size(), 1);
        QCOMPARE(posts, 2);
        QCOMPARE(writes, 2);     // before each post
        QCOMPARE(g.scrolls, 5);  // opened, two new rows, first, the row after the deleted one
        QCOMPARE(g.rowsInFile(), 4);
        QCOMPARE(g.name(), QStringLiteral("B"));
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
