#include "storage/errors.h"
#include "tests/support/files.h"
#include "text/inifile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <csignal>

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

    // A write that fails half-way (here the file-size limit stands for a full
    // disk) leaves the old file whole.
    void failedWriteKeepsOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("GridAyarlari.ini"));
        writeFileBytes(path, "[A]\r\nx=1\r\n");
        IniFile ini = IniFile::load(path);
        ini.writeKey(QStringLiteral("A"), QStringLiteral("big"), QString(64 * 1024, u'a'));
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
        bool threw = false;
        try {
            ini.save(path);
        } catch (const storage::Error&) {
            threw = true;
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(threw);
        QCOMPARE(fileBytes(path), QByteArray("[A]\r\nx=1\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
