// Copying a question group from another database file into the bank through
// the entry window's "Veri al" and the import window.
#include "app/forms.h"
#include "bank/frm_qeditx.h"
#include "bank/frm_qimport.h"
#include "bank/frm_sgrp.h"
#include "bank/frm_soru_gir.h"
#include "grid/datagrid.h"
#include "grid/richcell.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "tests/support/access_expected.h"
#include "tests/support/box_script.h"
#include "tests/support/entry_fixture.h"
#include "tests/support/fault_vfs.h"
#include "tests/support/files.h"
#include "tests/support/program_fixture.h"
#include "tests/support/temp_db.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <sqlite3.h>

#include <memory>

using msgbox::Button;
using storage::RecordState;

namespace {

// The bank: group 1 "Tarih" with rids 1 and 2, group 2 "Coğrafya" with 50.
const QString kBank = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih'),('Coğrafya');"
    "INSERT INTO tqmaster VALUES (1,'a','','','','','1',0,1),(2,'b','','','','','1',0,1),(50,'z','','','','','1',0,2);");

const QString kRtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg1254{\\fonttbl{\\f0 Tahoma;}}\\f0 \\b Zengin\\b0  metin\\par}");

// Another file: group 1 "Boş" without questions, group 2 "Kaynak" with three.
QString source(const QString& secondAnswer = QStringLiteral("2")) {
    return QStringLiteral(
               "INSERT INTO tqgroup (GROUPNAME) VALUES ('Boş'),('Kaynak');"
               "INSERT INTO tqmaster VALUES (7,'Bir','b1','b2','b3','b4','1',0,2),(8,'") +
           kRtf + QStringLiteral("','i1','i2','i3','i4','") + secondAnswer +
           QStringLiteral("',1,2),(9,'Üç','u1','u2','u3','u4','4',0,2);");
}

struct Entry : EntryFixture {
    Tqimport* imp;
    explicit Entry(const QString& sql = kBank) : EntryFixture(sql), imp(forms().qimport) {}
    QString row(int rid) const {
        return db.text(QStringLiteral("select question || '|' || answer1 || answer2 || answer3 || answer4 || '|' || "
                                      "true_answer || '|' || sts || '|' || qgrp from tqmaster where rid = %1")
                           .arg(rid));
    }
    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    // Runs "Veri al"; in the import window, chooses file (if any), the
    // source group by its row and presses "Aktar".
    void import(const QString& file, int groupRow = 2) {
        whenModal([this, file, groupRow] {
            QVERIFY(imp->isVisible());
            if (!file.isEmpty()) click(imp->Button1);
            imp->tgrp.setRecNo(groupRow);
            click(imp->Button2);
        });
        QTest::mouseClick(w->BtnImport, Qt::LeftButton);
    }
};

QString accessFixture(const QString& name) {
    return qEnvironmentVariable("QUORVEL_FIXTURES") + QStringLiteral("/legacy-access/") + name;
}

}  // namespace

class TestImport : public QObject {
    Q_OBJECT
private slots:
    void window() {
        Entry e;
        const Tqimport* imp = e.imp;
        QCOMPARE(imp->windowTitle(), QStringLiteral("Data Import"));
        QCOMPARE(imp->size(), QSize(895, 549));
        QCOMPARE(imp->Label1->text(), QStringLiteral("Aktarmak İstediğiniz Soru Grubunu Seçiniz:"));
        QCOMPARE(imp->Button1->text(), QStringLiteral("Dosya Belirle"));
        QCOMPARE(imp->Button2->text(), QStringLiteral("Aktar"));
        QCOMPARE(imp->wwDBGrid1->geometry(), QRect(6, 22, 320, 209));
        QCOMPARE(imp->wwDBGrid2->geometry(), QRect(6, 238, 882, 305));
        QCOMPARE(imp->wwDBGrid2->columnCount(), 9);
        QCOMPARE(imp->wwDBGrid2->cellControl(1), static_cast<QWidget*>(imp->wwDBRichEdit1));
        QVERIFY(imp->wwDBGrid1->profile().UseTFields);
    }

