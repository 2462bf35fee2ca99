#include "app/frm_main.h"
#include "exams/frm_sik_sirasi.h"
#include "exams/frm_yazdir.h"
#include "storage/session.h"
#include "tests/support/box_script.h"
#include "tests/support/exam_fixture.h"
#include "tests/support/files.h"
#include "tests/support/full_disk.h"
#include "tests/support/program_fixture.h"
#include "tests/support/temp_db.h"
#include "text/inifile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <optional>

using namespace booklet;
using msgbox::Button;

namespace {

// Types text as a keyboard would, letters outside ASCII too.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

}  // namespace

class TestBooklet : public QObject {
    Q_OBJECT
private slots:
    void dialogChoosesKeptOrdersAndCountsThem();
    void dialogSavesPdfFilesAndRemembersChoices();
    void dialogAsksBeforeReplacingFiles();
    void dialogKeepsOldFilesWhenAWriteFails_data();
    void dialogKeepsOldFilesWhenAWriteFails();
    void dialogRefusesExamsWithNothingToPrint();
    void previewShowsBookletsAndKeys();
};

void TestBooklet::dialogChoosesKeptOrdersAndCountsThem() {
    ProgramFixture f(seedExam() + QStringLiteral("UPDATE tqmaster SET answer4 = 'Hepsi' WHERE rid = 1;"
                                                 "UPDATE tqmaster SET answer3 = 'A ve B' WHERE rid = 2;"));
    f.show();
    f.clickTab(1);
    QStringList counted;
    QList<bool> checkable;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        counted << d->LabelSabit->text();
        for (const bool accept : {false, true}) {
            whenModal([&] {
                auto* pick = qobject_cast<Tsik_sirasi*>(QApplication::activeModalWidget());
                QVERIFY(pick);
                QCOMPARE(pick->ListBox1->count(), 11);
                checkable.clear();
                for (int row : {0, 1, 2}) checkable << bool(pick->ListBox1->item(row)->flags() & Qt::ItemIsUserCheckable);
                // The third question by the keyboard, as a teacher ticks it.
                pick->ListBox1->setFocus();
                pick->ListBox1->setCurrentRow(2);
                QTest::keyClick(pick->ListBox1, Qt::Key_Space);
                QCOMPARE(pick->ListBox1->item(2)->checkState(), Qt::Checked);
                QTest::mouseClick(accept ? pick->ButtonTamam : pick->ButtonIptal, Qt::LeftButton);
            });
            QTest::mouseClick(d->ButtonSira, Qt::LeftButton);
            counted << d->LabelSabit->text();
        }
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    // "Hepsi" and "A ve B" need no choice; "A ve B" cannot be unticked.
    QCOMPARE(checkable, (QList<bool>{true, false, true}));
    QVERIFY2(counted.value(0).contains(QStringLiteral(" 2 sorunun")), qPrintable(counted.value(0)));
    QCOMPARE(counted.value(1), counted.value(0));  // "İptal" keeps nothing
    QVERIFY2(counted.value(2).contains(QStringLiteral(" 3 sorunun")), qPrintable(counted.value(2)));
    QCOMPARE(f.db.scalar(QStringLiteral("SELECT count(*) FROM quorvel_kept_order")), 1);
}

