#include "app/frm_main.h"
#include "exams/exam_question_list.h"
#include "exams/frm_sinav_soru_ekle.h"
#include "grid/datagrid.h"
#include "storage/recordset.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "tests/support/box_script.h"
#include "tests/support/fault_vfs.h"
#include "tests/support/program_fixture.h"

#include <QAccessible>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include <sqlite3.h>

using msgbox::Button;

namespace {

// Tarih holds a question, a heading and a cancelled question; the exam Vize
// already holds the heading.
const QString kSeed = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih'),('Coğrafya');"
    "INSERT INTO tqmaster (rid, question, qgrp, sts, true_answer) VALUES"
    " (1,'Soru bir',1,0,'1'),(2,'<?>Başlık',1,0,'1'),(3,'İptal soru',1,1,'2'),(4,'Dağ',2,0,'3'),(5,'Ova',2,0,'4');"
    "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize'),('Final');"
    "INSERT INTO qquestion VALUES (5,1,2);");

const QString kAsk = QStringLiteral("\r\nTarih >> Vize\r\r\nAktarılsın mı?");
const QString kPresent = QStringLiteral("Vize Sınav Grubunda Bu Soru Mevcut ; Soru : ");

struct Add : ProgramFixture {
    Tsinav_soru_ekle* w = nullptr;
    explicit Add(const QString& seed = kSeed) : ProgramFixture(seed) {
        w = forms().sinav_soru_ekle;
        show();
        clickTab(1);
    }
    // Opens the window with the command, runs f in it, then closes it.
    void inWindow(const std::function<void()>& f) {
        bool ran = false;
        whenModal([&] {
            QVERIFY(w->isVisible());
            f();
            ran = true;
            w->close();
        });
        QTest::mouseClick(main->ToolButton19, Qt::LeftButton);
        QVERIFY(ran);
        QVERIFY(!w->isVisible());
    }
    // Entries as qqID:exam:rid in qqID order.
    QString entries() const {
        return db.text(
            QStringLiteral("select group_concat(qqID || ':' || group_id || ':' || question_id, ',') from "
                           "(select * from qquestion order by qqID)"));
    }
    QString logText() const { return w->Memo1->toPlainText(); }
    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
};

}  // namespace

class TestAddQuestions : public QObject {
    Q_OBJECT
private slots:
    void openingNeedsExamsAndGroups_data() {
        QTest::addColumn<QString>("seed");
        QTest::addColumn<QString>("warning");
        QTest::newRow("no exam") << "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
                                 << "\r\nTanımlı Sınav Yok.";
        QTest::newRow("no group") << "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');"
                                  << "\r\nTanımlı Soru Grubu Yok.";
    }
    void openingNeedsExamsAndGroups() {
        QFETCH(QString, seed);
        QFETCH(QString, warning);
        Add a(seed);
        BoxScript boxes;
        boxes.expect(Button::OK);
        QTest::mouseClick(a.main->ToolButton19, Qt::LeftButton);
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
        QCOMPARE(boxes.last().text, warning);
        QVERIFY(!a.session->ADOTable1.active());
    }