    // "Aktar" needs a file, a group and a question of it; otherwise nothing
    // happens and the window stays.
    void aktarConditions() {
        TempDb other;
        other.exec(source());
        Entry e;
        BoxScript boxes;
        FileScript files;
        files.expect(other.path());
        whenModal([&] {
            e.click(e.imp->Button2);  // no file yet
            QVERIFY(e.imp->isVisible());
            e.click(e.imp->Button1);
            QCOMPARE(e.imp->tgrp.recordCount(), 2);
            QCOMPARE(e.imp->tgrp.recNo(), 1);
            QCOMPARE(e.imp->ADOTable1.recordCount(), 0);
            e.click(e.imp->Button2);  // a group without questions
            QVERIFY(e.imp->isVisible());
            e.imp->tgrp.setRecNo(2);  // the question grid follows the group
            QCOMPARE(e.imp->ADOTable1.recordCount(), 3);
            QCOMPARE(e.imp->wwDBGrid2->model()->rowCount(), 3);
            e.click(e.imp->Button2);
            QVERIFY(!e.imp->isVisible());
        });
        QTest::mouseClick(e.w->BtnImport, Qt::LeftButton);
        QCOMPARE(files.filters(), QStringList{QStringLiteral("MDB File (*.mdb)")});
        QVERIFY(e.imp->transfer());
        QVERIFY(!e.imp->ADOConnection1.connected());
        QVERIFY(!e.imp->tgrp.active());
    }

    // The copies are numbered after the highest number of the whole bank and
    // filed under the current group; the post rule stores plain text.
    void copiesAfterTheHighestNumber() {
        TempDb other;
        other.exec(source());
        Entry e;
        BoxScript boxes;
        FileScript files;
        files.expect(other.path());
        e.import(other.path());
        QCOMPARE(e.row(51), QStringLiteral("Bir|b1b2b3b4|1|0|1"));
        QCOMPARE(e.row(52), QStringLiteral("Zengin metin|i1i2i3i4|2|1|1"));  // sts True arrives cancelled
        QCOMPARE(e.row(53), QStringLiteral("Üç|u1u2u3u4|4|0|1"));
        QCOMPARE(e.db.scalar(QStringLiteral("select count(*) from tqmaster")), 6);
        QCOMPARE(e.q().recordCount(), 5);
        QCOMPARE(e.q().state(), RecordState::Browse);
        QVERIFY(!e.imp->ADOConnection1.connected());
        QVERIFY(!e.w->ProgressBar1->isVisible());
        QVERIFY(!e.w->importing());
        // The grid held its view back during the copy and then caught up: it
        // stands on the last copy, in view.
        const QModelIndex current = e.w->wwDBGrid2->currentIndex();
        QCOMPARE(current.row(), e.q().recNo() - 1);
        QVERIFY(e.w->wwDBGrid2->viewport()->rect().intersects(e.w->wwDBGrid2->visualRect(current)));
        // The source file is left as it was.
        QCOMPARE(other.scalar(QStringLiteral("select count(*) from tqmaster")), 3);
    }

