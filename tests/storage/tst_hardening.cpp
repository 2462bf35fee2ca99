// The file is shared with a web site we do not control and holds years of
// banks: these tests put into it what another program may leave there, and
// fail the file under a post, and check that the storage layer neither widens
// a statement, nor loses a row, nor says what is not true.
#include "encoding/codepages.h"
#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/keys.h"
#include "storage/legacy_text.h"
#include "storage/recordset.h"
#include "storage/statements.h"
#include "storage/transaction.h"
#include "tests/support/error_of.h"
#include "tests/support/fault_vfs.h"
#include "tests/support/temp_db.h"

#include <QTest>

#include <sqlite3.h>

using namespace storage;

namespace {

const QString kNothingChanged = QStringLiteral("Hiçbir şey değiştirilmedi.");

// A record set on every bank question by rid, open.
struct Bank {
    TempDb db;
    RecordSet questions{QStringLiteral("ADOTable1"), &db.connection()};
    RecordSet scratch{QStringLiteral("ADOQuery1"), &db.connection()};
    RecordSet change{QStringLiteral("ADOQuery2"), &db.connection()};
    explicit Bank(const QString& seed = QString()) {
        if (!seed.isEmpty()) db.exec(seed);
        questions.setCommandText(QStringLiteral("Select * from tqmaster Order By rid"));
        questions.open();
    }
    Field field(const char* name) { return questions.field(QString::fromLatin1(name)); }
    QString inFile(const QString& sql) const { return db.text(sql); }
};

}  // namespace