    void windowAtEachShowing() {
        Add a;
        a.inWindow([&] {
            QCOMPARE(a.w->windowTitle(), QStringLiteral("Soru Ekle"));
            QCOMPARE(a.w->size(), QSize(810, 649));
            QCOMPARE(a.w->Label4->text(), QStringLiteral("0 Soru Eklendi"));
            QCOMPARE(a.w->Label4->toolTip(), QStringLiteral("sıfırlamak için çift tıklayınız"));
            QCOMPARE(a.w->wwDBGrid2->toolTip(), QStringLiteral("Soruyu eklemek için çift tıklayınız..."));
            QVERIFY(a.w->wwDBGrid2->isVisible());
            QVERIFY(!a.w->Panel1->isVisible());
            QVERIFY(a.w->Memo1->isReadOnly());
            QCOMPARE(a.w->wwDBGrid1->geometry(), QRect(8, 24, 209, 137));
            QCOMPARE(a.w->wwDBGrid3->geometry(), QRect(344, 24, 209, 137));
            QCOMPARE(a.w->RzButton1->geometry(), QRect(224, 32, 112, 31));
            QCOMPARE(a.w->RzButton2->geometry(), QRect(224, 68, 112, 31));
            QCOMPARE(a.session->ADOTable1.commandText(), QStringLiteral("Select * from tqmaster Where qgrp = 1 Order By rid"));
            // The stored digit, not a letter: this window has no answer picker.
            QCOMPARE(a.w->wwDBGrid2->cellText(2, a.w->wwDBGrid2->columnCount() - 1), QStringLiteral("2"));
            QCOMPARE(QAccessible::queryAccessibleInterface(a.w->RzButton1)->text(QAccessible::Name),
                     QStringLiteral("Grubu Aktar"));
            // A change of group reloads the question list while the window is up.
            a.session->tgrp.next();
            QCOMPARE(a.session->ADOTable1.recordCount(), 2);
            a.session->tgrp.first();
            a.click(a.w->RzButton2);
            QCOMPARE(a.w->Label4->text(), QStringLiteral("1 Soru Eklendi"));
            a.w->Memo1->appendPlainText(QStringLiteral("eski"));
        });
        // After the window: the bank questions are closed, the caption counts the new entry.
        QVERIFY(!a.session->ADOTable1.active());
        QCOMPARE(a.main->windowTitle(), QStringLiteral("Olvane Tessary by Morvelin -  [ \"Vize\" Soru Sayısı : 2 ]"));
        QCOMPARE(a.session->tQuestions.recordCount(), 2);
        a.inWindow([&] {
            QCOMPARE(a.w->Label4->text(), QStringLiteral("0 Soru Eklendi"));
            QVERIFY(a.w->Memo1->toPlainText().isEmpty());
        });
    }

    // A present question is refused and logged; a new one is added at the end
    // of the whole table's keys, and logged by its reference number.
    void singleTransfer() {
        Add a;
        BoxScript boxes;
        a.inWindow([&] {
            a.session->ADOTable1.setRecNo(2);  // the heading, already in Vize
            a.click(a.w->RzButton2);
            QCOMPARE(a.logText(), kPresent + QStringLiteral("<?>Başlık"));
            QCOMPARE(a.w->Label4->text(), QStringLiteral("0 Soru Eklendi"));
            a.session->ADOTable1.setRecNo(3);  // cancelled questions go too
            a.click(a.w->RzButton2);
            QCOMPARE(a.logText(), QStringLiteral("Soru Aktarıldı ( 3 )"));
            // A double-click on a question is the same command.
            a.session->ADOTable1.setRecNo(1);
            const QRect cell = a.w->wwDBGrid2->cellRect(0, 0);
            QTest::mouseDClick(a.w->wwDBGrid2->viewport(), Qt::LeftButton, {}, cell.center());
            QCOMPARE(a.logText(), QStringLiteral("Soru Aktarıldı ( 1 )"));
            QCOMPARE(a.w->Label4->text(), QStringLiteral("2 Soru Eklendi"));
            // A double-click on the counter resets it.
            QTest::mouseDClick(a.w->Label4, Qt::LeftButton);
            QCOMPARE(a.w->Label4->text(), QStringLiteral("0 Soru Eklendi"));
        });
        QCOMPARE(a.entries(), QStringLiteral("5:1:2,6:1:3,7:1:1"));
    }

