#include "storage/errors.h"
#include "tests/support/error_of.h"
#include "tests/support/files.h"
#include "tests/support/full_disk.h"
#include "text/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    // Keys in file order, names without regard to case, blanks dropped,
    // quotes removed; comment lines and lines without "=" are no keys.
    void readingRules() {
        const IniFile ini = IniFile::parse(
            "[Other]\r\nz=1\r\n[Soru_GirWWDBGrid2]\r\n  sts = 5;;Soru~\xDD"
            "ptal;;F  \r\n; note\r\nno pair\r\n"
            "question=\"60;;Soru;;F\"\r\nanswer1=28;;Cevap A;;F\r\n\r\n[Last]\r\nk=v");
        const QList<IniFile::Pair> pairs = ini.pairs(QStringLiteral("soru_girwwDBGrid2"));
        QCOMPARE(pairs.size(), 3);
        QCOMPARE(pairs[0], IniFile::Pair(QStringLiteral("sts"), QStringLiteral("5;;Soru~İptal;;F")));
        QCOMPARE(pairs[1], IniFile::Pair(QStringLiteral("question"), QStringLiteral("60;;Soru;;F")));
        QCOMPARE(pairs[2].first, QStringLiteral("answer1"));
        QCOMPARE(ini.pairs(QStringLiteral("Last")).value(0).second, QStringLiteral("v"));
        QVERIFY(ini.pairs(QStringLiteral("missing")).isEmpty());
    }

    // Erasing and rewriting a section leaves every other line as it was;
    // the bytes are Windows-1254 with CR LF.
    void rewritingASection() {
        IniFile ini = IniFile::parse("; top\r\n[A]\r\nx=1\r\n\r\n[Grid]\r\nold=1\r\n\r\n[B]\r\ny=\"2\"\r\n");
        ini.eraseSection(QStringLiteral("grid"));
        ini.writeKey(QStringLiteral("Grid"), QStringLiteral("question"), QStringLiteral("60;;Doğru~Cevap;;F"));
        ini.writeKey(QStringLiteral("Grid"), QStringLiteral("sts"), QStringLiteral("5;;Soru~İptal;;F"));
        ini.writeKey(QStringLiteral("A"), QStringLiteral("z"), QStringLiteral("3"));
        QCOMPARE(ini.bytes(), QByteArray("; top\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=\"2\"\r\n[Grid]\r\n"
                                         "question=60;;Do\xF0ru~Cevap;;F\r\nsts=5;;Soru~\xDDptal;;F\r\n"));
        // Read back, the Turkish letters come back exactly.
        QCOMPARE(IniFile::parse(ini.bytes()).pairs(QStringLiteral("Grid")).value(0).second, QStringLiteral("60;;Doğru~Cevap;;F"));
    }

    // Garbage, a very long line and NUL bytes are read without harm.
    void malformedInput() {
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i) garbage.append(char(i * 37));
        QVERIFY(IniFile::parse(garbage).pairs(QStringLiteral("x")).isEmpty());
        const QByteArray longLine = "[S]\r\nk=" + QByteArray(10 * 1024 * 1024, 'a') + "\r\n";
        QCOMPARE(IniFile::parse(longLine).pairs(QStringLiteral("S")).value(0).second.size(), 10 * 1024 * 1024);
    }

    // A replaced file keeps its permissions; a read-only one is not replaced.
    void savingKeepsPermissionsAndRefusesReadOnly() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("GridAyarlari.ini"));
        writeFileBytes(path, "[A]\r\nx=1\r\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        IniFile ini = IniFile::load(path);
        ini.writeKey(QStringLiteral("A"), QStringLiteral("y"), QStringLiteral("2"));
        ini.save(path);
        QCOMPARE(fileBytes(path), QByteArray("[A]\r\nx=1\r\ny=2\r\n"));
        QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
        ini.writeKey(QStringLiteral("A"), QStringLiteral("z"), QStringLiteral("3"));
        QVERIFY_THROWS_EXCEPTION(storage::Error, ini.save(path));
        QCOMPARE(fileBytes(path), QByteArray("[A]\r\nx=1\r\ny=2\r\n"));
    }

    // A write that fails (a file-size limit, a full disk), whether at once or
    // only when the last buffered bytes go out, leaves the old file whole and
    // nothing beside it, and says so.
    void failedWriteKeepsOldFile_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::addColumn<int>("valueSize");
        QTest::newRow("size limit, small file") << false << 2000;
        QTest::newRow("size limit, large file") << false << 64 * 1024;
        QTest::newRow("full disk, small file") << true << 2000;
        QTest::newRow("full disk, large file") << true << 64 * 1024;
    }
    void failedWriteKeepsOldFile() {
        QFETCH(bool, fullDisk);
        QFETCH(int, valueSize);
        QTemporaryDir tmp;
        TestDisk disk(TestDisk::Kind::Tmpfs, 64 * 1024);
        if (fullDisk && !disk.mounted()) QSKIP(qPrintable(disk.why()));
        const QString folder = QDir::cleanPath(fullDisk ? disk.folder() : tmp.path());
        const QString path = folder + QStringLiteral("/GridAyarlari.ini");
        const QByteArray old = "[A]\r\nx=1\r\n";
        writeFileBytes(path, old);
        IniFile ini = IniFile::load(path);
        ini.writeKey(QStringLiteral("A"), QStringLiteral("big"), QString(valueSize, u'a'));
        QString message;
        if (fullDisk) {
            disk.fill();
            message = errorOf([&] { ini.save(path); });
        } else {
            FileSizeLimit limit(1024);
            message = errorOf([&] { ini.save(path); });
        }
        QVERIFY2(message.contains(path), qPrintable(message));
        QCOMPARE(fileBytes(path), old);
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        left.removeAll(QStringLiteral("filler"));
        QCOMPARE(left, QStringList{QStringLiteral("GridAyarlari.ini")});
    }

    // Lines the program does not write come back byte for byte, whatever
    // their encoding and line ending (here UTF-8 with LF, a last line without
    // an ending); only the grid's section is written in the code page.
    void otherLinesKeptByteForByte() {
        const QByteArray other1 =
            "\xEF\xBB\xBF; \xC3\x87"
            "a\xC4\x9Fr\xC4\xB1 notu\n[Ba\xC5\x9Fka]\nad=\xC3\x96\xC4\x9F\xC3\xBCn \xC5\x9E"
            "en\n\n";
        const QByteArray other2 = "[Son]\nk=\xC5\x9F";
        IniFile ini = IniFile::parse(other1 + "[soru_girwwDBGrid2]\r\nold=1\r\n" + other2);
        ini.eraseSection(QStringLiteral("soru_girwwDBGrid2"));
        ini.writeKey(QStringLiteral("soru_girwwDBGrid2"), QStringLiteral("sts"), QStringLiteral("5;;Soru~İptal;;F"));
        QCOMPARE(ini.bytes(), other1 + other2 + "\r\n[soru_girwwDBGrid2]\r\nsts=5;;Soru~\xDDptal;;F\r\n");
        // A key replaced inside a section leaves its neighbours' bytes alone.
        IniFile two = IniFile::parse("[S]\na=\xC3\xA7\nb=1\nc=\xC4\xB1\n");
        two.writeKey(QStringLiteral("S"), QStringLiteral("b"), QStringLiteral("2"));
        QCOMPARE(two.bytes(), QByteArray("[S]\na=\xC3\xA7\nb=2\r\nc=\xC4\xB1\n"));
    }

    // A link named like the file is read through, but never written through:
    // its target may be any file of the user's. The save says why, in Turkish,
    // and link and target stay as they were.
    void symlinkIsNotWrittenThrough() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("notlar.txt"));
        const QByteArray targetBytes =
            "[Notlar]\nbir=\xC3\x87i\xC4\x9F"
            "dem\n";
        writeFileBytes(target, targetBytes);
        const QString path = dir.filePath(QStringLiteral("GridAyarlari.ini"));
        QVERIFY(QFile::link(target, path));
        IniFile ini = IniFile::load(path);
        QCOMPARE(ini.pairs(QStringLiteral("Notlar")).size(), 1);
        ini.writeKey(QStringLiteral("soru_girwwDBGrid2"), QStringLiteral("sts"), QStringLiteral("5;;Soru~İptal;;F"));
        const QString message = errorOf([&] { ini.save(path); });
        QVERIFY2(message.contains(QStringLiteral("bağlantı")), qPrintable(message));
        QCOMPARE(fileBytes(target), targetBytes);
        QVERIFY(QFileInfo(path).isSymLink());
    }

    // Files that are no regular file, or too large for a layout, are refused
    // at once with a message naming them: a FIFO never blocks the program,
    // a huge file is never read whole. A save replaces no FIFO or folder.
    void outsideKindsAndSizesRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << QStringLiteral("fifo");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("too large") << QStringLiteral("large");
    }
    void outsideKindsAndSizesRefused() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("GridAyarlari.ini"));
        const QByteArray large = "[A]\r\nk=" + QByteArray(IniFile::kMaxBytes, 'a') + "\r\n";
        if (kind == QLatin1String("fifo")) QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == QLatin1String("folder")) QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("GridAyarlari.ini")));
        if (kind == QLatin1String("large")) writeFileBytes(path, large);

        // A load that blocks is released by a writer, so that the test fails rather than hangs.
        auto load = std::async(std::launch::async, [&] { return errorOf([&] { IniFile::load(path); }); });
        if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ::close(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK));
            load.wait();
            QFAIL("reading the file blocked");
        }
        const QString message = load.get();
        QVERIFY2(message.contains(path), qPrintable(message));

        if (kind == QLatin1String("large")) return;  // the layout's save loads first (tst_layout_file)
        IniFile ini;
        ini.writeKey(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1"));
        QVERIFY(errorOf([&] { ini.save(path); }).contains(path));
        const QFileInfo after(path);
        if (kind == QLatin1String("fifo")) QVERIFY(!after.isFile() && !after.isDir());
        if (kind == QLatin1String("folder")) QVERIFY(after.isDir());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
