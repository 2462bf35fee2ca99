#include "app/frm_main.h"
#include "exams/frm_yeni_sinav.h"
#include "grid/datagrid.h"
#include "storage/session.h"
#include "tests/support/box_script.h"
#include "tests/support/keys.h"
#include "tests/support/program_fixture.h"
#include "ui/textinput.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using msgbox::Button;
using storage::RecordState;

namespace {

const QString kPrefix = QStringLiteral("Olvane Tessary by Morvelin - ");
const QString kDeleteQuestion = QStringLiteral("\r\nAktif Sınav Silinecek. işleme devam edilsin mi?");
const QString kStopQuestion = QStringLiteral("\r\nAktif Sınav Silme İşlemi Durdurulacak.");

const QString kSeed = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
    "INSERT INTO tqmaster (rid, question, qgrp) VALUES (1,'a',1),(2,'b',1),(3,'c',1);"
    "INSERT INTO qgroup (GROUPNAME, GROUPPASS, DRM) VALUES ('Vize', 'gizli', 0), ('Final', '', 1);"
    "INSERT INTO qquestion VALUES (1,1,1),(2,1,2),(3,2,3);");

QString caption(const QString& name, int count) {
    return kPrefix + QStringLiteral(" [ \"%1\" Soru Sayısı : %2 ]").arg(name).arg(count);
}

// The program on its exam tab.
struct Exams : ProgramFixture {
    explicit Exams(const QString& seed = kSeed, bool withFile = true) : ProgramFixture(seed, withFile) {
        show();
        clickTab(1);
    }
    storage::RecordSet& tsinav() { return session->tsinav; }
    QString exams() const {
        return db.text(
            QStringLiteral("select group_concat(GROUPNAME || '/' || GROUPPASS || '/' || DRM, ',') from "
                           "(select * from qgroup order by ID)"));
    }
    QString entries() const {
        return db.text(
            QStringLiteral("select group_concat(qqID || ':' || group_id || ':' || question_id, ',') from "
                           "(select * from qquestion order by qqID)"));
    }
    void click(QToolButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
};

// Fills the new exam dialog when it comes up and closes it with a button.
void answerNewExam(const QString& name, const QString& password, bool create = true) {
    whenModal([=] {
        auto* d = qobject_cast<Tyeni_sinav*>(QApplication::activeModalWidget());
        QVERIFY(d);
        QVERIFY(d->Edit1->hasFocus());
        QVERIFY(d->Edit1->text().isEmpty() && d->Edit2->text().isEmpty());
        typeText(d->Edit1, name);
        d->Edit2->setFocus();
        typeText(d->Edit2, password);
        QTest::mouseClick(create ? d->Button1 : d->Button2, Qt::LeftButton);
    });
}

// Types into the text input dialog when it comes up; Enter or Esc closes it.
void answerTextInput(const QString& typed, bool ok, QString* initial = nullptr) {
    whenModal([=] {
        auto* d = qobject_cast<ui::TextInputDialog*>(QApplication::activeModalWidget());
        QVERIFY(d);
        if (initial) *initial = d->Edit->text();
        QCOMPARE(d->windowTitle(), QStringLiteral("Sınav Şifresi Değiştir"));
        QCOMPARE(d->Prompt->text(), QStringLiteral("Yeni Sınav Şifrenizi Giriniz"));
        if (typed.isEmpty())
            QTest::keyClick(d->Edit, Qt::Key_Delete);  // clears the selected old value
        else
            typeText(d->Edit, typed);  // replaces it
        QTest::keyClick(d->Edit, ok ? Qt::Key_Return : Qt::Key_Escape);
    });
}

}  // namespace

class TestExamRecords : public QObject {
    Q_OBJECT
private slots:
    void newExamDialogLayout() {
        Exams a;
        Tyeni_sinav* d = a.forms().yeni_sinav;
        QCOMPARE(d->windowTitle(), QStringLiteral("Yeni Sınav"));
        QCOMPARE(d->size(), QSize(272, 93));
        QCOMPARE(d->Edit1->maxLength(), 50);
        QCOMPARE(d->Edit2->maxLength(), 50);
        QCOMPARE(d->Edit2->echoMode(), QLineEdit::Normal);
        QCOMPARE(d->Button1->text(), QStringLiteral("Oluştur"));
        QCOMPARE(d->Button2->text(), QStringLiteral("Vazgeç"));
        QVERIFY(!d->Button1->isDefault() && !d->Button2->isDefault());
        for (QLineEdit* e : {d->Edit1, d->Edit2}) {
            QAccessibleInterface* i = QAccessible::queryAccessibleInterface(e);
            QVERIFY(i);
            QVERIFY(!i->text(QAccessible::Name).isEmpty());
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(d->Edit1)->text(QAccessible::Name), QStringLiteral("Sınav Adı"));

        // Enter and Esc close nothing; the close box cancels.
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QTest::keyClick(d->Edit1, Qt::Key_Return);
        QTest::keyClick(d->Edit1, Qt::Key_Escape);
        QVERIFY(d->isVisible());
        d->close();
        QCOMPARE(d->result(), int(QDialog::Rejected));
    }

