// Reading old Access banks: the reader, its refusals, and the migration tool.
#include "storage/access_file.h"
#include "storage/access_snapshot.h"
#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/recordset.h"
#include "tests/support/access_expected.h"
#include "tests/support/error_of.h"
#include "tests/support/files.h"
#include "tests/support/full_disk.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sqlite3.h>
#include <sys/resource.h>

using namespace storage;

namespace {

QString fixture(const QString& name) {
    return qEnvironmentVariable("QUORVEL_FIXTURES") + QStringLiteral("/legacy-access/") + name;
}
const QString kBank = QStringLiteral("legacy-bank-jet4.mdb");

// Unscrambles the Jet 4 header, lets edit change it, scrambles it again.
QByteArray withHeader(QByteArray file, const std::function<void(unsigned char*)>& edit) {
    auto* p = reinterpret_cast<unsigned char*>(file.data());
    const auto scramble = [p] {
        unsigned char s[256];
        const unsigned char key[4] = {0xc7, 0xda, 0x39, 0x6b};
        for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
        for (int i = 0, j = 0; i < 256; ++i) {
            j = (j + s[i] + key[i % 4]) & 0xff;
            std::swap(s[i], s[j]);
        }
        for (int n = 0, i = 0, j = 0; n < 128; ++n) {
            i = (i + 1) & 0xff;
            j = (j + s[i]) & 0xff;
            std::swap(s[i], s[j]);
            p[0x18 + n] ^= s[(s[i] + s[j]) & 0xff];
        }
    };
    scramble();
    edit(p);
    scramble();
    return file;
}

// Every row of a table in a file of ours, fields as text, null as a null QString, ordered by key.
QList<QStringList> rowsOf(const QString& path, const QString& table, const QString& key) {
    QList<QStringList> out;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, key).toUtf8().constData(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            row << (sqlite3_column_type(st, i) == SQLITE_NULL
                        ? QString()
                        : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                            sqlite3_column_bytes(st, i)));
        out << row;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

struct Run {
    int code = -1;
    QString out, err;
};

// Runs the tool; with a temporary folder of the test's own when given, and
// with a limit on the size of the files it writes when given (SIGXFSZ
// ignored: a write past it fails as on a full disk).
Run migrate(const QString& from, const QString& to, const QString& temp = {}, qint64 fileSizeLimit = -1) {
    QProcess p;
    if (!temp.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), temp);
        p.setProcessEnvironment(env);
    }
    if (fileSizeLimit >= 0)
        p.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {
                rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)
            };
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    p.start(QStringLiteral(QUORVEL_MIGRATE), {from, to});
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

class TestAccess : public QObject {
    Q_OBJECT
private slots:
    // Access field kinds arrive as the kinds of the program's fields.
    void fieldKinds() {
        access::File file(fixture(kBank));
        QCOMPARE(file.tables(), (QStringList{"tqgroup", "tqmaster", "qgroup", "qquestion"}));
        QString kinds;
        for (const QString& t : {QStringLiteral("tqgroup"), QStringLiteral("tqmaster")})
            for (const access::Column& c : file.columns(t))
                kinds += QStringLiteral("%1:%2:%3%4 ").arg(c.name).arg(int(c.kind)).arg(c.size).arg(c.autoNumber ? "a" : "");
        using K = FieldKind;
        QCOMPARE(kinds, QStringLiteral("ID:%1:0a GROUPNAME:%2:50 rid:%1:0 question:%3:0 answer1:%2:255 answer2:%2:255 "
                                       "answer3:%2:255 answer4:%2:255 true_answer:%2:1 sts:%4:0 qgrp:%1:0 ")
                            .arg(int(K::Integer))
                            .arg(int(K::Text))
                            .arg(int(K::Memo))
                            .arg(int(K::Boolean)));
    }

    // Text in both Jet 4 storage modes, whatever encoding the user's
    // environment asks the reader for.
    void textInBothStorageModes() {
        qputenv("MDBICONV", "ISO-8859-1");
        access::File file(fixture(QStringLiteral("unicode-compression-jet4.mdb")));
        QList<QVariantList> read;
        file.readRows(QStringLiteral("Table"), [&](const std::vector<QVariant>& v) { read << QVariantList(v.begin(), v.end()); });
        const QList<QByteArray> lines =
            fileBytes(fixture(QStringLiteral("unicode-compression-jet4.expected.jsonl"))).trimmed().split('\n');
        QCOMPARE(read.size(), lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            const QJsonObject o = QJsonDocument::fromJson(lines[i]).object();
            QCOMPARE(read[i][0].toLongLong(), o.value(QStringLiteral("ID")).toInteger());
            QCOMPARE(read[i][1].toString(), o.value(QStringLiteral("Unicode")).toString());
        }
    }

