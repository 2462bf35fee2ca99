#include "app/frm_main.h"
#include "bank/frm_soru_gir.h"
#include "encoding/codepages.h"
#include "grid/datagrid.h"
#include "storage/session.h"
#include "tests/support/box_script.h"
#include "tests/support/files.h"
#include "tests/support/full_disk.h"
#include "tests/support/program_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using msgbox::Button;

namespace {

const QString kSeed = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
    "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, true_answer, sts, qgrp) VALUES"
    " (1,'Bir','a','b','c','d','1',0,1);");

const QStringList kDesigned{QStringLiteral("question=60;;Soru / Resimli Soru {resim.uzantı} / ~<?>Soru Grup Başlığı;;F"),
                            QStringLiteral("answer1=28;;Cevap A;;F"),
                            QStringLiteral("answer2=28;;Cevap B;;F"),
                            QStringLiteral("answer3=28;;Cevap C;;F"),
                            QStringLiteral("answer4=28;;Cevap D;;F"),
                            QStringLiteral("true_answer=8;;Doğru~Cevap;;F"),
                            QStringLiteral("sts=5;;Soru~İptal;;F")};

// Lines as the file holds them: Windows-1254, CR LF.
QByteArray fileBytes(const QStringList& lines) {
    QByteArray out;
    for (const QString& line : lines) {
        for (const QChar c : line) out.append(char(codepage::encodeByte(codepage::Turkish, c.unicode())));
        out.append("\r\n");
    }
    return out;
}

QStringList withSection(const QStringList& keys) { return QStringList{QStringLiteral("[soru_girwwDBGrid2]")} + keys; }

struct Layout : ProgramFixture {
    explicit Layout() : ProgramFixture(kSeed) { show(); }
    QString iniPath() const { return db.folder() + QStringLiteral("GridAyarlari.ini"); }
    QByteArray ini() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeIni(const QByteArray& bytes) const {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    grid::DataGrid* grid() const { return forms().soru_gir->wwDBGrid2; }
    QStringList fields() const {
        QStringList out;
        for (int c = 0; c < grid()->columnCount(); ++c) out << grid()->columnField(c);
        return out;
    }
    // Opens the entry window with "Sorular", runs f in it and closes it.
    void inEntryWindow(const std::function<void()>& f = {}) {
        whenModal([&] {
            if (f) f();
            forms().soru_gir->close();
        });
        QTest::mouseClick(main->ToolButton24, Qt::LeftButton);
    }
    // The program ends and starts again over the same file.
    void restart() {
        program.reset();
        program = std::make_unique<app::Program>(db.folder() + QStringLiteral("Quorvel.exe"));
        main = program->forms().main;
        session = &program->session();
        show();
    }
};

}  // namespace

class TestLayoutFile : public QObject {
    Q_OBJECT
private slots:
    // Without a file the designed columns show; the first close writes them.
    void firstCloseWritesTheFile() {
        Layout a;
        QVERIFY(!QFile::exists(a.iniPath()));
        a.inEntryWindow([&] { QCOMPARE(a.fields().size(), 7); });
        QCOMPARE(a.ini(), fileBytes(withSection(kDesigned)));
        // The program's end writes the same again.
        a.program.reset();
        QCOMPARE(a.ini(), fileBytes(withSection(kDesigned)));
    }

    // A wider column and a moved column come back in this run and the next.
    void widthAndOrderSurviveARestart() {
        Layout a;
        a.inEntryWindow([&] {
            QStringList lines = a.grid()->selected();
            lines[0].replace(QStringLiteral("\t60\t"), QStringLiteral("\t75\t"));
            lines.move(6, 0);  // sts first
            a.grid()->setSelected(lines);
        });
        QVERIFY(a.ini().contains("\r\nsts=5;;Soru~\xDDptal;;F\r\nquestion=75;;"));
        a.restart();
        a.inEntryWindow([&] {
            QCOMPARE(a.fields().first(), QStringLiteral("sts"));
            QCOMPARE(a.grid()->selected().at(1).section(u'\t', 1, 1), QStringLiteral("75"));
            QCOMPARE(a.grid()->columnTitleLines(0), (QStringList{QStringLiteral("Soru"), QStringLiteral("İptal")}));
        });
    }

