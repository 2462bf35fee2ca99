#include "app/application.h"
#include "tests/support/box_script.h"
#include "ui/filedialog.h"
#include "ui/msgbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Qt's own dialogs in the program's language, the program's boxes as they
// always read, and where the file dialogs open.
class TestQtDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(app::installQtTranslations(), "Qt's Turkish translations are not installed"); }

    void qtDialogsSpeakTurkishTheProgramsBoxesDoNot() {
        QString title, accept;
        QStringList boxButtons;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            auto* box = dialog->findChild<QDialogButtonBox*>();
            QVERIFY(box);
            accept = box->button(QDialogButtonBox::Open)->text().remove(u'&');
            dialog->reject();
        });
        QFileDialog::getOpenFileName(nullptr, QString(), QDir::homePath(), QString(), nullptr, QFileDialog::DontUseNativeDialog);
        QCOMPARE(title, QStringLiteral("Aç"));
        QCOMPARE(accept, QStringLiteral("Aç"));

        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton* b : box->buttons()) boxButtons << b->text();
            box->button(QMessageBox::No)->click();
        });
        QVERIFY(!msgbox::confirm(nullptr, QStringLiteral("\r\nSilinsin mi?")));
        boxButtons.sort();
        QCOMPARE(boxButtons, (QStringList{QStringLiteral("&No"), QStringLiteral("&Yes")}));
    }

    void fileDialogsOpenAtHomeOrTheLastFolder() {
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).filePath(QStringLiteral("sınavlar"));
        QVERIFY(QDir().mkpath(folder));
        filedialog::forgetLastFolder();
        QCOMPARE(filedialog::startFolder(), QDir::homePath());
        // Before any choice a suggestion stays where it is when its folder exists.
        QCOMPARE(filedialog::suggestedPath(folder + QStringLiteral("/a.pdf")), folder + QStringLiteral("/a.pdf"));
        QCOMPARE(filedialog::suggestedPath(QStringLiteral("/yok/yok/a.pdf")), QDir::homePath() + QStringLiteral("/a.pdf"));
        QCOMPARE(filedialog::suggestedPath(QStringLiteral("a.pdf")), QDir::homePath() + QStringLiteral("/a.pdf"));
        {
            FileScript files;
            files.expect(folder + QStringLiteral("/Eski.mdb"));
            QCOMPARE(filedialog::openFileName(nullptr, QString(), QString()), folder + QStringLiteral("/Eski.mdb"));
        }
        QCOMPARE(filedialog::startFolder(), folder);
        QCOMPARE(filedialog::suggestedPath(QDir::homePath() + QStringLiteral("/a.pdf")), folder + QStringLiteral("/a.pdf"));
        // The real dialog opens there.
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            shown = dialog->directory().absolutePath();
            dialog->reject();
        });
        QVERIFY(filedialog::openFileName(nullptr, QString(), QString()).isEmpty());
        QCOMPARE(shown, folder);
        // A folder gone since: home again.
        QVERIFY(QDir(folder).removeRecursively());
        QCOMPARE(filedialog::startFolder(), QDir::homePath());
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_qt_dialogs.moc"