    // Files that cannot be read fail with a text that says why, through the
    // same path the import window takes; a file that crashes the reader
    // library does so in the child, never here.
    void badFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        const QByteArray bank = fileBytes(fixture(kBank));
        QByteArray ace = bank;
        ace.replace(4, 15, "Standard ACE DB");
        QByteArray crashes = bank;
        crashes[45 * 4096 + 55] = '\x0b';  // one byte of a page the reader library trips over
        QTest::newRow("no tqmaster") << fileBytes(fixture(QStringLiteral("legacy-no-questions-jet4.mdb")))
                                     << "Access dosyasında tqmaster tablosu yok";
        QTest::newRow("accdb") << ace << "bu biçim desteklenmiyor";
        QTest::newRow("password") << withHeader(bank, [](unsigned char* p) { p[0x42] ^= 'x'; }) << "parola korumalı";
        QTest::newRow("encoded") << withHeader(bank, [](unsigned char* p) { p[0x3e] = 0x5a; }) << "şifrelenmiş";
        QTest::newRow("cut in a page") << bank.left(100000) << "dosya yarıda kesilmiş";
        // Cut where the long memo continues: the reader would read it short without a word.
        QTest::newRow("cut at a page") << bank.left(36 * 4096) << "kaydındaki question alanının bir kısmı okunamıyor";
        QTest::newRow("damaged page") << crashes << "bozuk; okunurken okuyucu durdu";
        QTest::newRow("garbage") << QByteArray(8192, 'q') << "bir Access veritabanı dosyası değil";
        QTest::newRow("empty") << QByteArray() << "bir Access veritabanı dosyası değil";
    }
    void badFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("eski.mdb"));
        writeFileBytes(path, bytes);
        const QString message = errorOf([&] {
            access::snapshot(path, dir.filePath(QStringLiteral("kopya")), {QStringLiteral("tqgroup"), QStringLiteral("tqmaster")},
                             {QStringLiteral("qgroup"), QStringLiteral("qquestion")});
        });
        QVERIFY2(message.contains(says), qPrintable(message));
    }

    // The tool copies all four tables with their numbers and every text as
    // stored, into a file the program opens as its bank.
    void migrationTool() {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Quorvel.mdb"));
        const QByteArray source = fileBytes(fixture(kBank));
        const Run run = migrate(fixture(kBank), target);
        QCOMPARE(fileBytes(fixture(kBank)), source);  // read, never written
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(QStringLiteral("tqmaster: 12 kayıt (1 zengin metin soru olduğu gibi)")), qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("Doğrulandı")));

        const auto expected = expectedAccessRows(fixture(QStringLiteral("legacy-bank-jet4.expected.tsv")));
        QCOMPARE(rowsOf(target, QStringLiteral("tqgroup"), QStringLiteral("ID")), expected.value(QStringLiteral("tqgroup")));
        QCOMPARE(rowsOf(target, QStringLiteral("tqmaster"), QStringLiteral("rid")), expected.value(QStringLiteral("tqmaster")));
        QCOMPARE(rowsOf(target, QStringLiteral("qgroup"), QStringLiteral("ID")),
                 (QList<QStringList>{{"1", "Ara Sınav", "şifre1", "0"}}));
        QCOMPARE(rowsOf(target, QStringLiteral("qquestion"), QStringLiteral("qqID")),
                 (QList<QStringList>{{"1", "1", "10"}, {"2", "1", "11"}}));

        // A bank of ours: it opens, and new groups continue after the old numbers.
        Connection c;
        c.setConnectionString(connectionString(target));
        c.open();
        QCOMPARE(c.journalMode(), QStringLiteral("delete"));
        RecordSet groups(QStringLiteral("tgrp"), &c);
        groups.setTableName(QStringLiteral("tqgroup"));
        groups.open();
        groups.append();
        groups.field(QStringLiteral("GROUPNAME")).setAsString(QStringLiteral("Yeni"));
        groups.post();
        QCOMPARE(groups.field(QStringLiteral("ID")).asKey(), 6);
    }

    // The tool never overwrites and leaves nothing behind when it fails.
    void migrationRefuses() {
        QTemporaryDir dir;
        const QString existing = dir.filePath(QStringLiteral("var.mdb"));
        writeFileBytes(existing, "eski");
        Run run = migrate(fixture(kBank), existing);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("üzerine yazılmaz")), qPrintable(run.err));
        QCOMPARE(fileBytes(existing), QByteArray("eski"));

        const QString target = dir.filePath(QStringLiteral("yeni.mdb"));
        run = migrate(fixture(QStringLiteral("legacy-no-questions-jet4.mdb")), target);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("tqmaster tablosu yok")), qPrintable(run.err));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("var.mdb")});
    }

    // On exFAT, the file system of most USB sticks (no hard links, no rename
    // that refuses to replace), the tool makes the bank and still never
    // replaces a file of the target's name.
    void migrationOnExfat() {
        const TestDisk stick(TestDisk::Kind::Exfat, 16 * 1024 * 1024);
        if (!stick.mounted()) QSKIP(qPrintable(stick.why()));
        const QString target = stick.folder() + QStringLiteral("Quorvel.mdb");
        Run run = migrate(fixture(kBank), target);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QCOMPARE(rowsOf(target, QStringLiteral("tqmaster"), QStringLiteral("rid")).size(), 12);
        QCOMPARE(QDir(stick.folder()).entryList(QDir::Files), QStringList{QStringLiteral("Quorvel.mdb")});
    }

    // What a killed run leaves (a part beside the target with its journal, a
    // copy in the temporary folder) does not block the next run, which
    // removes it and says so.
    void migrationAfterAKill() {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("tmp"));
        const QString temp = dir.filePath(QStringLiteral("tmp"));
        const QString target = dir.filePath(QStringLiteral("Quorvel.mdb"));
        writeFileBytes(target + QStringLiteral(".part"), QByteArray(8192, 'p'));
        writeFileBytes(target + QStringLiteral(".part-journal"), QByteArray(512, 'j'));
        const QString copy = temp + QStringLiteral("/quorvel-migrate-AbC123.sqlite");
        writeFileBytes(copy, QByteArray(8192, 'c'));
        const Run run = migrate(fixture(kBank), target, temp);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(QStringLiteral("kalan dosya silindi: \"") + target + QStringLiteral(".part\"")),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains(QStringLiteral("kalan dosya silindi: \"") + copy + u'"'), qPrintable(run.out));
        QCOMPARE(rowsOf(target, QStringLiteral("tqmaster"), QStringLiteral("rid")).size(), 12);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Quorvel.mdb")});
        QCOMPARE(QDir(temp).entryList(QDir::Files), QStringList());
    }

    // A disk that fills up, beside the target or in the temporary folder,
    // leaves neither a file under the target's name nor a part nor a copy,
    // and the message says why in Turkish.
    void migrationOnAFullDisk_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("says");
        // SQLite reports a write past the limit as an I/O error.
        QTest::newRow("file-size limit") << "limit" << qint64(40 * 1024) << "yazılamıyor";
        QTest::newRow("full target disk") << "target" << qint64(-1) << "disk dolu";
        QTest::newRow("full temporary disk") << "temp" << qint64(-1) << "disk dolu";
    }
    void migrationOnAFullDisk() {
        QFETCH(QString, where);
        QFETCH(qint64, limit);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("tmp"));
        QString temp = dir.filePath(QStringLiteral("tmp"));
        QString folder = dir.path() + u'/';
        // The bank takes 64 KiB, its schema alone less than half of that.
        const TestDisk small(TestDisk::Kind::Tmpfs, 40 * 1024);
        if (where != u"limit") {
            if (!small.mounted()) QSKIP(qPrintable(small.why()));
            (where == u"target" ? folder : temp) = small.folder();
        }
        const QString target = folder + QStringLiteral("Quorvel.mdb");
        const Run run = migrate(fixture(kBank), target, temp, limit);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
        QCOMPARE(QDir(temp).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestAccess)
#include "tst_access.moc"