    void newExam_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("create");
        QTest::addColumn<QString>("stored");  // the new exam as name/password/DRM; empty: none
        QTest::newRow("plain") << "Kimya"
                               << "123" << true << "Kimya/123/0";
        QTest::newRow("trimmed") << "  Kimya Sınavı \t"
                                 << "  a b  " << true << "Kimya Sınavı/a b/0";
        QTest::newRow("empty password") << "Kimya"
                                        << "" << true << "Kimya//0";
        QTest::newRow("same name") << "Vize"
                                   << "x" << true << "Vize/x/0";
        QTest::newRow("blank name") << "   "
                                    << "123" << true << "";
        QTest::newRow("cut at 50") << QString(60, u'N') << QString(60, u'p') << true
                                   << QString(50, u'N') + u'/' + QString(50, u'p') + QStringLiteral("/0");
        QTest::newRow("Vazgeç") << "Kimya"
                                << "123" << false << "";
    }
    void newExam() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, create);
        QFETCH(QString, stored);
        Exams a;
        const QString before = a.exams();
        const QString title = a.main->windowTitle();
        BoxScript boxes;  // no box on any path
        answerNewExam(name, password, create);
        a.click(a.main->ToolButton2);
        if (stored.isEmpty()) {
            QCOMPARE(a.exams(), before);
            QCOMPARE(a.tsinav().recordCount(), 2);
        } else {
            QCOMPARE(a.exams(), before + u',' + stored);
            QCOMPARE(a.tsinav().recNo(), 3);
            QCOMPARE(a.tsinav().state(), RecordState::Browse);
            QVERIFY(a.session->tQuestions.isEmpty());
        }
        // The caption still names the exam that was current before.
        QCOMPARE(a.main->windowTitle(), title);
        QCOMPARE(a.main->CaptionHold, 0);
        // The next move rebuilds it.
        a.tsinav().first();
        QCOMPARE(a.main->windowTitle(), caption(QStringLiteral("Vize"), 2));
    }

    // A new exam the file refuses stays as an unsaved row to correct or
    // cancel, and the caption is not frozen by the hold.
    void refusedNewExam() {
        Exams a;
        a.db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON qgroup BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        BoxScript boxes;
        boxes.expect(Button::OK);
        answerNewExam(QStringLiteral("Kimya"), QStringLiteral("1"));
        a.click(a.main->ToolButton2);
        QVERIFY(boxes.last().text.contains(QLatin1String("refused")));
        QCOMPARE(a.main->CaptionHold, 0);
        QCOMPARE(a.tsinav().state(), RecordState::Insert);
        QCOMPARE(a.tsinav().field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("Kimya"));
        a.tsinav().cancel();
        QCOMPARE(a.main->windowTitle(), caption(QStringLiteral("Final"), 1));
    }

    void deleteAnswers_data() {
        QTest::addColumn<Button>("first");
        QTest::addColumn<Button>("second");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("No") << Button::No << Button::OK << false;
        QTest::newRow("Yes, then Yes stops") << Button::Yes << Button::Yes << false;
        QTest::newRow("Yes, then No deletes") << Button::Yes << Button::No << true;
    }
    void deleteAnswers() {
        QFETCH(Button, first);
        QFETCH(Button, second);
        QFETCH(bool, deleted);
        Exams a;
        const QString exams = a.exams();
        BoxScript boxes;
        boxes.expect(first);
        if (first == Button::Yes) boxes.expect(second);
        a.click(a.main->ToolButton23);
        const msgbox::Box& ask = boxes.shown().at(0);
        QCOMPARE(ask.caption, QStringLiteral("Dikkat"));
        QCOMPARE(ask.text, kDeleteQuestion);
        QCOMPARE(ask.defaultButton, Button::No);
        QCOMPARE(ask.owner, a.main);
        if (first == Button::Yes) {
            const msgbox::Box& stop = boxes.shown().at(1);
            QCOMPARE(stop.caption, QStringLiteral("Dikkat"));
            QCOMPARE(stop.text, kStopQuestion);
            QCOMPARE(stop.icon, msgbox::Icon::Warning);
            QCOMPARE(stop.buttons, (QList<Button>{Button::Yes, Button::No}));
            QCOMPARE(stop.defaultButton, Button::Yes);
        }
        if (!deleted) {
            QCOMPARE(a.exams(), exams);
            QCOMPARE(a.entries(), QStringLiteral("1:1:1,2:1:2,3:2:3"));
            return;
        }
        // The exam and its entries go; bank questions and other exams stay.
        QCOMPARE(a.exams(), QStringLiteral("Final//1"));
        QCOMPARE(a.entries(), QStringLiteral("3:2:3"));
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from tqmaster")), 3);
        QCOMPARE(a.tsinav().recNo(), 1);
        QCOMPARE(a.session->tQuestions.recordCount(), 1);
        QCOMPARE(a.main->windowTitle(), caption(QStringLiteral("Final"), 1));
    }

    void deleteTheOnlyExamAndThenNothing() {
        Exams a(QStringLiteral("INSERT INTO qgroup (GROUPNAME) VALUES ('Tek'); INSERT INTO qquestion VALUES (1,1,9);"));
        BoxScript boxes;
        boxes.expect(Button::Yes);
        boxes.expect(Button::No);
        a.click(a.main->ToolButton23);
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from qgroup")), 0);
        QCOMPARE(a.db.scalar(QStringLiteral("select count(*) from qquestion")), 0);
        QVERIFY(a.tsinav().isEmpty());
        QCOMPARE(a.main->windowTitle(), kPrefix);
        QCOMPARE(a.main->wwDBGrid3->model()->rowCount(), 0);
        // With no exams the command is silent.
        a.click(a.main->ToolButton23);
        QCOMPARE(boxes.shown().size(), 2);
    }

    // The two deletes are one unit: when the second is refused, the entries
    // deleted by the first come back.
    void refusedDeleteChangesNothing() {
        Exams a;
        a.db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON qgroup BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        BoxScript boxes;
        boxes.expect(Button::Yes);
        boxes.expect(Button::No);
        boxes.expect(Button::OK);
        a.click(a.main->ToolButton23);
        QCOMPARE(boxes.last().icon, msgbox::Icon::Error);
        QVERIFY(boxes.last().text.contains(QLatin1String("refused")));
        QCOMPARE(a.exams(), QStringLiteral("Vize/gizli/0,Final//1"));
        QCOMPARE(a.entries(), QStringLiteral("1:1:1,2:1:2,3:2:3"));
        // Nothing is left half done on the connection: the next change goes through.
        a.db.exec(QStringLiteral("DROP TRIGGER refuse"));
        boxes.expect(Button::Yes);
        boxes.expect(Button::No);
        a.click(a.main->ToolButton23);
        QCOMPARE(a.exams(), QStringLiteral("Final//1"));
    }

    void changePassword_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("stored");
        QTest::newRow("as typed") << "  yeni şifre " << true << "  yeni şifre ";
        QTest::newRow("empty") << "" << true << "";
        QTest::newRow("cut at 50") << QString(60, u'k') << true << QString(50, u'k');
        QTest::newRow("İptal") << "yeni" << false << "gizli";
    }
    void changePassword() {
        QFETCH(QString, typed);
        QFETCH(bool, ok);
        QFETCH(QString, stored);
        Exams a;
        BoxScript boxes;
        QString initial;
        answerTextInput(typed, ok, &initial);
        a.click(a.main->ToolButton6);
        QCOMPARE(initial, QStringLiteral("gizli"));
        QCOMPARE(a.db.text(QStringLiteral("select GROUPPASS from qgroup where ID = 1")), stored);
        QCOMPARE(a.tsinav().state(), RecordState::Browse);
    }

    void changePasswordWithoutExams() {
        Exams a(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"));
        BoxScript boxes;
        boxes.expect(Button::OK);
        a.click(a.main->ToolButton6);
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
        QCOMPARE(boxes.last().text, QStringLiteral("\r\nTanımlı Sınav Yok."));
    }

    // Without the file the exam set is closed: deleting and the password end
    // in the closed-set error before any question; a new exam after its dialog.
    void missingFile() {
        BoxScript boxes;
        boxes.expect(Button::OK);  // "Dosya bulunmadı : ..."
        boxes.expect(Button::OK);  // the caption of the exam tab cannot be counted
        Exams a(kSeed, false);
        const QString closed = QStringLiteral("tsinav: Cannot perform this operation on a closed dataset.");
        for (QToolButton* b : {a.main->ToolButton23, a.main->ToolButton6}) {
            boxes.expect(Button::OK);
            a.click(b);
            QCOMPARE(boxes.last().text, closed);
        }
        boxes.expect(Button::OK);
        answerNewExam(QStringLiteral("Kimya"), QString());
        a.click(a.main->ToolButton2);
        QCOMPARE(boxes.last().text, closed);
        QCOMPARE(a.main->CaptionHold, 0);
        QCOMPARE(boxes.shown().size(), 5);
    }
};

QTEST_MAIN(TestExamRecords)
#include "tst_exam_records.moc"