    // Whatever shows the bank questions follows the copy once it ends: the
    // rich control over the question cell, the grid's rows and the question
    // window show the last copy.
    void shownControlsCatchUp() {
        TempDb other;
        other.exec(source());
        Entry e;
        BoxScript boxes;
        grid::DataGrid* grid = e.w->wwDBGrid2;
        Tqeditx* x = e.forms().qeditx;
        e.w->SoruGoster1->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(x));
        // The question window stays above the entry window, which counts as
        // active for Qt's test as long as either is: wait for the platform.
        e.w->activateWindow();
        QApplication::setActiveWindow(e.w);
        QTRY_COMPARE(QApplication::activeWindow(), e.w);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(0, 0).center());
        QVERIFY(e.w->wwDBRichEdit1->isVisible());
        QCOMPARE(x->Memo1->toPlainText(), QStringLiteral("a"));
        FileScript files;
        files.expect(other.path());
        e.import(other.path());
        QVERIFY(QTest::qWaitFor([&] { return x->Memo1->toPlainText() == QStringLiteral("Üç"); }));
        QCOMPARE(e.q().recNo(), 5);
        QCOMPARE(grid->model()->rowCount(), 5);
        QCOMPARE(grid->cellText(3, 0), QStringLiteral("Zengin metin"));
        QCOMPARE(grid->currentIndex().row(), 4);
        QCOMPARE(e.w->wwDBRichEdit1->questionText(), QStringLiteral("Üç"));
        // The copy ends with the question window active; back in the grid,
        // the control shows the last copy.
        // The question window stays above the entry window, which counts as
        // active for Qt's test as long as either is: wait for the platform.
        e.w->activateWindow();
        QApplication::setActiveWindow(e.w);
        QTRY_COMPARE(QApplication::activeWindow(), e.w);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(4, 0).center());
        QVERIFY(e.w->wwDBRichEdit1->isVisible());
        QCOMPARE(e.w->wwDBRichEdit1->toPlainText(), QStringLiteral("Üç"));
        x->close();
    }

    // A group chosen in the picker (even with "Vazgeç") receives the copies.
    void copiesGoToThePickedGroup() {
        TempDb other;
        other.exec(source());
        Entry e;
        BoxScript boxes;
        whenModal([&] {
            e.session->tgrp.setRecNo(2);
            e.click(e.forms().sgrpx->Button2);
        });
        e.w->SoruTasi1->trigger();
        FileScript files;
        files.expect(other.path());
        e.import(other.path());
        QCOMPARE(e.db.scalar(QStringLiteral("select count(*) from tqmaster where qgrp = 2 and rid > 50")), 3);
    }

    // A copy the post rule refuses stops the loop: earlier copies stay, the
    // refused one waits as an unsaved row, the file stays open for next time.
    void refusedCopyStops() {
        TempDb other;
        other.exec(source(QString()));
        Entry e;
        BoxScript boxes;
        FileScript files;
        files.expect(other.path());
        boxes.expect(Button::OK);
        e.import(other.path());
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nDoğru cevabı giriniz..."));
        QCOMPARE(e.row(51), QStringLiteral("Bir|b1b2b3b4|1|0|1"));
        QCOMPARE(e.db.scalar(QStringLiteral("select count(*) from tqmaster")), 4);
        QCOMPARE(e.q().state(), RecordState::Insert);
        QCOMPARE(e.q().field(QStringLiteral("answer3")).asString(), QStringLiteral("i3"));
        QCOMPARE(e.w->wwDBRichEdit1->questionText(), QStringLiteral("Zengin metin"));
        QVERIFY(e.imp->ADOConnection1.connected());
        QVERIFY(!e.w->importing());

        // The user completes the row; the next import shows the same file.
        e.q().field(QStringLiteral("true_answer")).setAsString(QStringLiteral("3"));
        e.q().post();
        QCOMPARE(e.row(52), QStringLiteral("Zengin metin|i1i2i3i4|3|1|1"));
        whenModal([&] {
            QCOMPARE(e.imp->tgrp.recordCount(), 2);
            e.imp->close();  // the close box copies nothing
        });
        QTest::mouseClick(e.w->BtnImport, Qt::LeftButton);
        QVERIFY(!e.imp->transfer());
        QVERIFY(!e.imp->ADOConnection1.connected());
        QCOMPARE(e.db.scalar(QStringLiteral("select count(*) from tqmaster")), 5);
    }

    // The copies are committed in batches; whatever stops the copy in the
    // middle of a batch, the file holds exactly the copies the entry window
    // shows: a rule of the file that refuses the 150th (the ones before it
    // stay, it waits as an unsaved row), or an I/O error at a sync of a
    // commit, which loses the whole batch (its copies are saved one by one,
    // then the copy stops with the error).
    void faultInBatch_data() {
        QTest::addColumn<bool>("refuse");
        QTest::newRow("refused row") << true;
        QTest::newRow("sync") << false;
    }
    void faultInBatch() {
        QFETCH(bool, refuse);
        auto vfs = refuse ? nullptr : std::make_unique<FaultVfs>();
        TempDb other;
        other.exec(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Boş'),('Kaynak');"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) "
                           "INSERT INTO tqmaster (rid, question, true_answer, qgrp) SELECT i, 'Soru ' || i, '1', 2 FROM n;"));
        Entry e;
        const auto dropUnsaved = qScopeGuard([&e] { e.q().cancel(); });  // closing would post it
        if (refuse)
            e.db.exec(
                QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON tqmaster WHEN NEW.question = 'Soru 150' "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        BoxScript boxes;
        FileScript files;
        files.expect(other.path());
        boxes.expect(Button::OK);
        if (vfs) vfs->arm(FaultVfs::Op::Sync, 1);
        e.import(other.path());
        if (vfs) QVERIFY(vfs->fired());
        QCOMPARE(boxes.last().icon, msgbox::Icon::Error);
        if (refuse) QVERIFY(boxes.last().text.contains(QLatin1String("refused")));
        const int stored = e.db.scalar(QStringLiteral("select count(*) from tqmaster")) - 3;
        if (refuse) {
            QCOMPARE(stored, 149);
            QCOMPARE(e.q().state(), RecordState::Insert);
            QCOMPARE(e.q().field(QStringLiteral("question")).asString(), QStringLiteral("Soru 150"));
        } else {
            QVERIFY(stored > 0);
            QCOMPARE(e.q().state(), RecordState::Browse);
        }
        const int unsaved = refuse ? 1 : 0;
        QCOMPARE(e.q().recordCount() - unsaved, 2 + stored);  // the group's two and the copies
        QVERIFY(!e.w->importing());
    }

    // A source in WAL mode is read, never changed: it stays in WAL mode, its
    // bytes and time are as they were, and no -wal or -shm is left beside it.
    // When another program opened it meanwhile, they stay for that program,
    // which goes on reading and writing.
    void sourceStaysAsItWas_data() {
        QTest::addColumn<bool>("meanwhile");
        QTest::newRow("alone") << false;
        QTest::newRow("another program opens it meanwhile") << true;
    }
    void sourceStaysAsItWas() {
        QFETCH(bool, meanwhile);
        TempDb other;
        other.exec(source());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kaynak.mdb"));
        QVERIFY(QFile::copy(other.path(), path));
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        db = nullptr;
        const QByteArray bytes = fileBytes(path);
        QCOMPARE(bytes.mid(18, 2), QByteArray("\x02\x02"));  // WAL in the header
        const QDateTime modified = QFileInfo(path).lastModified();
        const QStringList listed = QDir(dir.path()).entryList(QDir::Files);
        QTest::qWait(20);  // a change would show in the time

        Entry e;
        BoxScript boxes;
        FileScript files;
        files.expect(path);
        whenModal([&] {
            e.click(e.imp->Button1);
            if (meanwhile) {  // opened and read: it uses the WAL files now
                QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
                QCOMPARE(sqlite3_exec(db, "SELECT count(*) FROM tqgroup", nullptr, nullptr, nullptr), SQLITE_OK);
            }
            e.imp->tgrp.setRecNo(2);
            e.click(e.imp->Button2);
        });
        QTest::mouseClick(e.w->BtnImport, Qt::LeftButton);
        QCOMPARE(e.row(53), QStringLiteral("Üç|u1u2u3u4|4|0|1"));
        if (meanwhile) {
            QVERIFY(QFile::exists(path + QStringLiteral("-shm")));
            QCOMPARE(sqlite3_exec(db, "INSERT INTO tqgroup (GROUPNAME) VALUES ('Yeni')", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_stmt* count = nullptr;
            QCOMPARE(sqlite3_prepare_v2(db, "SELECT count(*) FROM tqgroup", -1, &count, nullptr), SQLITE_OK);
            QCOMPARE(sqlite3_step(count), SQLITE_ROW);
            QCOMPARE(sqlite3_column_int(count, 0), 3);
            sqlite3_finalize(count);
            sqlite3_close(db);  // the last one: SQLite removes its files
        } else {
            QCOMPARE(fileBytes(path), bytes);
            QCOMPARE(QFileInfo(path).lastModified(), modified);
        }
        QCOMPARE(fileBytes(path).mid(18, 2), QByteArray("\x02\x02"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), listed);
    }

    // The program's own file: the group is read as it stood, so it is copied once.
    void ownFile() {
        Entry e;
        BoxScript boxes;
        FileScript files;
        files.expect(e.db.path());
        e.import(e.db.path(), 1);
        QCOMPARE(e.db.text(QStringLiteral("select group_concat(question || '@' || rid, ',') from "
                                          "(select * from tqmaster where qgrp = 1 order by rid)")),
                 QStringLiteral("a@1,b@2,a@51,b@52"));
    }

    // An old Access bank: the window lists its groups and their questions
    // exactly as the file holds them, and a group copies like any other.
    void accessBank() {
        const auto expected = expectedAccessRows(accessFixture(QStringLiteral("legacy-bank-jet4.expected.tsv")));
        Entry e;
        BoxScript boxes;
        FileScript files;
        files.expect(accessFixture(QStringLiteral("legacy-bank-jet4.mdb")));
        QList<QStringList> groups, questions;
        whenModal([&] {
            e.click(e.imp->Button1);
            storage::RecordSet& g = e.imp->tgrp;
            storage::RecordSet& q = e.imp->ADOTable1;
            for (g.first(); !g.eof(); g.next()) {
                groups << QStringList{g.field(QStringLiteral("ID")).asString(), g.field(QStringLiteral("GROUPNAME")).asString()};
                for (q.first(); !q.eof(); q.next()) {
                    QStringList row;
                    for (int f = 0; f < q.fieldCount(); ++f)
                        row << (q.field(f).isNull()                                 ? QString()
                                : q.fieldDef(f).kind == storage::FieldKind::Boolean ? QString::number(int(q.field(f).asBoolean()))
                                                                                    : q.field(f).asString());
                    questions << row;
                }
            }
            QCOMPARE(e.imp->wwDBGrid1->model()->data(e.imp->wwDBGrid1->model()->index(1, 0)).toString(),
                     QStringLiteral("Türkçe Dil Bilgisi - İĞŞÇÖÜ ığşçöü"));
            g.setRecNo(2);
            e.click(e.imp->Button2);
        });
        QTest::mouseClick(e.w->BtnImport, Qt::LeftButton);
        QCOMPARE(groups, expected.value(QStringLiteral("tqgroup")));
        // The question whose group does not exist shows under no group.
        QList<QStringList> inGroups = expected.value(QStringLiteral("tqmaster"));
        inGroups.removeIf([](const QStringList& r) { return r.value(8) == QLatin1String("99"); });
        std::sort(questions.begin(), questions.end(),
                  [](const QStringList& a, const QStringList& b) { return a[0].toInt() < b[0].toInt(); });
        QCOMPARE(questions, inGroups);
        QVERIFY(!e.imp->ADOConnection1.connected());
        QCOMPARE(e.row(51),
                 QStringLiteral(
                     "Iğdır, Şırnak ve Çorum hangi bölgelerdedir? İyi düşününüz.|DoğuGüneydoğuİç AnadoluHepsi farklı|4|0|1"));
        // The rich-text question arrives as its text, read in its Turkish code page.
        QCOMPARE(e.row(52), QStringLiteral("Kalın yazılı şğıİŞĞ soru metni\r\nikinci satır|ığşİ|1|0|1"));
        QCOMPARE(e.row(53), QStringLiteral("İptal edilmiş soru|abcd|2|1|1"));
    }

    void noGroups() {
        Entry e(QStringLiteral(""));
        BoxScript boxes;
        boxes.expect(Button::OK);
        QTest::mouseClick(e.w->BtnImport, Qt::LeftButton);
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nTanımlı grup yok!"));
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
        QVERIFY(!e.imp->isVisible());
    }

    // Files that are not question banks end in an error box; the window
    // stays usable and the next file can be chosen.
    void sourcesThatAreNotBanks_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        const QByteArray jet = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2028, '\x07');
        const QByteArray ace = QByteArray("\x00\x01\x00\x00Standard ACE DB\x00", 20) + QByteArray(4076, '\x07');
        QTest::newRow("Jet file") << jet << "Access";
        QTest::newRow("ACE file") << ace << "Access";
        QTest::newRow("Access file without tqmaster") << QByteArray("no-questions") << "tqmaster tablosu yok";
        QTest::newRow("garbage") << QByteArray(4096, 'q') << "veritabanı dosyası değil";
        QTest::newRow("empty file") << QByteArray() << "boş ya da bir soru bankası değil";
        QTest::newRow("another database") << QByteArray("sqlite") << "bir soru bankası değil";
    }
    void sourcesThatAreNotBanks() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        TempDb good;
        good.exec(source());
        Entry e;
        const QString bad = e.db.folder() + QStringLiteral("kaynak.mdb");
        if (bytes == "no-questions") {
            QVERIFY(QFile::copy(accessFixture(QStringLiteral("legacy-no-questions-jet4.mdb")), bad));
        } else if (bytes == "sqlite") {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(bad.toUtf8().constData(), &db), SQLITE_OK);
            sqlite3_exec(db, "CREATE TABLE notlar (x TEXT)", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        } else {
            writeFileBytes(bad, bytes);
        }
        BoxScript boxes;
        FileScript files;
        files.expect(bad);
        files.expect(good.path());
        boxes.expect(Button::OK);
        whenModal([&] {
            e.click(e.imp->Button1);
            QVERIFY(e.imp->isVisible());
            QVERIFY(!e.imp->ADOConnection1.connected());
            QVERIFY(!e.imp->tgrp.active());
            e.click(e.imp->Button2);
            QVERIFY(e.imp->isVisible());
            e.click(e.imp->Button1);
            e.imp->tgrp.setRecNo(2);
            e.click(e.imp->Button2);
        });
        QTest::mouseClick(e.w->BtnImport, Qt::LeftButton);
        QCOMPARE(boxes.shown().size(), 1);
        QVERIFY2(boxes.last().text.contains(says), qPrintable(describe(boxes.last())));
        QCOMPARE(e.db.scalar(QStringLiteral("select count(*) from tqmaster")), 6);
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
