// Files that take their name complete or not at all, on disks that fill up
// and on file systems without hard links.
#include "storage/errors.h"
#include "storage/part_file.h"
#include "tests/support/error_of.h"
#include "tests/support/files.h"
#include "tests/support/full_disk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using storage::PartFile;

class TestPartFile : public QObject {
    Q_OBJECT
private slots:
    // A new version replaces the file, keeping its permissions; one that does
    // not fit leaves the old file as it was and no part beside it.
    void replacesOnlyWhenComplete_data() {
        QTest::addColumn<QString>("disk");
        QTest::addColumn<QString>("says");
        QTest::newRow("file-size limit") << "limit"
                                         << "izin verilen en büyük boyutu aşıyor";
        QTest::newRow("full tmpfs") << "tmpfs"
                                    << "disk dolu";
    }
    void replacesOnlyWhenComplete() {
        QFETCH(QString, disk);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const TestDisk small(TestDisk::Kind::Tmpfs, 64 * 1024);
        if (disk == u"tmpfs" && !small.mounted()) QSKIP(qPrintable(small.why()));
        const QString path = (disk == u"tmpfs" ? small.folder() : dir.path() + u'/') + QStringLiteral("Sınav_A.pdf");
        writeFileBytes(path, "old");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        storage::writeWholeFile(path, "new");
        QCOMPARE(fileBytes(path), QByteArray("new"));
        QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

        const QByteArray big(256 * 1024, 'x');
        QString message;
        {
            std::optional<FileSizeLimit> limit;
            if (disk == u"limit") limit.emplace(4096);
            message = errorOf([&] { storage::writeWholeFile(path, big); });
        }
        QVERIFY2(message.contains(QStringLiteral("\"") + QDir::toNativeSeparators(path) + QStringLiteral("\" yazılamadı")),
                 qPrintable(message));
        QVERIFY2(message.contains(says), qPrintable(message));
        QCOMPARE(fileBytes(path), QByteArray("new"));
        QVERIFY(!QFile::exists(path + QStringLiteral(".part")));
    }

    // A part left by a run that was killed is taken over; a part another run
    // is building is not touched.
    void leftoverAndBusyParts() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bank.mdb"));
        writeFileBytes(path + QStringLiteral(".part"), "half a bank");
        {
            PartFile part(path);
            QVERIFY(part.tookOverLeftover());
            part.write("whole");
            const QString busy = errorOf([&] { PartFile other(path); });
            QVERIFY2(busy.contains(QStringLiteral("başka bir işlem tarafından yazılıyor")), qPrintable(busy));
            QCOMPARE(fileBytes(path + QStringLiteral(".part")), QByteArray("whole"));
            part.publishNew();
        }
        QCOMPARE(fileBytes(path), QByteArray("whole"));
        QVERIFY(!QFile::exists(path + QStringLiteral(".part")));
        PartFile fresh(path + QStringLiteral("2"));
        QVERIFY(!fresh.tookOverLeftover());
    }

    // A new file never replaces one of its name, also on exFAT, which has
    // neither hard links nor a rename that refuses to replace.
    void publishesWithoutReplacing_data() {
        QTest::addColumn<bool>("exfat");
        QTest::newRow("local disk") << false;
        QTest::newRow("exFAT") << true;
    }
    void publishesWithoutReplacing() {
        QFETCH(bool, exfat);
        QTemporaryDir dir;
        const TestDisk stick(TestDisk::Kind::Exfat, 8 * 1024 * 1024);
        if (exfat && !stick.mounted()) QSKIP(qPrintable(stick.why()));
        const QString folder = exfat ? stick.folder() : dir.path() + u'/';
        const QString target = folder + QStringLiteral("yeni-banka.mdb");
        {
            PartFile part(target);
            part.write("bank");
            part.publishNew();
        }
        QCOMPARE(fileBytes(target), QByteArray("bank"));
        PartFile again(target);
        again.write("other");
        const QString refused = errorOf([&] { again.publishNew(); });
        QVERIFY2(refused.contains(QStringLiteral("zaten var")), qPrintable(refused));
        QCOMPARE(fileBytes(target), QByteArray("bank"));
        QCOMPARE(fileBytes(target + QStringLiteral(".part")), QByteArray("other"));
        const QString moved = folder + QStringLiteral("taşınan.mdb");
        storage::renameNoReplace(target, moved);
        QCOMPARE(fileBytes(moved), QByteArray("bank"));
        QVERIFY(!QFile::exists(target));
    }
};

QTEST_GUILESS_MAIN(TestPartFile)
#include "tst_part_file.moc"