class TestHardening : public QObject {
    Q_OBJECT
private slots:
    // A unit that fails says so in sentences of their own, whatever the
    // failure's text ends with.
    void undoneUnitAddsItsOwnSentence_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("database text") << QStringLiteral("ADOQuery2: UNIQUE constraint failed: qquestion.qqID")
                                       << QStringLiteral("ADOQuery2: UNIQUE constraint failed: qquestion.qqID. ") +
                                              kNothingChanged;
        QTest::newRow("a sentence") << QStringLiteral("Disk dolu.") << QStringLiteral("Disk dolu. ") + kNothingChanged;
        QTest::newRow("a question, a blank") << QStringLiteral("Neden? ") << QStringLiteral("Neden? ") + kNothingChanged;
    }
    void undoneUnitAddsItsOwnSentence() {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        Bank b(QStringLiteral("INSERT INTO qquestion VALUES (1,1,1);"));
        QCOMPARE(errorOf([&] {
                     atomically(b.db.connection(), [&] {
                         sql::executeChange(b.change, sql::deleteExamEntry(1));
                         throw Error(failure);
                     });
                 }),
                 message);
        QCOMPARE(b.inFile(QStringLiteral("select count(*) from qquestion")), QStringLiteral("1"));
    }

    // An INTEGER column may hold anything another program put there. A key
    // that completes a statement is a whole number or is refused, by name,
    // before any statement goes out.
    void keysAreWholeNumbersOrRefused_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("refusal");  // empty: read as 7
        QTest::newRow("integer") << "7"
                                 << "";
        QTest::newRow("text that would widen a statement") << "'4 OR 1=1'"
                                                           << "\"qqID\" alanı '4 OR 1=1' değerini taşıyor";
        QTest::newRow("text with a number first") << "'7b'"
                                                  << "\"qqID\" alanı '7b' değerini taşıyor";
        QTest::newRow("decimal, not rounded") << "6.5"
                                              << "\"qqID\" alanı '6.5' değerini taşıyor";
        QTest::newRow("bytes, not 0") << "X'37'"
                                      << "\"qqID\" alanı '7' değerini taşıyor";
        QTest::newRow("null, not 0") << "NULL"
                                     << "\"qqID\" alanı boş";
    }
    void keysAreWholeNumbersOrRefused() {
        QFETCH(QString, stored);
        QFETCH(QString, refusal);
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO qgroup (GROUPNAME) VALUES ('E1');"
                               "INSERT INTO tqmaster (rid, question) VALUES (1, 'q');"
                               "INSERT INTO qquestion VALUES (%1, 2, 1), (0, 1, 1), (1, 1, 1);")
                    .arg(stored));
        RecordSet entries(QStringLiteral("tQuestions"), &db.connection());
        entries.setCommandText(QStringLiteral("SELECT * FROM Questions WHERE group_id = 2"));
        entries.open();
        RecordSet change(QStringLiteral("ADOQuery2"), &db.connection());
        const Field key = entries.field(QStringLiteral("qqID"));
        const QString message = errorOf([&] { sql::executeChange(change, sql::deleteExamEntry(key.asKey())); });
        if (refusal.isEmpty()) {
            QCOMPARE(key.asKey(), 7);
            QCOMPARE(message, QStringLiteral("<no error>"));
            QCOMPARE(db.scalar(QStringLiteral("select count(*) from qquestion")), 2);
            return;
        }
        const QString hint =
            stored == QLatin1String("NULL") ? QString() : QStringLiteral(" Bu değeri başka bir program yazmış olabilir.");
        QCOMPARE(message, QStringLiteral("tQuestions: ") + refusal + QStringLiteral("; bir tam sayı olmalı.") + hint +
                              QStringLiteral(" İşlem yapılmadı."));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from qquestion")), 3);  // no statement went out
    }

    // Text that is not UTF-8 reads as Windows-1254, and the row stays
    // editable and deletable: the optimistic WHERE binds the bytes as read.
    void foreignTextRowsStayEditable_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Windows-1254") << "CAST(X'446FF07275' AS TEXT)"
                                      << "Doğru";
        QTest::newRow("Latin-1") << "CAST(X'436166E9' AS TEXT)"
                                 << "Café";
        QTest::newRow("Windows-1254 capitals") << "CAST(X'DD5354414E42554CD0' AS TEXT)"
                                               << "İSTANBULĞ";
        QTest::newRow("UTF-8 after a byte-order mark") << "CAST(X'EFBBBF6F6B' AS TEXT)" << QChar(0xFEFF) + QStringLiteral("ok");
        QTest::newRow("bytes") << "X'4AF0'"
                               << "Jğ";
    }
    void foreignTextRowsStayEditable() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        Bank b(QStringLiteral("INSERT INTO tqmaster (rid, question, answer1) VALUES (1, %1, %1), (2, 'other', 'x')").arg(stored));
        const QString bytesBefore = b.inFile(QStringLiteral("select hex(question) from tqmaster where rid = 1"));
        QCOMPARE(b.field("question").asString(), shown);
        QCOMPARE(b.questions.rowValue(0, b.questions.fieldIndex(QStringLiteral("answer1"))).toString(), shown);

        // Another field changes; the foreign text stays byte for byte.
        b.questions.edit();
        b.field("answer2").setAsString(QStringLiteral("yeni"));
        b.questions.post();
        QCOMPARE(b.inFile(QStringLiteral("select answer2 from tqmaster where rid = 1")), QStringLiteral("yeni"));
        QCOMPARE(b.inFile(QStringLiteral("select hex(question) from tqmaster where rid = 1")), bytesBefore);
        QCOMPARE(b.field("question").asString(), shown);

        // Once edited, the field is written as UTF-8 text.
        b.questions.edit();
        b.field("question").setAsString(b.field("question").asString() + QStringLiteral(" ş"));
        b.questions.post();
        QCOMPARE(b.inFile(QStringLiteral("select typeof(question) || ':' || hex(question) from tqmaster where rid = 1")),
                 QStringLiteral("text:") + QString::fromLatin1((shown + QStringLiteral(" ş")).toUtf8().toHex().toUpper()));

        // answer1 still holds the foreign bytes: the row can be deleted.
        b.questions.remove();
        QCOMPARE(b.inFile(QStringLiteral("select group_concat(rid) from tqmaster")), QStringLiteral("2"));
    }

    // A post finds its row by every value as stored, bound as the bytes read:
    // whatever another program left in a field, the row is found and only
    // the changed field is written; once the value changed under us, even
    // slightly or only in its kind, the post is refused and nothing written.
    void postFindsRowByStoredValues_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("theirs");
        QTest::newRow("text in an integer column") << "qgrp"
                                                   << "'7b'"
                                                   << "'7c'";
        QTest::newRow("foreign text in an integer column") << "qgrp"
                                                           << "CAST(X'4AF0' AS TEXT)"
                                                           << "CAST(X'4AF1' AS TEXT)";
        QTest::newRow("real in an integer column") << "qgrp"
                                                   << "2.5"
                                                   << "2.25";
        QTest::newRow("largest integer") << "rid"
                                         << "9223372036854775807"
                                         << "9223372036854775806";
        QTest::newRow("null") << "question"
                              << "NULL"
                              << "''";
        QTest::newRow("empty text") << "question"
                                    << "''"
                                    << "NULL";
        QTest::newRow("foreign text") << "question"
                                      << "CAST(X'446FF07275' AS TEXT)"
                                      << "CAST(X'446FF07276' AS TEXT)";
        QTest::newRow("text holding a zero byte") << "question"
                                                  << "CAST(X'610062' AS TEXT)"
                                                  << "CAST(X'610063' AS TEXT)";
        QTest::newRow("blob") << "answer4"
                              << "X'00FF'"
                              << "X'00FE'";
        QTest::newRow("blob, then text of its bytes") << "answer4"
                                                      << "X'6162'"
                                                      << "'ab'";
    }
    void postFindsRowByStoredValues() {
        QFETCH(QString, column);
        QFETCH(QString, stored);
        QFETCH(QString, theirs);
        Bank b(QStringLiteral("INSERT INTO tqmaster (rid, question, qgrp) VALUES (1, 'q', 1);"
                              "UPDATE tqmaster SET %1 = %2")
                   .arg(column, stored));
        const QString inFile =
            QStringLiteral("select typeof(%1) || ':' || hex(%1) || '/' || ifnull(answer1, '-') from tqmaster").arg(column);
        const QString before = b.inFile(inFile);
        const Field field = b.questions.field(column);
        const QString shown = field.asString();

        b.questions.edit();
        QCOMPARE(field.asString(), shown);  // read from the row as stored while it is edited
        b.field("answer1").setAsString(QStringLiteral("mine"));
        b.questions.post();
        QCOMPARE(b.inFile(inFile), before.chopped(1) + QStringLiteral("mine"));
        QCOMPARE(field.asString(), shown);

        // The next post finds the row by what the first one left.
        b.questions.edit();
        b.field("answer1").setAsString(QStringLiteral("again"));
        b.questions.post();
        const QString posted = b.inFile(inFile);
        QCOMPARE(posted, before.chopped(1) + QStringLiteral("again"));

        b.db.exec(QStringLiteral("UPDATE tqmaster SET %1 = %2").arg(column, theirs));
        const QString changed = b.inFile(inFile);
        QVERIFY(changed != posted);
        b.questions.edit();
        b.field("answer1").setAsString(QStringLiteral("lost"));
        const QString conflict = errorOf([&] { b.questions.post(); });
        QVERIFY2(conflict.contains(QStringLiteral("değişiklik kaydedilmedi")), qPrintable(conflict));
        QCOMPARE(b.inFile(inFile), changed);
        b.questions.cancel();
        QCOMPARE(errorOf([&] { b.questions.remove(); }), QStringLiteral("<no error>"));  // on the values read again
        QCOMPARE(b.inFile(QStringLiteral("select count(*) from tqmaster")), QStringLiteral("0"));
    }

    // Rows alike in every value (no key tells them apart): a post or a
    // delete reaches one of them, never both, and where the row's id is
    // known (a list read a page at a time) the one that was read.
    void twinRowsChangeOneAtATime() {
        Bank b(QStringLiteral("INSERT INTO tqmaster (question) VALUES ('same'), ('same')"));
        const QString mine = QStringLiteral("select group_concat(rowid) from tqmaster where answer1 = 'mine'");
        b.questions.last();
        b.questions.edit();
        b.field("answer1").setAsString(QStringLiteral("mine"));
        b.questions.post();
        QCOMPARE(b.inFile(mine), QStringLiteral("2"));
        b.questions.first();
        b.questions.edit();
        b.field("answer1").setAsString(QStringLiteral("mine"));
        b.questions.post();
        QCOMPARE(b.inFile(mine), QStringLiteral("1,2"));
        b.questions.remove();
        QCOMPARE(b.inFile(QStringLiteral("select group_concat(rowid) from tqmaster")), QStringLiteral("2"));
    }

    // A row another program wrote again with the same values under another
    // id is still the row read: the post finds it by its values, as it
    // would without the id; one whose values changed there is refused.
    void rowWrittenAgainElsewhere() {
        Bank b(QStringLiteral("INSERT INTO tqmaster (rid, question) VALUES (1, 'a'), (2, 'b')"));
        QCOMPARE(b.field("question").asString(), QStringLiteral("a"));  // the page is read
        b.db.exec(QStringLiteral("DELETE FROM tqmaster WHERE rid = 1; INSERT INTO tqmaster (rid, question) VALUES (1, 'a')"));
        b.questions.edit();
        b.field("answer1").setAsString(QStringLiteral("mine"));
        b.questions.post();
        QCOMPARE(b.inFile(QStringLiteral("select rowid || ':' || answer1 from tqmaster where rid = 1")),
                 QStringLiteral("3:mine"));

        b.questions.next();
        b.db.exec(QStringLiteral("DELETE FROM tqmaster WHERE rid = 2; INSERT INTO tqmaster (rid, question) VALUES (2, 'b2')"));
        QVERIFY(errorOf([&] { b.questions.remove(); }).contains(QStringLiteral("hiçbir şey silinmedi")));
        QCOMPARE(b.inFile(QStringLiteral("select group_concat(question) from tqmaster")), QStringLiteral("a,b2"));
    }

    // Old rows read every byte as Windows-1254, as rich text declared in
    // that page does.
    void windows1254MatchesTheCodePageTable() {
        for (int byte = 0; byte < 256; ++byte) {
            const char c = char(byte);
            QCOMPARE(decodeWindows1254(QByteArrayView(&c, 1)).at(0).unicode(),
                     codepage::decodeByte(codepage::Turkish, uchar(byte)));
        }
    }

    // "Nothing was changed" is said of a unit only once it is undone, and
    // only by the outermost unit, once.
    void failureInsideUnitSaysNothingChanged_data() {
        QTest::addColumn<QString>("trap");
        QTest::addColumn<bool>("readerHoldsFile");
        QTest::addColumn<bool>("nested");
        QTest::addColumn<QString>("reason");
        const QString refuse = QStringLiteral(
            "CREATE TRIGGER refuse BEFORE INSERT ON qquestion WHEN NEW.qqID = 9 BEGIN SELECT RAISE(ABORT, 'refused'); END");
        QTest::newRow("second statement refused") << refuse << false << false << "ADOQuery2: refused";
        QTest::newRow("refused in an inner unit") << refuse << false << true << "ADOQuery2: refused";
        QTest::newRow("commit waits for a web read")
            << "" << true << false << "veritabanı dosyası başka bir program tarafından kilitli. Biraz sonra yeniden deneyin.";
    }
    void failureInsideUnitSaysNothingChanged() {
        QFETCH(QString, trap);
        QFETCH(bool, readerHoldsFile);
        QFETCH(bool, nested);
        QFETCH(QString, reason);
        Bank b(QStringLiteral("INSERT INTO qgroup (GROUPNAME) VALUES ('E1'); INSERT INTO qquestion VALUES (1, 1, 1);"));
        if (!trap.isEmpty()) b.db.exec(trap);
        sqlite3* reader = nullptr;
        if (readerHoldsFile) {
            // A web page in the middle of reading holds a shared lock: with a
            // rollback journal the commit cannot write the file until it ends.
            QCOMPARE(sqlite3_open_v2(b.db.path().toUtf8().constData(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
            QCOMPARE(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM qquestion;", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        auto work = [&] {
            sql::executeChange(b.change, sql::insertExamEntry(5, 1, 1));
            sql::executeChange(b.change, sql::insertExamEntry(9, 1, 1));
        };
        const QString message = errorOf([&] {
            atomically(b.db.connection(), [&] {
                sql::executeChange(b.change, sql::deleteExamEntry(1));
                if (nested)
                    atomically(b.db.connection(), work);
                else
                    work();
            });
        });
        if (reader) sqlite3_close(reader);
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY2(message.endsWith(kNothingChanged), qPrintable(message));
        QCOMPARE(message.count(kNothingChanged), 1);
        QCOMPARE(b.inFile(QStringLiteral("select group_concat(qqID) from qquestion")), QStringLiteral("1"));
    }

    // The next reference number is the largest whole number plus one, read
    // afresh through the catalogue's statement. A key another program stored
    // as text, bytes or a decimal is no number and cannot be the largest (the
    // database orders text and bytes above every number): it is passed over,
    // never rounded, and the row that holds it is named in a note.
    void nextKeyFromWholeNumbers_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("seed");
        QTest::addColumn<qint64>("next");   // 0: refused
        QTest::addColumn<QString>("note");  // the note, or part of the refusal
        const int rid = int(sql::OrderingKey::Rid), qqId = int(sql::OrderingKey::QqId);
        const QString groups = QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Fizik'), ('Kimya');");
        const QString exams = QStringLiteral("INSERT INTO qgroup (GROUPNAME) VALUES ('Ara'), ('Final');");
        const auto ridNote = [](const char* group, const char* value) {
            return QStringLiteral(
                       "Grup no %1 içindeki bir sorunun referans numarası bir tam sayı değil: '%2'. Bu değeri "
                       "başka bir program yazmış olmalı; o soru taşınamaz ve sınava aktarılamaz. Yeni sorular, "
                       "tam sayı olan en büyük referans numarasından sonra numaralanır.")
                .arg(QString::fromUtf8(group), QString::fromUtf8(value));
        };
        const auto qqIdNote = [](const char* exam, const char* value) {
            return QStringLiteral(
                       "Sınav no %1 içindeki bir kaydın numarası (qqID) bir tam sayı değil: '%2'. Bu değeri "
                       "başka bir program yazmış olmalı; o kayıt sınavdan kaldırılamaz ve taşınamaz. Yeni "
                       "kayıtlar, tam sayı olan en büyük numaradan sonra numaralanır.")
                .arg(QString::fromUtf8(exam), QString::fromUtf8(value));
        };
        QTest::newRow("empty bank") << rid << "" << qint64(1) << "";
        QTest::newRow("integers") << rid << groups + "INSERT INTO tqmaster (rid, qgrp) VALUES (3, 1), (20, 2), (8, 1)"
                                  << qint64(21) << "";
        QTest::newRow("a decimal below the largest does not matter")
            << rid << groups + "INSERT INTO tqmaster (rid, qgrp) VALUES (3.5, 1), (20, 2)" << qint64(21) << "";
        QTest::newRow("text key") << rid << groups + "INSERT INTO tqmaster (rid, qgrp) VALUES (3, 1), ('12b', 2), (40, 1)"
                                  << qint64(41) << ridNote("2 (\"Kimya\")", "12b");
        QTest::newRow("decimal key, not rounded") << rid << groups + "INSERT INTO tqmaster (rid, qgrp) VALUES (3, 2), (4.5, 1)"
                                                  << qint64(4) << ridNote("1 (\"Fizik\")", "4.5");
        QTest::newRow("bytes key") << rid << groups + "INSERT INTO tqmaster (rid, qgrp) VALUES (3, 2), (X'3939', 1)" << qint64(4)
                                   << ridNote("1 (\"Fizik\")", "99");
        QTest::newRow("no whole number at all")
            << rid << groups + "INSERT INTO tqmaster (rid, qgrp) VALUES ('a', 2)" << qint64(1) << ridNote("2 (\"Kimya\")", "a");
        QTest::newRow("numbers run out") << rid << "INSERT INTO tqmaster (rid) VALUES (2147483647), ('x')" << qint64(0)
                                         << "Bankadaki soruların referans numaraları tükendi (en büyüğü 2147483647).";
        QTest::newRow("empty exams") << qqId << "" << qint64(1) << "";
        QTest::newRow("entries") << qqId << exams + "INSERT INTO qquestion VALUES (1, 1, 1), (2, 2, 1)" << qint64(3) << "";
        QTest::newRow("text entry key") << qqId << exams + "INSERT INTO qquestion VALUES (1, 1, 1), ('4 OR 1=1', 2, 1)"
                                        << qint64(2) << qqIdNote("2 (\"Final\")", "4 OR 1=1");
        QTest::newRow("bytes entry key") << qqId << exams + "INSERT INTO qquestion VALUES (5, 1, 1), (X'39', 2, 1)" << qint64(6)
                                         << qqIdNote("2 (\"Final\")", "9");
    }
    void nextKeyFromWholeNumbers() {
        QFETCH(int, key);
        QFETCH(QString, seed);
        QFETCH(qint64, next);
        QFETCH(QString, note);
        Bank b(seed);
        const auto k = sql::OrderingKey(key);
        QString told = QStringLiteral("<none>");
        if (next == 0) {
            const QString message = errorOf([&] { nextKey(b.scratch, k, &told); });
            QCOMPARE(message, QStringLiteral("ADOQuery1: ") + note);
            QVERIFY(!b.scratch.active());
            return;
        }
        QCOMPARE(nextKey(b.scratch, k, &told), next);
        QCOMPARE(told, note);
        if (note.isEmpty()) QCOMPARE(b.scratch.commandText(), k == sql::OrderingKey::Rid ? sql::maxRid() : sql::maxQqId());
        QVERIFY(!b.scratch.active());
        // Afresh at every call: another program's row counts at once.
        b.db.exec(k == sql::OrderingKey::Rid ? QStringLiteral("INSERT INTO tqmaster (rid) VALUES (500)")
                                             : QStringLiteral("INSERT INTO qquestion VALUES (500, 1, 1)"));
        QCOMPARE(nextKey(b.scratch, k), 501);
    }

    // A key of another storage class is another row, even when the database
    // would read it as the same number: the optimistic WHERE of a post or a
    // delete reaches the row with the bytes of the digit 7, never question 7
    // that is alike in every other value, whether found by its id or, written
    // again elsewhere, by its values.
    void keyOfAnotherStorageClassIsAnotherRow() {
        Bank b(QStringLiteral("INSERT INTO tqmaster (rid, question, qgrp) VALUES (7, 'q', 1), (X'37', 'q', 1)"));
        const QString rows = QStringLiteral(
            "select group_concat(typeof(rid) || ':' || ifnull(answer1, '-'), ',') from (select * from tqmaster order by rowid)");
        b.questions.last();
        QCOMPARE(b.questions.field(QStringLiteral("rid")).value().typeId(), QMetaType::QByteArray);
        b.questions.edit();
        b.field("answer1").setAsString(QStringLiteral("mine"));
        b.questions.post();
        QCOMPARE(b.inFile(rows), QStringLiteral("integer:-,blob:mine"));
        // Now alike in every value but the key's kind, and the bytes' row
        // written again under another id.
        b.db.exec(
            QStringLiteral("UPDATE tqmaster SET answer1 = 'mine' WHERE rid = 7; DELETE FROM tqmaster WHERE typeof(rid) = 'blob'; "
                           "INSERT INTO tqmaster (rid, question, qgrp, answer1) VALUES (X'37', 'q', 1, 'mine')"));
        b.questions.edit();
        b.field("answer2").setAsString(QStringLiteral("again"));
        b.questions.post();
        QCOMPARE(b.inFile(QStringLiteral("select count(*) from tqmaster where answer2 = 'again' and typeof(rid) = 'blob'")),
                 QStringLiteral("1"));
        b.questions.remove();
        QCOMPARE(b.inFile(rows), QStringLiteral("integer:mine"));
    }

    // Another program takes the reference number between our reading it and
    // our post: the post fails with a message that says so, the row stays
    // as typed, and posting again takes the next number.
    void keyTakenMeanwhileThenRetry() {
        Bank b(QStringLiteral("INSERT INTO tqmaster (rid, question, qgrp) VALUES (10, 'old', 1)"));
        int attempts = 0;
        b.questions.beforePost = [&](RecordSet& rs) {
            if (rs.state() != RecordState::Insert) return;
            const qint64 rid = nextKey(b.scratch, sql::OrderingKey::Rid);
            rs.field(QStringLiteral("rid")).setAsInteger(rid);
            if (++attempts == 1)
                b.db.exec(QStringLiteral("INSERT INTO tqmaster (rid, question, qgrp) VALUES (%1, 'web', 1)").arg(rid));
        };
        b.questions.append();
        b.field("question").setAsString(QStringLiteral("mine"));
        QCOMPARE(errorOf([&] { b.questions.post(); }),
                 QStringLiteral("ADOTable1: Bu arada başka bir program bankaya bir soru ekledi ve bu soruya verilecek referans "
                                "numarasını aldı; soru kaydedilmedi. Yeniden kaydedin: soruya yeni bir numara verilir."));
        QCOMPARE(b.questions.state(), RecordState::Insert);
        QCOMPARE(b.field("question").asString(), QStringLiteral("mine"));
        b.questions.post();
        QCOMPARE(attempts, 2);
        QCOMPARE(b.inFile(QStringLiteral("select group_concat(rid || question, ',') from (select * from tqmaster order by rid)")),
                 QStringLiteral("10old,11web,12mine"));

        // The same clash on an exam entry's key.
        b.db.exec(QStringLiteral("INSERT INTO qquestion VALUES (1, 1, 10)"));
        QCOMPARE(errorOf([&] { sql::executeChange(b.change, sql::insertExamEntry(1, 1, 11)); }),
                 QStringLiteral("ADOQuery2: Bu arada başka bir program bir sınava soru ekledi ve bu kayda verilecek numarayı "
                                "aldı; kayıt yapılmadı. Yeniden kaydedin: kayda yeni bir numara verilir."));
    }

    // An I/O error at any write or sync of a post loses nothing that was
    // stored and leaves the row as typed, still in edit: posting again after
    // the fault has passed saves it.
    void ioErrorInPostLosesNothing_data() {
        QTest::addColumn<int>("op");
        QTest::addColumn<bool>("inserting");
        QTest::newRow("write, edit") << int(FaultVfs::Op::Write) << false;
        QTest::newRow("sync, edit") << int(FaultVfs::Op::Sync) << false;
        QTest::newRow("write, new row") << int(FaultVfs::Op::Write) << true;
        QTest::newRow("sync, new row") << int(FaultVfs::Op::Sync) << true;
    }
    void ioErrorInPostLosesNothing() {
        QFETCH(int, op);
        QFETCH(bool, inserting);
        const QString before = QStringLiteral("1a,2b,3c");
        const QString rows = QStringLiteral("select group_concat(ID || GROUPNAME, ',') from (select * from tqgroup order by ID)");
        // Every write or sync of the post in turn, until a post goes through.
        for (int nth = 1;; ++nth) {
            TempDb db;
            db.exec(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('a'), ('b'), ('c')"));
            FaultVfs vfs;
            db.connection().close();
            db.connection().open();  // through the shim
            RecordSet tgrp(QStringLiteral("tgrp"), &db.connection());
            tgrp.setTableName(QStringLiteral("tqgroup"));
            tgrp.open();
            tgrp.setRecNo(2);
            if (inserting)
                tgrp.append();
            else
                tgrp.edit();
            tgrp.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("x"));
            vfs.arm(FaultVfs::Op(op), nth);
            const QString message = errorOf([&] { tgrp.post(); });
            vfs.disarm();
            if (!vfs.fired()) {
                QCOMPARE(message, QStringLiteral("<no error>"));
                QVERIFY2(nth > 1, "the post wrote nothing");
                break;
            }
            QVERIFY2(
                message.startsWith(QStringLiteral("tgrp: \"%1\" veritabanı dosyası okunamıyor ya da yazılamıyor").arg(db.path())),
                qPrintable(QStringLiteral("at %1: %2").arg(nth).arg(message)));
            QCOMPARE(db.text(rows), before);
            QCOMPARE(tgrp.state(), inserting ? RecordState::Insert : RecordState::Edit);
            QCOMPARE(tgrp.field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("x"));
            tgrp.post();
            QCOMPARE(db.text(rows), inserting ? before + QStringLiteral(",4x") : QStringLiteral("1a,2x,3c"));
        }
    }
};

QTEST_GUILESS_MAIN(TestHardening)
#include "tst_hardening.moc"
