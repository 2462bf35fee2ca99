// A paged record set reads its rows' ids and keys in blocks from either end
// of the order as rows are reached. On a partly read list every move, count
// and search must give what the whole read gives; its own posts must not
// bring a row twice; what another program does between blocks must leave a
// list that is in order, holds no row twice and keeps its count.
#include "storage/connection.h"
#include "storage/recordset.h"
#include "storage/sqlite/sqlite_database.h"
#include "storage/statements.h"
#include "storage/transaction.h"
#include "tests/support/error_of.h"
#include "tests/support/temp_db.h"

#include <QSet>
#include <QTest>

#include <functional>

#include <sqlite3.h>

using namespace storage;

namespace {

constexpr int kRows = 2000;  // several blocks of keys

// Keys of group 1, inserted out of key order so that the row ids do not
// follow the keys: whole numbers 10, 20, ... (room between them), or
// whatever the web site may have stored in the key column: nulls, text,
// reals, blobs and ties among whole numbers.
const char* const kWhole = "10 * ((i * 7919) % 2000 + 1)";
// Keys 1 to kRows, each once: unique keys, a search far into the list places
// a block where the rows before the key put it.
const char* const kDense = "(i * 7919) % 2000 + 1";
// (The mixed keys go without the index that keeps keys unique, for the ties.)
const char* const kMixed =
    "CASE i % 10 WHEN 0 THEN NULL WHEN 1 THEN 'k' || (i % 37) WHEN 2 THEN (i % 50) + 0.5 "
    "WHEN 3 THEN CAST(x'00ff' || char(65 + i % 20) AS BLOB) WHEN 4 THEN i % 13 ELSE 10 * i END";
// A short way to n rows numbered i from 0.
QString numbered(int n) {
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ").arg(n - 1);
}

struct Bank {
    TempDb db;
    RecordSet set{QStringLiteral("ADOTable1"), &db.connection()};
    int ridField = -1;
    explicit Bank(const char* keys) {
        if (QLatin1String(keys) == QLatin1String(kMixed)) db.exec(QStringLiteral("DROP INDEX tqmaster_rid"));
        // Group 2 around group 1, to show that the condition holds.
        db.exec(numbered(kRows + 20) +
                QStringLiteral("INSERT INTO tqmaster SELECT CASE WHEN i < %2 THEN %1 ELSE 100000 + i END, 'Soru ' || i, "
                               "'cevap ' || (i % 100), 'B', NULL, 'D', 'A', i % 2, CASE WHEN i < %2 THEN 1 ELSE 2 END FROM n")
                    .arg(QLatin1String(keys))
                    .arg(kRows));
        set.setCommandText(sql::questionsOfGroup(1));
        set.open();
        ridField = set.fieldIndex(QStringLiteral("rid"));
    }
    qint64 rid(int row) const { return set.rowValue(row, ridField).toLongLong(); }
};

// Every field of the current row, and where the set stands.
void compareCurrent(RecordSet& paged, RecordSet& whole) {
    QCOMPARE(paged.recordCount(), whole.recordCount());
    QCOMPARE(paged.recNo(), whole.recNo());
    QCOMPARE(paged.eof(), whole.eof());
    QCOMPARE(paged.bof(), whole.bof());
    for (int f = 0; f < whole.fieldCount(); ++f) QCOMPARE(paged.value(f), whole.value(f));
}

// The set against a whole read of the file as it is now: where it stands
// and the current row, or with everyRow every field of every row.
void compareWithTheFile(Bank& b, bool everyRow) {
    RecordSet whole(QStringLiteral("whole"), &b.db.connection());
    whole.setCommandText(sql::questionsOfGroup(1) + QStringLiteral(", rowid"));
    whole.open();
    QCOMPARE(b.set.recordCount(), whole.recordCount());
    const int first = everyRow ? 0 : b.set.currentRow(), end = everyRow ? whole.recordCount() : first + 1;
    for (int row = first; row < end; ++row)
        for (int f = 0; f < b.set.fieldCount(); ++f)
            QVERIFY2(b.set.rowValue(row, f) == whole.rowValue(row, f),
                     qPrintable(QStringLiteral("row %1 field %2").arg(row).arg(f)));
}

// Counts the statements that count rows, as sent on a connection.
class Counts {
public:
    explicit Counts(Connection& c) : db_(storage::sqlite::handleOf(c)) {
        sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, &Counts::onStatement, this);
    }
    ~Counts() { sqlite3_trace_v2(db_, 0, nullptr, nullptr); }
    int sent = 0;

private:
    static int onStatement(unsigned, void* self, void*, void* text) {
        if (QString::fromUtf8(static_cast<const char*>(text)).contains(QLatin1String("COUNT("), Qt::CaseInsensitive))
            ++static_cast<Counts*>(self)->sent;
        return 0;
    }
    sqlite3* db_;
};