void TestBooklet::dialogSavesPdfFilesAndRemembersChoices() {
    ProgramFixture f(seedExam());
    f.show();
    f.clickTab(1);
    const QString stem = f.db.folder() + QStringLiteral("çıktı/Sınav");
    QDir(f.db.folder()).mkpath(QStringLiteral("çıktı"));
    BoxScript boxes;
    FileScript files;
    files.expect(stem + QStringLiteral(".pdf"));
    boxes.expect(Button::OK);
    QString info;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        info = d->LabelBilgi->text();
        QCOMPARE(d->EditBaslik->text(), QStringLiteral("Türkçe Sınavı"));
        type(d->EditOkul, QStringLiteral("Gökçe Ortaokulu"));
        d->EditSure->setFocus();
        QTest::keyClicks(d->EditSure, QStringLiteral("40 dk"));
        d->SpinKitapcik->setValue(2);
        d->CheckSiklar->setFocus();
        QTest::keyClick(d->CheckSiklar, Qt::Key_Space);
        d->EditTohum->selectAll();
        QTest::keyClicks(d->EditTohum, QStringLiteral("777"));
        QTest::mouseClick(d->ButtonPdf, Qt::LeftButton);
        QTest::mouseClick(d->ButtonKapat, Qt::LeftButton);
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QCOMPARE(files.shown(), QStringList{QStringLiteral("PDF olarak kaydet")});
    QVERIFY(info.contains(QStringLiteral("11 soru, 2 başlık")));
    QVERIFY(info.contains(QStringLiteral("İptal edilmiş 1 soru")));
    QVERIFY(info.contains(QStringLiteral("r1.png")));  // no Pictures folder here
    QVERIFY(boxes.last().text.contains(QStringLiteral("Sınav_CevapAnahtari.csv")));

    const auto variants = plan(loadExam(f.db.connection(), 1), {2, true, 777});
    const QString a = pdfText(stem + QStringLiteral("_A.pdf"));
    const QString b = pdfText(stem + QStringLiteral("_B.pdf"));
    QVERIFY(a.contains(QStringLiteral("Gökçe Ortaokulu")) && a.contains(QStringLiteral("40 dk")));
    QVERIFY(b.contains(QStringLiteral("Kitapçık B · Tohum 777")));
    QVERIFY(!QFile::exists(stem + QStringLiteral("_C.pdf")));
    QCOMPARE(keyLetters(pdfText(stem + QStringLiteral("_CevapAnahtari.pdf")).split(u'\f', Qt::SkipEmptyParts).value(1)),
             variants[1].key());
    QFile csv(stem + QStringLiteral("_CevapAnahtari.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll().mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 1 + 2 * 11);
    QCOMPARE(rows[0], QStringLiteral("Kitapçık;Soru No;Cevap;Sınavdaki Sıra"));
    QCOMPARE(rows[12].section(u';', 0, 2), QStringLiteral("B;1;") + variants[1].key().at(0));

    // The choices come back, all but the title and the date.
    const auto kept = IniFile::load(Tyazdir::settingsFile(f.main->ProgramFolder)).pairs(QStringLiteral("SinavYazdir"));
    QVERIFY(kept.contains({QStringLiteral("Okul"), QStringLiteral("Gökçe Ortaokulu")}));
    bool checked = false;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        checked = d->EditOkul->text() == QStringLiteral("Gökçe Ortaokulu") && d->EditSure->text() == QStringLiteral("40 dk") &&
                  d->SpinKitapcik->value() == 2 && d->CheckSiklar->isChecked() && d->EditTohum->text() == QStringLiteral("777");
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QVERIFY(checked);
}

void TestBooklet::dialogAsksBeforeReplacingFiles() {
    ProgramFixture f(seedExam());
    f.show();
    f.clickTab(1);
    const QString stem = f.db.folder() + QStringLiteral("Sınav");
    QFile old(stem + QStringLiteral("_CevapAnahtari.csv"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("eski") == 4);
    old.close();
    BoxScript boxes;
    FileScript files;
    files.expect(stem + QStringLiteral(".pdf"));
    files.expect(stem + QStringLiteral(".pdf"));
    boxes.expect(Button::No);
    boxes.expect(Button::Yes);
    boxes.expect(Button::OK);
    QStringList written;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        QTest::mouseClick(d->ButtonPdf, Qt::LeftButton);  // No: nothing written
        written = QDir(f.db.folder()).entryList({QStringLiteral("Sınav_*")});
        QTest::mouseClick(d->ButtonPdf, Qt::LeftButton);  // Yes
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QCOMPARE(written, QStringList{QStringLiteral("Sınav_CevapAnahtari.csv")});
    const msgbox::Box ask = boxes.shown()[0];
    QCOMPARE(ask.caption, QStringLiteral("Dikkat"));
    QCOMPARE(ask.text, QStringLiteral("\r\nBu dosyalar zaten var (") + QDir::toNativeSeparators(f.db.folder().chopped(1)) +
                           QStringLiteral("):\r\nSınav_CevapAnahtari.csv\r\n\r\nYenileri eskilerinin yerine yazılsın mı?"));
    QCOMPARE(boxes.shown()[1].text, ask.text);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QVERIFY(old.readAll().startsWith("\xEF\xBB\xBF"));  // replaced by the key
}

// A disk without room for the new files leaves the files of the earlier save
// as they were, and the box names the file that could not be written, not a
// list of files "saved". With no room (a limit on the size of files written)
// the first booklet fails; with a little room (a small tmpfs that holds the old
// files and a new booklet) the key does.
void TestBooklet::dialogKeepsOldFilesWhenAWriteFails_data() {
    QTest::addColumn<bool>("room");
    QTest::newRow("no room") << false;
    QTest::newRow("room for a booklet") << true;
}

void TestBooklet::dialogKeepsOldFilesWhenAWriteFails() {
    QFETCH(bool, room);
    if (room) {
        const TestDisk probe(TestDisk::Kind::Tmpfs, 4096);
        if (!probe.mounted()) QSKIP(qPrintable(probe.why()));
    }
    ProgramFixture f(seedExam());
    f.show();
    f.clickTab(1);
    const QStringList names{QStringLiteral("Sınav_A.pdf"), QStringLiteral("Sınav_CevapAnahtari.pdf"),
                            QStringLiteral("Sınav_CevapAnahtari.csv")};
    std::optional<TestDisk> disk;
    QString folder = f.db.folder();
    BoxScript boxes;
    FileScript files;
    files.expect(folder + QStringLiteral("Sınav.pdf"));
    boxes.expect(Button::OK);   // saved
    boxes.expect(Button::Yes);  // replace them
    boxes.expect(Button::OK);   // could not
    QList<QByteArray> before;
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        d->EditTohum->setText(QStringLiteral("1"));
        QTest::mouseClick(d->ButtonPdf, Qt::LeftButton);
        qint64 pages = 0;
        for (const QString& name : names) {
            before << fileBytes(folder + name);
            pages += (before.back().size() + 4095) / 4096;
        }
        // Room for the old files, a new booklet and a page.
        QVERIFY(before[1].size() > 3 * 4096);
        if (room) {
            disk.emplace(TestDisk::Kind::Tmpfs, (pages + (before[0].size() + 4095) / 4096 + 2) * 4096);
            QVERIFY2(disk->mounted(), qPrintable(disk->why()));
            folder = disk->folder();
            for (int i = 0; i < names.size(); ++i) writeFileBytes(folder + names[i], before[i]);
        }
        files.expect(folder + QStringLiteral("Sınav.pdf"));
        d->EditTohum->setText(QStringLiteral("2"));
        std::optional<FileSizeLimit> limit;
        if (!room) limit.emplace(0);
        QTest::mouseClick(d->ButtonPdf, Qt::LeftButton);
        limit.reset();
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QCOMPARE(before.size(), names.size());
    const QString failed = boxes.shown().value(2).text;
    const QString named = room ? names[1] : names[0];
    QVERIFY2(failed.contains(QStringLiteral("\"") + QDir::toNativeSeparators(folder + named) + QStringLiteral("\" yazılamadı")),
             qPrintable(failed));
    QVERIFY2(failed.contains(QStringLiteral("Var olan dosyalar değiştirilmedi.")), qPrintable(failed));
    for (int i = 0; i < names.size(); ++i) QCOMPARE(fileBytes(folder + names[i]), before[i]);
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*.part")}), QStringList());
}

void TestBooklet::dialogRefusesExamsWithNothingToPrint() {
    ProgramFixture f(seedExam());
    f.show();
    f.clickTab(1);
    BoxScript boxes;
    for (int exam : {2, 3}) {
        QVERIFY(f.session->tsinav.locate(QStringLiteral("ID"), exam));
        boxes.expect(Button::OK);
        QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
    }
    QCOMPARE(boxes.shown()[0].text, QStringLiteral("\r\nBu sınavda basılacak soru yok."));
    QCOMPARE(boxes.shown()[1].text, QStringLiteral("\r\nBu sınavda basılacak soru yok. İptal edilmiş 1 soru basılmaz."));
}

void TestBooklet::previewShowsBookletsAndKeys() {
    ProgramFixture f(seedExam());
    f.show();
    f.clickTab(1);
    bool restored = false;
    DialogScript dialogs;
    dialogs.preview();
    whenModal([&] {
        auto* d = qobject_cast<Tyazdir*>(QApplication::activeModalWidget());
        QVERIFY(d);
        QCOMPARE(d->ButtonYazdir->isEnabled(), !QPrinterInfo::availablePrinterNames().isEmpty());
        d->SpinKitapcik->setValue(3);
        QTest::mouseClick(d->ButtonOnizle, Qt::LeftButton);
        restored = d->ProgressBar1->isHidden() && d->ButtonPdf->isEnabled() && d->ButtonKapat->isEnabled();
        d->close();
    });
    QTest::mouseClick(f.main->ToolButton25, Qt::LeftButton);
    QCOMPARE(dialogs.shown(), QList<QString>{QStringLiteral("Baskı Önizleme")});
    QCOMPARE(dialogs.previewPages(), 6);  // three one-page booklets, three key pages
    QVERIFY(restored);
}

QTEST_MAIN(TestBooklet)
#include "tst_booklet.moc"