    // A key taken out of the file hides its column for good.
    void removedKeyHidesColumnForGood() {
        Layout a;
        a.writeIni(fileBytes(withSection(kDesigned.mid(0, 6))));
        a.inEntryWindow([&] { QVERIFY(!a.fields().contains(QStringLiteral("sts"))); });
        QCOMPARE(a.ini(), fileBytes(withSection(kDesigned.mid(0, 6))));
    }

    // A value without the delimiter: the warning, the columns as they were,
    // and the next close rewrites the section whole.
    void keyDelimiterNotFound() {
        Layout a;
        QStringList broken = kDesigned;
        broken[1] = QStringLiteral("answer1=28");
        a.writeIni(fileBytes(QStringList{QStringLiteral("[Başka]"), QStringLiteral("x=1")} + withSection(broken)));
        BoxScript boxes;
        boxes.expect(Button::OK);
        a.inEntryWindow([&] { QCOMPARE(a.fields().size(), 7); });
        QCOMPARE(boxes.last().caption, QStringLiteral("Warning"));
        QCOMPARE(boxes.last().text, QStringLiteral("Key Delimiter Not Found"));
        // Other sections are neither read nor changed.
        QCOMPARE(a.ini(), fileBytes(QStringList{QStringLiteral("[Başka]"), QStringLiteral("x=1")} + withSection(kDesigned)));
    }

    // A width that is not a whole number: the conversion error, the columns kept.
    void widthNotANumber() {
        Layout a;
        QStringList broken = kDesigned;
        broken[2] = QStringLiteral("answer2=geniş;;Cevap B;;F");
        a.writeIni(fileBytes(withSection(broken)));
        BoxScript boxes;
        boxes.expect(Button::OK);
        a.inEntryWindow([&] { QCOMPARE(a.fields().size(), 7); });
        QCOMPARE(boxes.last().text, QStringLiteral("'geniş' is not a valid integer value."));
    }

