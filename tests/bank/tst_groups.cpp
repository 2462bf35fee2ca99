#include "app/forms.h"
#include "app/frm_main.h"
#include "bank/frm_grp.h"
#include "bank/frm_sgrp.h"
#include "grid/datagrid.h"
#include "storage/session.h"
#include "tests/support/box_script.h"
#include "tests/support/keys.h"
#include "tests/support/program_fixture.h"
#include "tests/support/temp_db.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using msgbox::Button;
using storage::RecordState;

namespace {

const QString kPrefix = QStringLiteral("Olvane Tessary by Morvelin - ");
const QString kDeleteQuestion = QStringLiteral("\r\nAktif kayıt silinecek.\r\n\r\ndevam edilsin mi?");

struct App : ProgramFixture {
    Tgrpx* dialog = nullptr;
    explicit App(const QString& seed = QString()) : ProgramFixture(seed) {
        dialog = forms().grpx;
        show();
    }
    // The groups dialog shown for the test, not modally, so the test can drive it.
    void showDialog() {
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        dialog->activateWindow();
        dialog->wwDBGrid1->setFocus();
    }
    storage::RecordSet& tgrp() { return session->tgrp; }
    qint64 groupsInFile() const { return db.scalar(QStringLiteral("select count(*) from tqgroup")); }
    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
};

const QString kSeed = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih'),('Coğrafya');"
    "INSERT INTO tqmaster (rid, question, qgrp) VALUES (1,'a',1),(2,'b',2);"
    "INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');"
    "INSERT INTO qquestion VALUES (1,1,1);");

}  // namespace

class TestGroups : public QObject {
    Q_OBJECT
private slots:
    void layout() {
        App a(kSeed);
        QCOMPARE(a.dialog->windowTitle(), QStringLiteral("Soru Grupları"));
        QCOMPARE(a.dialog->size(), QSize(340, 247));
        QCOMPARE(a.dialog->wwDBGrid1->geometry(), QRect(7, 7, 329, 202));
        QCOMPARE(a.dialog->wwDBGrid1->columnTitleLines(0), QStringList{QStringLiteral("Grup Adı")});
        for (QPushButton* b : {a.dialog->RzButton1, a.dialog->RzButton2, a.dialog->RzButton3, a.dialog->RzButton4}) {
            QVERIFY(b->font().bold());
            QVERIFY(!(b->focusPolicy() & Qt::TabFocus));
        }
        QCOMPARE(a.dialog->RzButton4->text(), QStringLiteral("Sil"));
        a.showDialog();
        // Enter and Esc do not close it: the close box is the only way out.
        QTest::keyClick(a.dialog, Qt::Key_Escape);
        QTest::keyClick(a.dialog, Qt::Key_Return);
        QVERIFY(a.dialog->isVisible());
        a.dialog->close();
        QVERIFY(!a.dialog->isVisible());
    }