    void firstEntryGetsKeyOne() {
        Add a(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
                           "INSERT INTO tqmaster (rid, question, qgrp) VALUES (7,'x',1);"
                           "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');"));
        a.inWindow([&] { a.click(a.w->RzButton2); });
        QCOMPARE(a.entries(), QStringLiteral("1:1:7"));
    }

    void groupTransfer() {
        Add a;
        BoxScript boxes;
        a.inWindow([&] {
            a.w->Memo1->appendPlainText(QStringLiteral("önceki"));
            boxes.expect(Button::No);
            a.click(a.w->RzButton1);
            const msgbox::Box& ask = boxes.last();
            QCOMPARE(ask.caption, QStringLiteral("Dikkat"));
            QCOMPARE(ask.text, kAsk);
            QCOMPARE(ask.icon, msgbox::Icon::Question);
            QCOMPARE(ask.defaultButton, Button::Yes);
            QCOMPARE(ask.owner, a.w);
            QCOMPARE(a.logText(), QStringLiteral("önceki"));  // No: nothing happens, the log stays

            // Partial overlap: the others go in, in bank order; the present one is logged.
            boxes.expect(Button::Yes);
            a.click(a.w->RzButton1);
            QCOMPARE(a.logText(), kPresent + QStringLiteral("<?>Başlık"));
            QCOMPARE(a.w->Label4->text(), QStringLiteral("2 Soru Eklendi"));
            QCOMPARE(a.w->ProgressBar1->maximum(), 3);
            QCOMPARE(a.w->ProgressBar1->value(), 3);
            QVERIFY(a.w->wwDBGrid2->isVisible());
            QVERIFY(!a.w->Panel1->isVisible());
            QCOMPARE(a.session->ADOTable1.recNo(), 1);

            // Again: nothing new, every question logged, the counter unchanged.
            boxes.expect(Button::Yes);
            a.click(a.w->RzButton1);
            QCOMPARE(a.logText().split(u'\n').size(), 3);
            QCOMPARE(a.w->Label4->text(), QStringLiteral("2 Soru Eklendi"));
        });
        QCOMPARE(a.entries(), QStringLiteral("5:1:2,6:1:1,7:1:3"));
        // The exam's list shows the new entries at its end, and the caption counts them.
        QCOMPARE(a.session->tQuestions.recordCount(), 3);
        a.session->tQuestions.last();
        QCOMPARE(a.session->tQuestions.field(QStringLiteral("qqID")).asKey(), 7);
        QCOMPARE(a.main->windowTitle(), QStringLiteral("Olvane Tessary by Morvelin -  [ \"Vize\" Soru Sayısı : 3 ]"));
    }

    // Closing the window re-reads the entries of an expanded exam, and its
    // list is fitted to the rows it has now.
    void expandedListRefittedAfterward() {
        Add a;
        ExamQuestionList* list = a.main->examQuestions();
        list->expand();
        grid::DataGrid* entries = a.main->wwDBGrid4;
        QCOMPARE(entries->viewport()->height(), entries->dataRowHeight());
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            a.click(a.w->RzButton1);
        });
        QVERIFY(list->isExpanded());
        QCOMPARE(entries->viewport()->height(), 3 * entries->dataRowHeight());
    }

    // The transfer works on whatever is current at each turn: a group chosen
    // during the run reloads the list, and the run goes on with the new group
    // from its first question.
    void groupChangedDuringTransfer() {
        Add a;
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            QTimer::singleShot(0, [&] { a.session->tgrp.next(); });  // runs after the first question
            a.click(a.w->RzButton1);
        });
        QCOMPARE(a.entries(), QStringLiteral("5:1:2,6:1:1,7:1:4,8:1:5"));
    }

    // A click on "Grubu Aktar" during a run runs a whole transfer inside it;
    // the outer run then goes on from the first question, and the duplicate
    // test keeps every question to one entry.
    void nestedGroupTransfer() {
        Add a;
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            boxes.expect(Button::Yes);
            QTimer::singleShot(0, [&] { a.click(a.w->RzButton1); });
            a.click(a.w->RzButton1);
            QVERIFY(!a.w->Panel1->isVisible());
        });
        QCOMPARE(a.entries(), QStringLiteral("5:1:2,6:1:1,7:1:3"));
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from (select question_id from qquestion group by group_id, "
                                            "question_id having count(*) > 1)")),
                 0);
    }

    // While a group transfer runs the window stays: Esc and the close box do
    // nothing, so the main window never becomes usable mid-run. An exam chosen
    // meanwhile gets nothing: the run stays in the exam that was confirmed.
    void runningTransferKeepsWindowAndExam() {
        Add a;
        BoxScript boxes;
        bool stayed = false;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            QTimer::singleShot(0, [&] {  // after the first question
                a.session->tsinav.next();
                QTest::keyClick(a.w->RzButton1, Qt::Key_Escape);
                a.w->close();
                stayed = a.w->isVisible();
            });
            a.click(a.w->RzButton1);
            QCOMPARE(a.logText(), kPresent + QStringLiteral("<?>Başlık"));
        });
        QVERIFY(stayed);
        QCOMPARE(a.entries(), QStringLiteral("5:1:2,6:1:1,7:1:3"));
    }

    // A new exam whose save failed has no ID: neither transfer makes entries
    // for it, and each says why.
    void unsavedExamIsRefused() {
        Add a;
        BoxScript boxes;
        a.inWindow([&] {
            a.session->tsinav.append();
            a.session->tsinav.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("Bütünleme"));
            for (QPushButton* button : {a.w->RzButton2, a.w->RzButton1}) {
                boxes.expect(Button::OK);
                a.click(button);
                QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
                QVERIFY(boxes.last().text.contains(QStringLiteral("kaydedilmemiş")));
            }
            QVERIFY(a.logText().isEmpty());
            QCOMPARE(a.w->Label4->text(), QStringLiteral("0 Soru Eklendi"));
            a.session->tsinav.cancel();
        });
        QCOMPARE(a.entries(), QStringLiteral("5:1:2"));
    }

    // A database error ends the run; the entries before it stay, and the
    // window is usable again: the question list shows, the panel is gone.
    void errorDuringTransfer() {
        Add a;
        a.db.exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON qquestion WHEN NEW.question_id = 3 "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            boxes.expect(Button::OK);
            a.click(a.w->RzButton1);
            QCOMPARE(boxes.last().icon, msgbox::Icon::Error);
            QVERIFY(boxes.last().text.contains(QLatin1String("refused")));
            QVERIFY(a.w->wwDBGrid2->isVisible());
            QVERIFY(!a.w->Panel1->isVisible());
            QCOMPARE(a.w->Label4->text(), QStringLiteral("1 Soru Eklendi"));
        });
        QCOMPARE(a.entries(), QStringLiteral("5:1:2,6:1:1"));
    }

    // A reference number another program stored as bytes, text or a decimal
    // is no number: that question is not transferred (bytes of the digit 7
    // once put question 7 of another group into the exam); the log names it,
    // and a group transfer goes on with the others.
    void foreignReferenceNumberNotTransferred_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bytes") << "X'37'"
                               << "7";
        QTest::newRow("text") << "'7b'"
                              << "7b";
        QTest::newRow("decimal") << "7.5"
                                 << "7.5";
    }
    void foreignReferenceNumberNotTransferred() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        Add a(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih'),('Coğrafya');"
                             "INSERT INTO tqmaster (rid, question, qgrp) VALUES (1,'Bir',1),(%1,'Yabancı',1),(7,'Dağ',2);"
                             "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');")
                  .arg(stored));
        const QString logged = QStringLiteral(
                                   "Soru : Yabancı ; referans numarası bir tam sayı değil: '%1'. Bu değeri başka bir "
                                   "program yazmış olmalı; soru aktarılmadı.")
                                   .arg(shown);
        BoxScript boxes;
        a.inWindow([&] {
            a.session->ADOTable1.last();
            a.click(a.w->RzButton2);
            QCOMPARE(a.logText(), logged);
            QCOMPARE(a.w->Label4->text(), QStringLiteral("0 Soru Eklendi"));
            boxes.expect(Button::Yes);
            a.click(a.w->RzButton1);
            QCOMPARE(a.logText(), logged);
            QCOMPARE(a.w->Label4->text(), QStringLiteral("1 Soru Eklendi"));
        });
        QCOMPARE(a.entries(), QStringLiteral("1:1:1"));
    }

    // The web site deletes questions before a group transfer reaches them:
    // one whose values were read already, and two not yet read (a row gone before its
    // page is read reads all null). None becomes an entry, least of all one
    // of question 0; each is logged, and the others go in.
    void questionsDeletedDuringGroupTransfer() {
        QString seed = QStringLiteral(
            "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
            "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 70) "
            "INSERT INTO tqmaster (rid, question, qgrp) SELECT i, 'Soru ' || i, 1 FROM n;");
        Add a(seed);
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            // After the list read its first rows. (During the run the web
            // site's delete would wait for the open batch, which this thread
            // cannot let it do.)
            a.db.exec(QStringLiteral("DELETE FROM tqmaster WHERE rid IN (2, 66, 68)"));
            a.click(a.w->RzButton1);
            QCOMPARE(a.logText(), QStringLiteral("Soru bu arada bankadan silinmiş; aktarılmadı ( 2 )\n"
                                                 "Soru bu arada bankadan silinmiş; aktarılmadı ( listede 66. soru )\n"
                                                 "Soru bu arada bankadan silinmiş; aktarılmadı ( listede 68. soru )"));
            QCOMPARE(a.w->Label4->text(), QStringLiteral("67 Soru Eklendi"));
        });
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from qquestion")), 67);
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from qquestion where question_id not in (select rid from "
                                            "tqmaster)")),
                 0);
    }

    // The entries are committed in batches, and the counter and the log say
    // only what is in the file: at every turn of the run (a kill loses only
    // the open batch, which nothing reported), and whatever fault stops it
    // in the middle of a batch: a rule of the file that refuses the 150th
    // question (the questions before it go in), or an I/O error at a write
    // or sync of a commit, which loses the whole batch (its questions are
    // saved one by one, then the run stops with the error). The figures
    // shown at the end are exact.
    void reportedIsStored_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("none") << "";
        QTest::newRow("refused row") << "refuse";
        QTest::newRow("write") << "write";
        QTest::newRow("sync") << "sync";
    }
    void reportedIsStored() {
        QFETCH(QString, fault);
        auto vfs = fault == QLatin1String("write") || fault == QLatin1String("sync") ? std::make_unique<FaultVfs>() : nullptr;
        Add a(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
                           "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) "
                           "INSERT INTO tqmaster (rid, question, qgrp) SELECT i, 'Soru ' || i, 1 FROM n;"
                           "INSERT INTO qquestion VALUES (1, 1, 7);"));
        if (fault == QLatin1String("refuse"))
            a.db.exec(
                QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON qquestion WHEN NEW.question_id = 150 "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        const auto stored = [&a] { return a.db.scalar(QStringLiteral("select count(*) from qquestion")) - 1; };
        int turns = 0;
        int mismatched = 0;
        QTimer sample;
        QObject::connect(&sample, &QTimer::timeout, [&] {
            ++turns;
            if (a.w->added() != stored()) ++mismatched;
            // The fault comes in the middle of the run, in the middle of a batch.
            if (vfs && turns == 120) vfs->arm(fault == QLatin1String("write") ? FaultVfs::Op::Write : FaultVfs::Op::Sync, 1);
        });
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            if (!fault.isEmpty()) boxes.expect(Button::OK);
            sample.start(0);  // runs at each turn, where messages are let through
            a.click(a.w->RzButton1);
            sample.stop();
            if (!fault.isEmpty()) {
                QCOMPARE(boxes.last().icon, msgbox::Icon::Error);
                if (fault == QLatin1String("refuse")) QVERIFY(boxes.last().text.contains(QLatin1String("refused")));
            }
            QCOMPARE(a.w->Label4->text(), QString::number(stored()) + QStringLiteral(" Soru Eklendi"));
            QCOMPARE(a.logText(), kPresent + QStringLiteral("Soru 7"));
            if (fault.isEmpty()) QCOMPARE(a.w->ProgressBar1->value(), 250);
        });
        if (vfs) QVERIFY(vfs->fired());
        QVERIFY(turns > 100);
        QCOMPARE(mismatched, 0);
        const int expected = fault.isEmpty() ? 249 : fault == QLatin1String("refuse") ? 148 : -1;
        if (expected >= 0) QCOMPARE(stored(), expected);
        QCOMPARE(a.w->added(), stored());
    }

    // A change the user makes elsewhere while the transfer lets messages
    // through (a group renamed in the bank, say) is its own: it is in the
    // file at once, for the web site too, and a batch lost after it neither
    // undoes it nor reports it.
    void changeMeanwhileIsNotPartOfTheBatch() {
        FaultVfs vfs;
        Add a(
            QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
                           "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) "
                           "INSERT INTO tqmaster (rid, question, qgrp) SELECT i, 'Soru ' || i, 1 FROM n;"));
        storage::RecordSet change(QStringLiteral("tgrp"), &a.session->ADOConnection1);
        int turns = 0;
        QString seenByOthers;
        QTimer sample;
        QObject::connect(&sample, &QTimer::timeout, [&] {
            if (++turns != 120) return;
            storage::sql::executeChange(change, QStringLiteral("UPDATE tqgroup SET GROUPNAME = 'Tarih 2' WHERE id = 1"));
            seenByOthers = a.db.text(QStringLiteral("select GROUPNAME from tqgroup where id = 1"));
            vfs.arm(FaultVfs::Op::Sync, 1);
        });
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            boxes.expect(Button::OK);
            sample.start(0);
            a.click(a.w->RzButton1);
            sample.stop();
        });
        QVERIFY(vfs.fired());
        QCOMPARE(seenByOthers, QStringLiteral("Tarih 2"));
        QCOMPARE(a.db.text(QStringLiteral("select GROUPNAME from tqgroup where id = 1")), QStringLiteral("Tarih 2"));
        QCOMPARE(a.w->added(), a.db.scalar(QStringLiteral("select count(*) from qquestion")));
    }

    // The web site adds an entry to another exam at the same moment, holding
    // the file while it writes: the transfer waits for it and numbers its
    // entries after the web site's, without a word.
    void webSiteAddsEntryMeanwhile() {
        Add a;
        sqlite3* web = nullptr;
        QCOMPARE(sqlite3_open_v2(a.db.path().toUtf8().constData(), &web, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        const auto closeWeb = qScopeGuard([&] { sqlite3_close(web); });
        bool webDone = false;
        a.session->ADOConnection1.setLockWaitNotifier([&](bool waiting) {
            if (waiting && !webDone) QCOMPARE(sqlite3_exec(web, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
            webDone = true;
        });
        BoxScript boxes;
        a.inWindow([&] {
            QCOMPARE(sqlite3_exec(web, "BEGIN IMMEDIATE; INSERT INTO qquestion VALUES (6, 2, 4);", nullptr, nullptr, nullptr),
                     SQLITE_OK);
            boxes.expect(Button::Yes);
            a.click(a.w->RzButton1);
            QCOMPARE(a.w->Label4->text(), QStringLiteral("2 Soru Eklendi"));
        });
        QVERIFY(webDone);
        QCOMPARE(a.entries(), QStringLiteral("5:1:2,6:2:4,7:1:1,8:1:3"));
    }

    // A number that is taken again at every try (here by a rule of the file
    // that gives each new entry's number to another exam) is tried a few
    // times, then the run ends with a message that says so; the entries
    // before it stay.
    void numberTakenAtEveryTry() {
        Add a;
        a.db.exec(
            QStringLiteral("CREATE TRIGGER web BEFORE INSERT ON qquestion WHEN NEW.question_id = 3 "
                           "BEGIN INSERT INTO qquestion VALUES (NEW.qqID, 2, 4); END;"));
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::Yes);
            boxes.expect(Button::OK);
            a.click(a.w->RzButton1);
            QCOMPARE(boxes.last().icon, msgbox::Icon::Error);
            QCOMPARE(boxes.last().text,
                     QStringLiteral("Soru sınava eklenemedi: kayda verilecek numarayı 3 denemede de başka bir program "
                                    "aldı; soru aktarılmadı. Biraz sonra yeniden deneyin."));
            QCOMPARE(a.w->Label4->text(), QStringLiteral("1 Soru Eklendi"));
        });
        QCOMPARE(a.entries(), QStringLiteral("5:1:2,6:1:1"));
    }

    // An entry key another program stored as bytes or text is no number and
    // cannot be the largest: new entries are numbered after the largest whole
    // number (bytes once made every transfer fail as "taken"), and a box says
    // once which entry holds the key.
    void foreignEntryKeyIsNotTheLargest_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bytes") << "X'39'"
                               << "9";
        QTest::newRow("text") << "'9x'"
                              << "9x";
    }
    void foreignEntryKeyIsNotTheLargest() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        Add a(kSeed + QStringLiteral("INSERT INTO qquestion VALUES (%1, 2, 4);").arg(stored));
        BoxScript boxes;
        a.inWindow([&] {
            boxes.expect(Button::OK);
            a.click(a.w->RzButton2);
            QCOMPARE(boxes.shown().size(), 1);
            QCOMPARE(boxes.last().text,
                     QStringLiteral("\r\nSınav no 2 (\"Final\") içindeki bir kaydın numarası (qqID) bir tam sayı değil: "
                                    "'%1'. Bu değeri başka bir program yazmış olmalı; o kayıt sınavdan kaldırılamaz ve "
                                    "taşınamaz. Yeni kayıtlar, tam sayı olan en büyük numaradan sonra numaralanır.")
                         .arg(shown));
            a.session->ADOTable1.last();
            a.click(a.w->RzButton2);
            QCOMPARE(boxes.shown().size(), 1);
        });
        QCOMPARE(a.db.text(QStringLiteral("select group_concat(qqID || ':' || question_id, ',') from "
                                          "(select * from qquestion where group_id = 1 order by qqID)")),
                 QStringLiteral("5:2,6:1,7:3"));
    }
};

QTEST_MAIN(TestAddQuestions)
#include "tst_add_questions.moc"