    // A file marked read-only keeps its content; a close the window refuses
    // writes nothing.
    void readOnlyFileAndRefusedClose() {
        Layout a;
        const QByteArray old = fileBytes(withSection(kDesigned.mid(0, 6)));
        a.writeIni(old);
        QFile::setPermissions(a.iniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        a.inEntryWindow();
        QCOMPARE(a.ini(), old);

        QFile::setPermissions(a.iniPath(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(a.iniPath());
        BoxScript boxes;
        boxes.expect(Button::OK);  // the post rule refuses a question without a correct answer
        a.inEntryWindow([&] {
            a.session->ADOTable1.append();
            a.session->ADOTable1.field(QStringLiteral("answer1")).setAsString(QStringLiteral("yarım"));
            a.forms().soru_gir->close();
            QVERIFY(a.forms().soru_gir->isVisible());
            QVERIFY(!QFile::exists(a.iniPath()));
            a.session->ADOTable1.cancel();
        });
        QVERIFY(QFile::exists(a.iniPath()));
    }

    // Duplicate keys and absurd widths do not break the grid: the first line
    // of a key counts, widths are bounded when shown and kept as written.
    void duplicateKeysAndAbsurdWidths() {
        Layout a;
        QStringList odd = kDesigned;
        odd[0] = QStringLiteral("question=2147483647;;Soru;;F");
        odd[1] = QStringLiteral("answer1=-2147483648;;Cevap A;;F");
        odd.insert(2, QStringLiteral("ANSWER1=40;;İkinci;;F"));
        odd.append(QStringLiteral("question=10;;Yine;;F"));
        a.writeIni(fileBytes(withSection(odd)));
        a.inEntryWindow([&] {
            QCOMPARE(a.fields(), (QStringList{QStringLiteral("question"), QStringLiteral("answer1"), QStringLiteral("answer2"),
                                              QStringLiteral("answer3"), QStringLiteral("answer4"), QStringLiteral("true_answer"),
                                              QStringLiteral("sts")}));
            QVERIFY(a.grid()->columnWidth(0) > 0 && a.grid()->columnWidth(0) <= 20000);
            QVERIFY(a.grid()->columnWidth(1) > 0);
            QVERIFY(!a.grid()->grab().isNull());
        });
        QStringList kept = kDesigned;
        kept[0] = odd[0];
        kept[1] = odd[1];
        QCOMPARE(a.ini(), fileBytes(withSection(kept)));
    }

    // What stands under the file's name and is no layout (a FIFO, a folder, a
    // huge file) is never waited for nor read whole: a Turkish warning when
    // the window shows, the designed columns, and at the close a second one;
    // the thing itself stays as it was.
    void noLayoutUnderTheName_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << QStringLiteral("fifo");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("100 MB") << QStringLiteral("large");
    }
    void noLayoutUnderTheName() {
        QFETCH(QString, kind);
        Layout a;
        const QByteArray path = QFile::encodeName(a.iniPath());
        QByteArray large;
        if (kind == QLatin1String("fifo")) QCOMPARE(mkfifo(path.constData(), 0600), 0);
        if (kind == QLatin1String("folder")) QVERIFY(QDir().mkdir(a.iniPath()));
        if (kind == QLatin1String("large")) {
            large = fileBytes(withSection(kDesigned)) + QByteArray(100 * 1024 * 1024, ';');
            a.writeIni(large);
        }
        // A reader that blocks is released, so that the test fails rather than hangs.
        std::atomic<bool> done{false};
        std::thread release([&] {
            for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!done) ::close(::open(path.constData(), O_WRONLY | O_NONBLOCK));
        });
        BoxScript boxes;
        boxes.expect(Button::OK);
        boxes.expect(Button::OK);
        a.inEntryWindow([&] {
            done = true;
            QCOMPARE(a.fields().size(), 7);
        });
        done = true;
        release.join();
        QCOMPARE(boxes.shown().size(), 2);
        QVERIFY2(boxes.shown()[0].text.contains(a.iniPath()) && boxes.shown()[0].text.contains(QStringLiteral("okunmadı")),
                 qPrintable(boxes.shown()[0].text));
        QVERIFY2(boxes.shown()[1].text.contains(QStringLiteral("kaydedilemedi")), qPrintable(boxes.shown()[1].text));
        const QFileInfo after(a.iniPath());
        if (kind == QLatin1String("fifo")) QVERIFY(!after.isFile() && !after.isDir());
        if (kind == QLatin1String("folder")) QVERIFY(after.isDir());
        if (kind == QLatin1String("large")) QCOMPARE(after.size(), qint64(large.size()));
    }

    // A link named like the file is read through but never written through:
    // the close says so, link and target stay; the program's end is silent.
    void linkIsNotWrittenThrough() {
        Layout a;
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("ayarlar.ini"));
        const QByteArray targetBytes =
            "[Notlar]\nbir=\xC3\x87i\xC4\x9F"
            "dem\n" +
            fileBytes(withSection(kDesigned.mid(0, 6)));
        writeFileBytes(target, targetBytes);
        QVERIFY(QFile::link(target, a.iniPath()));
        BoxScript boxes;
        boxes.expect(Button::OK);
        a.inEntryWindow([&] { QCOMPARE(a.fields().size(), 6); });
        QVERIFY2(boxes.last().text.contains(QStringLiteral("bağlantı")), qPrintable(boxes.last().text));
        a.program.reset();
        QCOMPARE(fileBytes(target), targetBytes);
        QVERIFY(QFileInfo(a.iniPath()).isSymLink());
    }

    // A full disk keeps the old file whole and tells the user at a close; at
    // the program's end nobody is left to tell.
    void fullDiskKeepsTheOldFile() {
        TestDisk disk(TestDisk::Kind::Tmpfs, 64 * 1024);
        if (!disk.mounted()) QSKIP(qPrintable(disk.why()));
        grid::IniAttributes ini;
        ini.FileName = disk.folder() + QStringLiteral("GridAyarlari.ini");
        const QByteArray old = fileBytes(withSection(kDesigned));
        writeFileBytes(ini.FileName, old);
        disk.fill();
        QStringList lines;
        for (const QString& l : kDesigned)
            lines << l.section(u'=', 0, 0) + u'\t' + l.section(u'=', 1).replace(QStringLiteral(";;"), QStringLiteral("\t"));
        lines[0].replace(QStringLiteral("\t60\t"), QStringLiteral("\t75\t"));
        const QString warning = grid::saveLayout(lines, ini, QStringLiteral("soru_girwwDBGrid2"), false);
        QVERIFY2(warning.contains(QStringLiteral("disk dolu")), qPrintable(warning));
        QVERIFY(grid::saveLayout(lines, ini, QStringLiteral("soru_girwwDBGrid2"), true).isEmpty());
        QCOMPARE(fileBytes(ini.FileName), old);
    }
};

QTEST_MAIN(TestLayoutFile)
#include "tst_layout_file.moc"