    // Closed with its close box: the name typed last is the group's (saved
    // when the program ends), a group added and left without a name is gone.
    void closeBoxKeepsTypedNameAndDropsEmptyNewGroup() {
        App a(kSeed);
        a.showDialog();
        a.click(a.dialog->RzButton1);
        typeText(a.dialog->wwDBGrid1, QStringLiteral("Fizik"));
        a.dialog->close();
        QCOMPARE(a.tgrp().state(), RecordState::Insert);
        QCOMPARE(a.tgrp().field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Fizik"));
        a.tgrp().post();
        a.showDialog();
        a.click(a.dialog->RzButton1);
        QCOMPARE(a.tgrp().recordCount(), 4);
        a.dialog->close();
        QCOMPARE(a.tgrp().state(), RecordState::Browse);
        QCOMPARE(a.tgrp().recordCount(), 3);
        QCOMPARE(a.groupsInFile(), 3);
    }

    // "Yeni Grup", type a name, "Kaydet": the name arrives intact, quotes and all.
    void newGroupTypedAndSaved() {
        App a(kSeed);
        a.showDialog();
        a.click(a.dialog->RzButton1);
        QCOMPARE(a.tgrp().state(), RecordState::Insert);
        QVERIFY(a.dialog->wwDBGrid1->hasFocus() || a.dialog->wwDBGrid1->isAncestorOf(QApplication::focusWidget()));
        const QString name = QStringLiteral("O'Neil \"Tarih\" İşleri");
        typeText(QApplication::focusWidget(), name);
        a.click(a.dialog->RzButton2);
        QCOMPARE(a.tgrp().state(), RecordState::Browse);
        QCOMPARE(a.groupsInFile(), 3);
        QCOMPARE(a.db.text(QStringLiteral("select GROUPNAME from tqgroup where ID = 3")), name);
        QCOMPARE(a.tgrp().field(QStringLiteral("ID")).asKey(), 3);
    }

    void saveOnEmptyListPostsUnnamedGroup() {
        App a;
        a.showDialog();
        a.click(a.dialog->RzButton2);
        QCOMPARE(a.groupsInFile(), 1);
        QCOMPARE(a.db.text(QStringLiteral("select coalesce(GROUPNAME, '<null>') from tqgroup")), QStringLiteral("<null>"));
        QCOMPARE(a.tgrp().state(), RecordState::Browse);
    }

    void saveWithoutChangeRewritesRowUnchanged() {
        App a(kSeed);
        a.showDialog();
        a.tgrp().next();
        a.click(a.dialog->RzButton2);
        QCOMPARE(a.tgrp().state(), RecordState::Browse);
        QCOMPARE(a.db.text(QStringLiteral("select group_concat(GROUPNAME, ',') from tqgroup")), QStringLiteral("Tarih,Coğrafya"));
        QCOMPARE(a.tgrp().recNo(), 2);
    }

    void cancelDropsNewRowAndUndoesRename() {
        App a(kSeed);
        a.showDialog();
        a.click(a.dialog->RzButton1);
        a.click(a.dialog->RzButton3);
        QCOMPARE(a.tgrp().recordCount(), 2);
        a.tgrp().edit();
        a.tgrp().field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("x"));
        a.click(a.dialog->RzButton3);
        QCOMPARE(a.tgrp().field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Coğrafya"));
        QCOMPARE(a.groupsInFile(), 2);
    }

    // Deleting asks first; it removes the one group row and nothing else.
    void deleteAsksAndRemovesOnlyTheGroup() {
        App a(kSeed);
        a.showDialog();
        BoxScript boxes;
        boxes.expect(Button::No);
        a.click(a.dialog->RzButton4);
        QCOMPARE(boxes.last().caption, QStringLiteral("Dikkat"));
        QCOMPARE(boxes.last().text, kDeleteQuestion);
        QCOMPARE(boxes.last().icon, msgbox::Icon::Warning);
        QCOMPARE(boxes.last().defaultButton, Button::No);
        QCOMPARE(boxes.last().owner, a.dialog);
        QCOMPARE(a.groupsInFile(), 2);
        boxes.expect(Button::Yes);
        a.click(a.dialog->RzButton4);
        QCOMPARE(a.groupsInFile(), 1);
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from tqmaster")), 2);
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from qquestion")), 1);
        QCOMPARE(a.tgrp().field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Coğrafya"));
    }

    void deleteNeverPostedRowSendsNothing() {
        App a(kSeed);
        a.db.exec(QStringLiteral("CREATE TRIGGER no_delete BEFORE DELETE ON tqgroup BEGIN SELECT RAISE(ABORT, 'deleted'); END"));
        a.showDialog();
        a.click(a.dialog->RzButton1);
        typeText(QApplication::focusWidget(), QStringLiteral("Yeni"));
        BoxScript boxes;
        boxes.expect(Button::Yes);
        a.click(a.dialog->RzButton4);
        QCOMPARE(boxes.shown().size(), 1);  // the question only: no error
        QCOMPARE(a.tgrp().recordCount(), 2);
        QCOMPARE(a.tgrp().state(), RecordState::Browse);
        QCOMPARE(a.groupsInFile(), 2);
    }

    void deleteOnEmptyListFails() {
        App a;
        a.showDialog();
        BoxScript boxes;
        boxes.expect(Button::Yes);
        boxes.expect(Button::OK);
        a.click(a.dialog->RzButton4);
        QCOMPARE(boxes.last().text, QStringLiteral("tgrp: Cannot perform this operation on an empty dataset."));
        QCOMPARE(boxes.last().icon, msgbox::Icon::Error);
    }

    // A post the database refuses leaves the row as it was, to correct or cancel.
    void refusedPostKeepsRow() {
        App a(kSeed);
        a.db.exec(QStringLiteral("CREATE TRIGGER no_insert BEFORE INSERT ON tqgroup BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        a.showDialog();
        a.click(a.dialog->RzButton1);
        typeText(QApplication::focusWidget(), QStringLiteral("Kimya"));
        BoxScript boxes;
        boxes.expect(Button::OK);
        a.click(a.dialog->RzButton2);
        QCOMPARE(boxes.last().text, QStringLiteral("tgrp: refused."));
        QCOMPARE(a.tgrp().state(), RecordState::Insert);
        QCOMPARE(a.tgrp().field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Kimya"));
        a.click(a.dialog->RzButton3);
        QCOMPARE(a.tgrp().recordCount(), 2);
    }

    // Opened from the menu the dialog holds the caption; appending there with
    // other groups present shows no error.
    void menuOpeningHoldsCaption() {
        App a(kSeed);
        const QString before = a.main->windowTitle();
        QCOMPARE(before, kPrefix + QStringLiteral(" [ \"Tarih\" Soru Sayısı : 1 ]"));
        BoxScript boxes;
        QTimer::singleShot(0, [&] {
            a.dialog->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(a.dialog));
            a.click(a.dialog->RzButton1);
            typeText(QApplication::focusWidget(), QStringLiteral("Yeni"));
            a.click(a.dialog->RzButton2);
            QCOMPARE(a.main->windowTitle(), before);
            a.dialog->close();
        });
        a.main->GRUPTANIMLARI1->trigger();
        QCOMPARE(boxes.shown().size(), 0);
        QCOMPARE(a.main->windowTitle(), before);
        QCOMPARE(a.tgrp().field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Yeni"));
    }

    // The picker moves the main window's own current group; no button moves it back.
    void pickerResults() {
        App a(kSeed);
        Tsgrpx* picker = a.forms().sgrpx;
        QCOMPARE(picker->windowTitle(), QStringLiteral("Grup Seç"));
        QCOMPARE(picker->size(), QSize(288, 268));
        QCOMPARE(picker->DBGrid1->geometry(), QRect(8, 8, 271, 209));
        QCOMPARE(picker->Button1->size(), QSize(75, 25));
        int result = 0;
        QTimer::singleShot(0, [&] {
            QTest::keyClick(picker->DBGrid1, Qt::Key_Down);
            QTest::keyClick(picker->DBGrid1, Qt::Key_Escape);
            QTest::keyClick(picker->DBGrid1, Qt::Key_Return);
            QVERIFY(picker->isVisible());
            QTest::mouseClick(picker->Button2, Qt::LeftButton);
        });
        result = picker->exec();
        QCOMPARE(result, int(Tsgrpx::mrCancel));
        QCOMPARE(a.tgrp().recNo(), 2);
        QCOMPARE(a.main->windowTitle(), kPrefix + QStringLiteral(" [ \"Coğrafya\" Soru Sayısı : 1 ]"));

        QTimer::singleShot(0, [&] { QTest::mouseClick(picker->Button1, Qt::LeftButton); });
        QCOMPARE(picker->exec(), int(Tsgrpx::mrOk));
        QTimer::singleShot(0, [&] { picker->close(); });
        QCOMPARE(picker->exec(), int(Tsgrpx::mrCancel));
    }

    // In the picker nothing is added; Ctrl+Delete deletes after the grid's own question.
    void pickerKeys() {
        App a(kSeed);
        Tsgrpx* picker = a.forms().sgrpx;
        picker->show();
        QVERIFY(QTest::qWaitForWindowExposed(picker));
        picker->DBGrid1->setFocus();
        QTest::keyClick(picker->DBGrid1, Qt::Key_End);
        QTest::keyClick(picker->DBGrid1, Qt::Key_Down);
        QTest::keyClick(picker->DBGrid1, Qt::Key_Insert);
        QCOMPARE(a.tgrp().recordCount(), 2);
        QCOMPARE(a.tgrp().state(), RecordState::Browse);
        BoxScript boxes;
        boxes.expect(Button::OK);
        QTest::keyClick(picker->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(boxes.last().caption, QStringLiteral("Confirm"));
        QCOMPARE(boxes.last().text, QStringLiteral("Delete record?"));
        QCOMPARE(boxes.last().icon, msgbox::Icon::Question);
        QCOMPARE(a.groupsInFile(), 1);
        QCOMPARE(a.db.text(QStringLiteral("select GROUPNAME from tqgroup")), QStringLiteral("Tarih"));
        picker->close();
    }
};

QTEST_MAIN(TestGroups)
#include "tst_groups.moc"