// The keys shown, in list order; gone rows (all null) left out.
QList<qint64> shownKeys(Bank& b, int* gone) {
    QList<qint64> keys;
    *gone = 0;
    for (int row = 0; row < b.set.recordCount(); ++row) {
        if (!b.set.rowValue(row, b.ridField).isValid()) {
            ++*gone;
            continue;
        }
        keys << b.rid(row);
    }
    return keys;
}

QList<qint64> fileKeys(const TempDb& db) {
    QList<qint64> keys;
    const QString all =
        db.text(QStringLiteral("select group_concat(rid) from (select rid from tqmaster where qgrp = 1 order by rid)"));
    for (const QString& k : all.split(u',', Qt::SkipEmptyParts)) keys << k.toLongLong();
    return keys;
}

using Step = std::function<void(RecordSet&)>;

}  // namespace

class TestKeyBlocks : public QObject {
    Q_OBJECT
private slots:
    // Moves, counts and searches on a list read only in part stand where the
    // whole read stands and show the same row, whatever the key column holds;
    // the order is SQLite's order of the key (nulls, numbers, text, blobs),
    // ties in row id order.
    void movesAsTheWholeRead_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QList<Step>>("steps");
        const auto locate = [](QVariant v) { return Step([v](RecordSet& r) { r.locate(QStringLiteral("rid"), v); }); };
        const QList<Step> fromEnd{Step([](RecordSet& r) { r.last(); }),
                                  Step([](RecordSet& r) { r.moveBy(-3); }),
                                  Step([](RecordSet& r) { r.setRecNo(kRows / 2); }),
                                  Step([](RecordSet& r) { r.moveBy(300); }),
                                  Step([](RecordSet& r) { r.moveBy(-900); }),
                                  locate(12370),
                                  locate(70),
                                  Step([](RecordSet& r) { r.first(); }),
                                  Step([](RecordSet& r) { r.moveBy(kRows); })};
        const QList<Step> searchFirst{locate(12370),
                                      locate(19950),
                                      locate(12345),
                                      locate(70),
                                      Step([](RecordSet& r) { r.locate(QStringLiteral("answer1"), QStringLiteral("cevap 77")); }),
                                      Step([](RecordSet& r) { r.last(); }),
                                      Step([](RecordSet& r) { r.moveBy(-kRows - 5); })};
        for (const char* keys : {kWhole, kMixed}) {
            const QString name = keys == kWhole ? QStringLiteral("whole numbers") : QStringLiteral("mixed");
            QTest::newRow(qPrintable(name + QStringLiteral(", from the end"))) << QString::fromLatin1(keys) << fromEnd;
            QTest::newRow(qPrintable(name + QStringLiteral(", searching first"))) << QString::fromLatin1(keys) << searchFirst;
        }
        // Searches and moves into the middle place blocks there, between
        // blocks placed before; the rest is read around them.
        const QList<Step> placed{locate(1237),
                                 Step([](RecordSet& r) { r.moveBy(-3); }),
                                 locate(700),
                                 locate(1238),
                                 Step([](RecordSet& r) { r.setRecNo(1500); }),
                                 Step([](RecordSet& r) { r.moveBy(300); }),
                                 locate(1999),
                                 locate(1100),
                                 locate(5000),
                                 locate(1),
                                 Step([](RecordSet& r) { r.setRecNo(900); }),
                                 Step([](RecordSet& r) { r.last(); }),
                                 Step([](RecordSet& r) { r.moveBy(-kRows - 5); })};
        QTest::newRow("dense, placed by key") << QString::fromLatin1(kDense) << placed;
        QTest::newRow("dense, from the end") << QString::fromLatin1(kDense) << fromEnd;
    }
    void movesAsTheWholeRead() {
        QFETCH(QString, keys);
        QFETCH(QList<Step>, steps);
        Bank b(qPrintable(keys));
        RecordSet whole(QStringLiteral("whole"), &b.db.connection());
        whole.setCommandText(sql::questionsOfGroup(1) + QStringLiteral(", rowid"));  // no longer a paged query
        whole.open();
        compareCurrent(b.set, whole);
        for (int i = 0; i < steps.size(); ++i) {
            steps[i](b.set);
            steps[i](whole);
            compareCurrent(b.set, whole);
            if (QTest::currentTestFailed()) QFAIL(qPrintable(QStringLiteral("after step %1").arg(i)));
        }
        // Every row in its place, read from the end back to the middle and
        // then from the start on.
        for (int row = kRows - 1; row >= 0; row -= 7) QCOMPARE(b.set.rowValue(row, 0), whole.rowValue(row, 0));
        for (int row = 0; row < kRows; ++row) QCOMPARE(b.set.rowValue(row, b.ridField), whole.rowValue(row, b.ridField));
    }

    // A group that is most of its table is counted as the table less the
    // rows outside it; whatever the group column holds outside the group
    // (other numbers, null, text, reals near the number), the count is the
    // group's.
    void countsALargeGroup() {
        TempDb db;
        db.exec(numbered(20500) + QStringLiteral("INSERT INTO tqmaster (rid, qgrp) SELECT i, CASE i % 1000 WHEN 1 THEN 2 "
                                                 "WHEN 2 THEN NULL WHEN 3 THEN 'x' WHEN 4 THEN 1.5 WHEN 5 THEN 0.5 WHEN 6 "
                                                 "THEN -1 WHEN 7 THEN x'01' ELSE 1 END FROM n"));
        RecordSet set(QStringLiteral("ADOTable1"), &db.connection());
        set.setCommandText(sql::questionsOfGroup(1));
        set.open();
        const qint64 expected = db.scalar(QStringLiteral("select count(*) from tqmaster where qgrp = 1"));
        QVERIFY(expected > 20000);
        QCOMPARE(set.recordCount(), int(expected));
        set.last();
        QCOMPARE(set.field(QStringLiteral("rid")).asKey(), qint64(20499));
    }

    // A count that reads the table whole runs on a small page cache; the
    // connection's cache size is its own again after it, also when the count
    // fails (another program holds the file).
    void countKeepsTheCacheSize() {
        TempDb db;
        db.exec(numbered(20500) + QStringLiteral("INSERT INTO tqmaster (rid, qgrp) SELECT i, 1 FROM n"));
        sqlite3* mine = storage::sqlite::handleOf(db.connection());
        QCOMPARE(sqlite3_exec(mine, "PRAGMA cache_size = -1234", nullptr, nullptr, nullptr), SQLITE_OK);
        const auto cacheSize = [&] {
            sqlite3_stmt* st = nullptr;
            qint64 size = 0;
            if (sqlite3_prepare_v2(mine, "PRAGMA cache_size", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
                size = sqlite3_column_int64(st, 0);
            sqlite3_finalize(st);
            return size;
        };
        RecordSet set(QStringLiteral("ADOTable1"), &db.connection());
        const QString wholeTable = QStringLiteral("Select * from tqmaster Order By rid");
        for (const QString& query : {sql::questionsOfGroup(1), wholeTable}) {
            set.close();
            set.setCommandText(query);
            set.open();
            QCOMPARE(set.recordCount(), 20500);
            QCOMPARE(cacheSize(), qint64(-1234));
        }

        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(db.path().toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        db.connection().setBusyTimeout(100);
        set.close();
        QVERIFY(errorOf([&] { set.open(); }).contains(QStringLiteral("kilitli")));
        QCOMPARE(cacheSize(), qint64(-1234));
        QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        set.open();
        QCOMPARE(set.recordCount(), 20500);
    }

    // Rows this set posts while part of the list is unread (a new row, a key
    // moved past the unread part) stay where they were posted and do not come
    // again with the rest; a deleted row goes. The list is then every row of
    // the file once, and the keys are still found.
    void ownPostsWhilePartlyRead() {
        Bank b(kWhole);
        b.set.setRecNo(100);
        b.set.insert();
        b.set.field(QStringLiteral("rid")).setAsInteger(50001);
        b.set.field(QStringLiteral("qgrp")).setAsInteger(1);
        b.set.post();
        b.set.setRecNo(10);
        b.set.edit();
        b.set.field(QStringLiteral("rid")).setAsInteger(50002);
        b.set.post();
        b.set.last();
        b.set.moveBy(-5);
        b.set.insert();
        b.set.field(QStringLiteral("rid")).setAsInteger(15);
        b.set.field(QStringLiteral("qgrp")).setAsInteger(1);
        b.set.post();
        b.set.setRecNo(50);
        b.set.remove();
        QCOMPARE(b.set.recordCount(), kRows + 1);
        QVERIFY(b.set.locate(QStringLiteral("rid"), 50001));
        QCOMPARE(b.set.recNo(), 99);
        QVERIFY(b.set.locate(QStringLiteral("rid"), 50002));
        QCOMPARE(b.set.recNo(), 10);
        QVERIFY(b.set.locate(QStringLiteral("rid"), 15));
        QCOMPARE(b.set.recNo(), kRows - 5);
        int gone = 0;
        QList<qint64> shown = shownKeys(b, &gone);
        QCOMPARE(gone, 0);
        std::sort(shown.begin(), shown.end());
        QCOMPARE(shown, fileKeys(b.db));
    }

    // A block placed by a search lies where the rows before the key put it:
    // a number missing, a real, a text or a parked negative key among them
    // (before the open), even a real standing in for a missing number on the
    // far side of the key, leave the searches and moves where the whole read
    // has them; a row another program changed where a block is placed (after
    // the open) leaves a list in order with each row once.
    void placedWhereTheRowsPutIt_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("everyRowShown");
        QTest::newRow("a number missing") << QStringLiteral("DELETE FROM tqmaster WHERE rid = 1000") << QString() << true;
        QTest::newRow("a real among them") << QStringLiteral("INSERT INTO tqmaster (rid, qgrp) VALUES (1000.5, 1)") << QString()
                                           << true;
        QTest::newRow("a real for a number")
            << QStringLiteral("UPDATE tqmaster SET rid = 1200.5 WHERE rid = 1200") << QString() << true;
        QTest::newRow("a real for a number far off")
            << QStringLiteral("DELETE FROM tqmaster WHERE rid = 400; INSERT INTO tqmaster (rid, qgrp) VALUES (1650.5, 1)")
            << QString() << true;
        QTest::newRow("a text key") << QStringLiteral("INSERT INTO tqmaster (rid, qgrp) VALUES ('k', 1)") << QString() << true;
        QTest::newRow("a parked key") << QStringLiteral("UPDATE tqmaster SET rid = -1237 WHERE rid = 1237") << QString() << true;
        QTest::newRow("deleted where placed") << QString() << QStringLiteral("DELETE FROM tqmaster WHERE rid = 1230") << true;
        QTest::newRow("a real put in where placed")
            << QString() << QStringLiteral("UPDATE tqmaster SET rid = 1190.5 WHERE rid = 1190") << true;
        QTest::newRow("deleted before the place") << QString() << QStringLiteral("DELETE FROM tqmaster WHERE rid = 300") << true;
        QTest::newRow("added after the place")
            << QString() << QStringLiteral("INSERT INTO tqmaster (rid, qgrp) VALUES (1600.5, 1)") << false;
    }
    void placedWhereTheRowsPutIt() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, everyRowShown);
        TempDb db;
        db.exec(numbered(kRows) + QStringLiteral("INSERT INTO tqmaster (rid, question, qgrp) SELECT %1, 'Soru ' || i, 1 FROM n")
                                      .arg(QLatin1String(kDense)));
        if (!before.isEmpty()) db.exec(before);
        RecordSet set(QStringLiteral("ADOTable1"), &db.connection());
        set.setCommandText(sql::questionsOfGroup(1));
        set.open();
        const int count = set.recordCount();
        RecordSet whole(QStringLiteral("whole"), &db.connection());
        whole.setCommandText(sql::questionsOfGroup(1) + QStringLiteral(", rowid"));
        whole.open();
        if (!after.isEmpty()) db.exec(after);
        for (qint64 key : {600, 1237, 1230, 1500, 1200, 1190, 1000, 1700, 1600, 1}) {
            const bool found = set.locate(QStringLiteral("rid"), key);
            if (found) QCOMPARE(set.field(QStringLiteral("rid")).asKey(), key);
            if (!after.isEmpty()) continue;
            QCOMPARE(found, whole.locate(QStringLiteral("rid"), key));
            QCOMPARE(set.recNo(), whole.recNo());
        }
        QCOMPARE(set.recordCount(), count);
        QList<qint64> shown;
        for (int row = 0; row < count; ++row) {
            const QVariant rid = set.rowValue(row, set.fieldIndex(QStringLiteral("rid")));
            if (after.isEmpty()) QCOMPARE(rid, whole.rowValue(row, whole.fieldIndex(QStringLiteral("rid"))));
            if (rid.typeId() == QMetaType::LongLong) shown << rid.toLongLong();
        }
        for (int i = 1; i < shown.size(); ++i) QVERIFY2(shown[i - 1] < shown[i], qPrintable(QString::number(shown[i])));
        QSet<qint64> inFile;  // the whole-number keys
        for (const QString& k :
             db.text(QStringLiteral("select group_concat(rid) from tqmaster where qgrp = 1 and typeof(rid) = 'integer'"))
                 .split(u',', Qt::SkipEmptyParts))
            inFile << k.toLongLong();
        for (qint64 k : shown) QVERIFY(inFile.contains(k));
        if (everyRowShown) QCOMPARE(QSet<qint64>(shown.begin(), shown.end()), inFile);
    }

    // The same among blocks placed by their keys: a row deleted in one shifts
    // what follows, the gaps after it too, and a new row goes at the end.
    void ownPostsAmongPlacedBlocks() {
        Bank b(kDense);
        QVERIFY(b.set.locate(QStringLiteral("rid"), 1237));
        QVERIFY(b.set.locate(QStringLiteral("rid"), 700));
        QCOMPARE(b.set.recNo(), 700);
        b.set.remove();
        b.set.append();
        b.set.field(QStringLiteral("rid")).setAsInteger(5001);
        b.set.field(QStringLiteral("qgrp")).setAsInteger(1);
        b.set.post();
        QCOMPARE(b.set.recordCount(), kRows);
        for (qint64 key : {1500, 1237, 900, 5001}) {
            QVERIFY(b.set.locate(QStringLiteral("rid"), key));
            QCOMPARE(b.set.recNo(), key == 5001 ? kRows : int(key) - 1);
        }
        QVERIFY(!b.set.locate(QStringLiteral("rid"), 700));
        int gone = 0;
        QList<qint64> shown = shownKeys(b, &gone);
        QCOMPARE(gone, 0);
        QCOMPARE(shown, fileKeys(b.db));
    }

    // A new row among places not read yet: the rows after it move on by
    // one, those read and those not, and come back when it is dropped; rows
    // posted past the room the list had at the open grow it without losing
    // or doubling a row.
    void newRowsAmongUnreadPlaces() {
        Bank b(kDense);
        QVERIFY(b.set.locate(QStringLiteral("rid"), 1237));  // a block in the middle, unread on both sides
        b.set.insert();
        QCOMPARE(b.set.recordCount(), kRows + 1);
        QCOMPARE(b.set.recNo(), 1237);
        QVERIFY(!b.set.rowValue(1236, b.ridField).isValid());
        for (int row : {1237, 1300, kRows}) QCOMPARE(b.rid(row), qint64(row));
        QCOMPARE(b.rid(1235), qint64(1236));
        b.set.cancel();
        QCOMPARE(b.set.recordCount(), kRows);
        QCOMPARE(b.rid(1236), qint64(1237));
        QCOMPARE(b.rid(kRows - 1), qint64(kRows));

        QVERIFY(b.set.locate(QStringLiteral("rid"), 700));
        b.set.insert();
        b.set.field(QStringLiteral("rid")).setAsInteger(5001);
        b.set.field(QStringLiteral("qgrp")).setAsInteger(1);
        b.set.post();
        const int added = kRows / 8 + 300;  // more than the room kept past the end
        storage::atomically(b.db.connection(), [&] {
            for (int i = 0; i < added; ++i) {
                b.set.append();
                b.set.field(QStringLiteral("rid")).setAsInteger(6000 + i);
                b.set.field(QStringLiteral("qgrp")).setAsInteger(1);
                b.set.post();
            }
        });
        QList<qint64> expected;
        for (qint64 k = 1; k < 700; ++k) expected << k;
        expected << 5001;
        for (qint64 k = 700; k <= kRows; ++k) expected << k;
        for (int i = 0; i < added; ++i) expected << 6000 + i;
        int gone = 0;
        QCOMPARE(shownKeys(b, &gone), expected);
        QCOMPARE(gone, 0);
    }

    // Moving a row up or down exchanges its key with its neighbour's in the
    // file; the list then shows what a read of the file shows, at the edges
    // of the blocks read and past them. When nothing else changed, only the
    // two rows change places; anything else the file holds by then (another
    // program, another statement of this one, a trigger, keys shared by
    // several rows) is shown as a new read shows it.
    void movesShowTheFile_data() {
        QTest::addColumn<QString>("setup");   // before the open
        QTest::addColumn<QString>("change");  // by another program, after the rows were read
        QTest::addColumn<QString>("own");     // by this program's change query, the same
        QTest::newRow("nothing else") << QString() << QString() << QString();
        QTest::newRow("another program") << QString()
                                         << QStringLiteral(
                                                "UPDATE tqmaster SET answer1 = 'başka' WHERE rid IN (1240, 1460); "
                                                "DELETE FROM tqmaster WHERE rid = 1800")
                                         << QString();
        QTest::newRow("this program") << QString() << QString()
                                      << QStringLiteral("update tqmaster set answer1 = 'kendi' where rid = 1240");
        QTest::newRow("a trigger") << QStringLiteral(
                                          "CREATE TRIGGER t AFTER UPDATE OF rid ON tqmaster WHEN NEW.rid > 0 "
                                          "BEGIN UPDATE tqmaster SET answer1 = 'tetik' WHERE rid = 1240; END")
                                   << QString() << QString();
        QTest::newRow("shared keys") << QStringLiteral(
                                            "DROP INDEX tqmaster_rid; INSERT INTO tqmaster (rid, question, qgrp) VALUES "
                                            "(1236, 'eş', 1), (1492, 'eş', 1)")
                                     << QString() << QString();
    }
    void movesShowTheFile() {
        QFETCH(QString, setup);
        QFETCH(QString, change);
        QFETCH(QString, own);
        Bank b(kDense);
        if (!setup.isEmpty()) {
            b.db.exec(setup);
            b.set.close();
            b.set.open();
        }
        RecordSet q2(QStringLiteral("ADOQuery2"), &b.db.connection());
        QVERIFY(b.set.locate(QStringLiteral("rid"), 1237));  // the first row of a block, its neighbour above unread
        if (!change.isEmpty()) b.db.exec(change);
        if (!own.isEmpty()) sql::executeChange(q2, own);
        // Within the block at its first and its last row (each the bound of
        // the unread places beside it), across them into the unread places,
        // within again and back.
        const struct {
            int recNo, direction;
        } moves[] = {{1238, -1}, {1491, +1}, {1237, -1}, {1492, +1}, {1239, -1}, {1493, -1}, {1237, +1}};
        const bool nothingElse = setup.isEmpty() && change.isEmpty() && own.isEmpty();
        for (const auto& m : moves) {
            b.set.setRecNo(m.recNo);
            const QString moved = b.set.field(QStringLiteral("question")).asString();
            const Counts counts(b.db.connection());
            sql::swapWithNeighbour(b.set, q2, sql::OrderingKey::Rid, m.direction);
            // Only the two rows changed: the list is not counted and read again.
            if (nothingElse) QCOMPARE(counts.sent, 0);
            QCOMPARE(b.set.recNo(), m.recNo + m.direction);
            if (setup.isEmpty()) QCOMPARE(b.set.field(QStringLiteral("question")).asString(), moved);
            compareWithTheFile(b, false);
            if (QTest::currentTestFailed()) QFAIL(qPrintable(QStringLiteral("after moving row %1").arg(m.recNo)));
        }
        compareWithTheFile(b, true);
        b.set.refresh();
        compareWithTheFile(b, true);
        QCOMPARE(b.db.scalar(QStringLiteral("select count(*) from tqmaster where rid < 0")), 0);
    }

    // Another program changes the group after the open, before the rest of
    // the list is read (from the end first, then from the start): the count
    // stays, the rows shown are in order, each once and each in the file;
    // places no row is left for read as gone; rows added past the places
    // there are do not show.
    void anotherProgramBetweenBlocks_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("gone");  // -1: all
        QTest::addColumn<bool>("everyRowShown");
        QTest::newRow("deleted in the middle")
            << QStringLiteral("DELETE FROM tqmaster WHERE rid BETWEEN 10000 AND 10490") << 50 << true;
        QTest::newRow("added in the middle")
            << numbered(9) + QStringLiteral("INSERT INTO tqmaster (rid, qgrp) SELECT 10001 + i, 1 FROM n") << 0 << false;
        QTest::newRow("deleted and added") << QStringLiteral(
                                                  "DELETE FROM tqmaster WHERE rid BETWEEN 8000 AND 8090; "
                                                  "INSERT INTO tqmaster (rid, qgrp) VALUES (15001, 1), (15002, 1), (15003, 1)")
                                           << 7 << true;
        QTest::newRow("added at the end") << QStringLiteral("INSERT INTO tqmaster (rid, qgrp) VALUES (90001, 1), (90002, 1)") << 0
                                          << false;
        QTest::newRow("all deleted") << QStringLiteral("DELETE FROM tqmaster") << -1 << true;
    }
    void anotherProgramBetweenBlocks() {
        QFETCH(QString, change);
        QFETCH(int, gone);
        QFETCH(bool, everyRowShown);
        Bank b(kWhole);
        b.db.exec(change);
        b.set.last();
        QCOMPARE(b.set.recordCount(), kRows);
        int goneRows = 0;
        const QList<qint64> shown = shownKeys(b, &goneRows);
        QCOMPARE(goneRows, gone < 0 ? kRows : gone);
        for (int i = 1; i < shown.size(); ++i) QVERIFY2(shown[i - 1] < shown[i], qPrintable(QString::number(shown[i])));
        const QList<qint64> file = fileKeys(b.db);
        const QSet<qint64> inFile(file.begin(), file.end());
        for (qint64 k : shown) QVERIFY(inFile.contains(k));
        if (everyRowShown) QCOMPARE(shown, file);
        QCOMPARE(b.set.recordCount(), kRows);
        // A gone place cannot be edited: the list is read again as the file is now.
        int at = 0;
        while (at < kRows && b.set.rowValue(at, b.ridField).isValid()) ++at;
        if (at == kRows) return;
        b.set.setRecNo(at + 1);
        QVERIFY(errorOf([&] { b.set.edit(); }).contains(QStringLiteral("başka bir program tarafından silinmiş")));
        QCOMPARE(b.set.state(), RecordState::Browse);
        QCOMPARE(b.set.recordCount(), int(file.size()));
    }
};

QTEST_GUILESS_MAIN(TestKeyBlocks)
#include "tst_keyblocks.moc"
