#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/recordset.h"
#include "storage/sqlite/sqlite_database.h"
#include "tests/support/error_of.h"
#include "tests/support/temp_db.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include <sqlite3.h>

#include <thread>

using namespace storage;

namespace {

QString fixture(const QString& name) { return qEnvironmentVariable("QUORVEL_FIXTURES") + u'/' + name; }

void run(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// Copies a bank in the middle of another program's change, after SQLite has
// written changed pages to the file: the copy is a file with a hot journal,
// as a program that died in mid-change leaves it.
void copyInMidChange(const QString& from, const QString& to) {
    run(from,
        "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < 300) "
        "INSERT INTO tqmaster (rid, question) SELECT i, randomblob(3000) FROM r");
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(from.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "PRAGMA cache_size = 2; BEGIN; UPDATE tqmaster SET question = randomblob(3000);", nullptr, nullptr,
                          nullptr),
             SQLITE_OK);
    QVERIFY(QFile::copy(from, to));
    QVERIFY(QFile::copy(from + QStringLiteral("-journal"), to + QStringLiteral("-journal")));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

QByteArray headerBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.read(20).mid(18, 2);
}
}  // namespace

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void nameRule_data() {
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("file");
        QTest::newRow("usual") << "/opt/Apps/Quorvel.exe"
                               << "/opt/Apps/"
                               << "Quorvel.mdb";
        QTest::newRow("renamed") << "/opt/Apps/Sinav.exe"
                                 << "/opt/Apps/"
                                 << "Sinav.mdb";
        QTest::newRow("no extension loses four characters anyway") << "/opt/Apps/Quorvel"
                                                                   << "/opt/Apps/"
                                                                   << "Quo.mdb";
        QTest::newRow("four characters give nothing") << "/opt/abcd"
                                                      << "/opt/"
                                                      << "";
        QTest::newRow("blank in folder") << "/opt/My Apps/Quorvel.exe"
                                         << "/opt/My Apps/"
                                         << "Quorvel.mdb";
        QTest::newRow("root folder") << "/Quorvel.exe"
                                     << "/"
                                     << "Quorvel.mdb";
    }
    void nameRule() {
        QFETCH(QString, exe);
        QFETCH(QString, folder);
        QFETCH(QString, file);
        const DatabaseLocation location = locateDatabase(exe);
        QCOMPARE(location.programFolder, folder);
        QCOMPARE(location.databaseFileName, file);
    }

    void connectionStringIsUnquotedAndReadBack() {
        const QString s = connectionString(QStringLiteral("/opt/My Apps/Quorvel.mdb"));
        QCOMPARE(s, QStringLiteral(
                        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/My Apps/Quorvel.mdb;Persist Security Info=False"));
        QCOMPARE(dataSourceOf(s), QStringLiteral("/opt/My Apps/Quorvel.mdb"));
    }

    // The database is found next to the executable whatever the working folder is.
    void opensFileWithBlankInFolder() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("My Apps")));
        const QString path = dir.path() + QStringLiteral("/My Apps/Quorvel.mdb");
        createDatabase(path);
        Connection c;
        c.setConnectionString(connectionString(path));
        c.open();
        QVERIFY(c.connected());
        QVERIFY_THROWS_EXCEPTION(Error, c.setConnectionString(QString()));
        c.close();
        QVERIFY(!c.connected());
    }

    // A semicolon in the folder breaks the string although the file exists.
    void semicolonInFolderFails() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("a;b")));
        const QString path = dir.path() + QStringLiteral("/a;b/Quorvel.mdb");
        createDatabase(path);
        Connection c;
        c.setConnectionString(connectionString(path));
        const QString message = errorOf([&] { c.open(); });
        QVERIFY2(message.contains(QStringLiteral("Bağlantı metni kullanılamıyor")), qPrintable(message));
        QVERIFY(!c.connected());
    }

    void badFilesFailClearly_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing"
                                 << "veritabanı dosyası yok";
        // The program's own connection does not read Access files; it names the tool that moves them.
        QTest::newRow("old access file") << "access"
                                         << "bir Access veritabanı dosyası (eski biçimde bir soru bankası); program bu "
                                            "dosyayla çalışamaz. Bankayı bu programın biçiminde yeni bir dosyaya taşımak "
                                            "için programın yanındaki taşıma aracını çalıştırın:\r\n\r\nquorvel-migrate";
        QTest::newRow("garbage") << "garbage"
                                 << "bu programın veritabanı dosyası değil";
        QTest::newRow("empty name") << "noname"
                                    << "veritabanı dosyası adı içermiyor";
    }
    void badFilesFailClearly() {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QString path = dir.path() + QStringLiteral("/Quorvel.mdb");
        if (kind == QLatin1String("access"))
            QVERIFY(QFile::copy(fixture(QStringLiteral("legacy-access/legacy-no-questions-jet4.mdb")), path));
        if (kind == QLatin1String("garbage")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(3000, 'x'));
        }
        if (kind == QLatin1String("noname")) path.clear();
        const QByteArray before = QFileInfo::exists(path) ? [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }() : QByteArray();
        Connection c;
        c.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path +
                              QStringLiteral(";Persist Security Info=False"));
        const QString message = errorOf([&] { c.open(); });
        QVERIFY2(message.contains(expected), qPrintable(message));
        QVERIFY(!c.connected());
        // Never created, never touched.
        if (kind == QLatin1String("missing")) QVERIFY(!QFileInfo::exists(path));
        if (!before.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
        }
    }

    void missingTableFailsAtOpen() {
        TempDb db;
        db.exec(QStringLiteral("DROP VIEW Questions; DROP TABLE qquestion"));
        RecordSet rs(QStringLiteral("tQuestions"), &db.connection());
        rs.setTableName(QStringLiteral("Questions"));
        QCOMPARE(errorOf([&] { rs.open(); }), QStringLiteral("tQuestions: no such table: Questions"));
        QVERIFY(!rs.active());
    }

    void readOnlyFileRefusesChangesClearly() {
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO tqmaster (rid) VALUES (1)"));
        QFile::setPermissions(db.path(), QFileDevice::ReadOwner);
        Connection c;
        c.setConnectionString(connectionString(db.path()));
        c.open();
        RecordSet q(QStringLiteral("ADOQuery2"), &c);
        q.setCommandText(QStringLiteral("Update tqmaster set sts = true"));
        QCOMPARE(errorOf([&] { q.execute(); }),
                 QStringLiteral("ADOQuery2: \"%1\" veritabanı dosyası salt okunur; değişiklikler kaydedilemez. "
                                "Hiçbir şey değiştirilmedi.")
                     .arg(db.path()));
        RecordSet tgrp(QStringLiteral("tgrp"), &c);
        tgrp.setTableName(QStringLiteral("tqgroup"));
        tgrp.open();  // reading still works
        tgrp.append();
        QVERIFY(errorOf([&] { tgrp.post(); }).contains(QStringLiteral("salt okunur")));
        QCOMPARE(tgrp.state(), RecordState::Insert);
    }

    // Another program holding the write lock: we wait a little, then say so.
    void lockedByAnotherWriter() {
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('A')"));
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(db.path().toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

        RecordSet rs(QStringLiteral("tgrp"), &db.connection());
        rs.setTableName(QStringLiteral("tqgroup"));
        QCOMPARE(errorOf([&] { rs.open(); }),
                 QStringLiteral("tgrp: \"%1\" veritabanı dosyası başka bir program tarafından kilitli. Biraz sonra yeniden "
                                "deneyin. Hiçbir şey değiştirilmedi.")
                     .arg(db.path()));
        Connection second;
        second.setConnectionString(connectionString(db.path()));
        second.setBusyTimeout(100);
        QVERIFY(errorOf([&] { second.open(); }).contains(QStringLiteral("başka bir program tarafından kilitli")));

        QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        rs.open();
        QCOMPARE(rs.recordCount(), 1);
    }

    // What a file is, said at open: not a question bank, or readable but not
    // writable and why, or not even readable and exactly why.
    void openingTellsWhatTheFileIs_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("refusal");  // %1 the file, %2 its folder; empty: it opens for reading
        QTest::addColumn<QString>("changeRefusal");
        QTest::newRow("empty file") << "empty"
                                    << "\"%1\" dosyası boş ya da bir soru bankası değil."
                                    << "";
        QTest::newRow("another program's database") << "other"
                                                    << "\"%1\" dosyası boş ya da bir soru bankası değil."
                                                    << "";
        QTest::newRow("view missing") << "noview"
                                      << "\"%1\" dosyası bir soru bankası değil ya da eksik: Questions bulunamadı."
                                      << "";
        QTest::newRow("read-only with another program's unfinished change")
            << "hotjournal"
            << "\"%1\" veritabanı dosyası salt okunur ve içinde başka bir programın yarım kalmış bir değişikliği var "
               "(\"%1-journal\" günlük dosyası). Salt okunur dosyada bu değişiklik geri alınamadığından dosya okunamıyor. "
               "Dosyayı yazılabilir yapıp yeniden açın: yarım değişiklik geri alınır, başka hiçbir şey kaybolmaz."
            << "";
        QTest::newRow("read-only file in WAL mode") << "walfile"
                                                    << ""
                                                    << "\"%1\" veritabanı dosyası salt okunur; değişiklikler kaydedilemez.";
        QTest::newRow("WAL file in a read-only folder")
            << "walfolder"
            << "\"%1\" veritabanı dosyası WAL günlük kipinde ve salt okunur; onu okumak için bile yanındaki \"%1-shm\" "
               "paylaşılan bellek dosyasının oluşturulabilmesi ya da yazılabilmesi gerekir. Dosyayı ve klasörünü yazılabilir "
               "yapın."
            << "";
        QTest::newRow("writable file in a read-only folder")
            << "folder"
            << ""
            << "\"%1\" veritabanı dosyasının bulunduğu \"%2\" klasörüne yazılamıyor; değişiklikler kaydedilemez "
               "(değişiklik sırasında dosyanın yanına bir günlük dosyası yazılması gerekir).";
    }
    void openingTellsWhatTheFileIs() {
        QFETCH(QString, kind);
        QFETCH(QString, refusal);
        QFETCH(QString, changeRefusal);
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/Banka");
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + QStringLiteral("/Quorvel.mdb");
        if (kind == QLatin1String("empty")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (kind == QLatin1String("other")) {
            run(path, "CREATE TABLE orders (id INTEGER)");
        } else if (kind == QLatin1String("hotjournal")) {
            createDatabase(dir.path() + QStringLiteral("/source.mdb"));
            copyInMidChange(dir.path() + QStringLiteral("/source.mdb"), path);
        } else {
            createDatabase(path);
            run(path, "INSERT INTO tqgroup (GROUPNAME) VALUES ('A')");
        }
        if (kind == QLatin1String("noview")) run(path, "DROP VIEW Questions");
        if (kind.startsWith(QLatin1String("wal"))) run(path, "PRAGMA journal_mode = WAL");
        if (kind == QLatin1String("hotjournal") || kind == QLatin1String("walfile"))
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        const auto folderRights = QFile::permissions(folder);
        if (kind == QLatin1String("walfolder") || kind == QLatin1String("folder"))
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const auto restore = qScopeGuard([&] { QFile::setPermissions(folder, folderRights); });

        Connection c;
        c.setConnectionString(connectionString(path));
        if (!refusal.isEmpty()) {
            QCOMPARE(errorOf([&] { c.open(); }), refusal.arg(path, folder));
            QVERIFY(!c.connected());
            return;
        }
        c.open();
        QVERIFY(c.readOnly());
        RecordSet tgrp(QStringLiteral("tgrp"), &c);
        tgrp.setTableName(QStringLiteral("tqgroup"));
        tgrp.open();
        QCOMPARE(tgrp.field(QStringLiteral("GROUPNAME")).asString(), QStringLiteral("A"));
        RecordSet change(QStringLiteral("ADOQuery2"), &c);
        change.setCommandText(QStringLiteral("Update tqmaster set sts = true"));
        QCOMPARE(errorOf([&] { change.execute(); }),
                 QStringLiteral("ADOQuery2: ") + changeRefusal.arg(path, folder) + QStringLiteral(" Hiçbir şey değiştirilmedi."));
    }

    // The rollback journal with full syncs is chosen at open, also for a file
    // that another program left in WAL mode; while the web site holds the
    // file open in WAL mode both go on in WAL, and changes still work.
    void journalModeIsChosenAtOpen() {
        TempDb db;
        db.connection().close();
        run(db.path(), "PRAGMA journal_mode = WAL");
        QCOMPARE(headerBytes(db.path()), QByteArray("\x02\x02"));

        sqlite3* web = nullptr;
        QCOMPARE(sqlite3_open_v2(db.path().toUtf8().constData(), &web, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(web, "SELECT count(*) FROM tqgroup", nullptr, nullptr, nullptr), SQLITE_OK);
        db.connection().open();
        QCOMPARE(db.connection().journalMode(), QStringLiteral("wal"));
        RecordSet q(QStringLiteral("ADOQuery2"), &db.connection());
        q.setCommandText(QStringLiteral("Update tqmaster set sts = true"));
        q.execute();
        db.connection().close();
        sqlite3_close(web);

        db.connection().open();
        QCOMPARE(db.connection().journalMode(), QStringLiteral("delete"));
        QCOMPARE(headerBytes(db.path()), QByteArray("\x01\x01"));
        sqlite3_stmt* st = nullptr;
        QCOMPARE(sqlite3_prepare_v2(storage::sqlite::handleOf(db.connection()), "PRAGMA synchronous", -1, &st, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(st, 0), 2);  // FULL
        sqlite3_finalize(st);
    }

    // A statement that waits for another program's lock says when it starts
    // and stops waiting, whether it then gets the lock or gives up.
    void lockWaitIsAnnounced_data() {
        QTest::addColumn<bool>("released");
        QTest::newRow("lock released while waiting") << true;
        QTest::newRow("lock held past the timeout") << false;
    }
    void lockWaitIsAnnounced() {
        QFETCH(bool, released);
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('A')"));
        QList<bool> events;
        db.connection().setLockWaitNotifier([&](bool waiting) { events << waiting; });
        db.connection().setBusyTimeout(released ? 5000 : 150);
        RecordSet q(QStringLiteral("ADOQuery2"), &db.connection());
        q.setCommandText(QStringLiteral("Update tqgroup set GROUPNAME = 'B'"));
        q.execute();
        QCOMPARE(events, QList<bool>());  // no wait, no word

        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(db.path().toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread release;
        if (released)
            release = std::thread([other] {
                sqlite3_sleep(200);
                sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            });
        q.setCommandText(QStringLiteral("Update tqgroup set GROUPNAME = 'C'"));
        const QString message = errorOf([&] { q.execute(); });
        if (release.joinable()) release.join();
        sqlite3_close(other);
        QCOMPARE(events, (QList<bool>{true, false}));
        if (released) {
            QCOMPARE(message, QStringLiteral("<no error>"));
            QCOMPARE(db.text(QStringLiteral("select GROUPNAME from tqgroup")), QStringLiteral("C"));
        } else {
            QVERIFY2(message.contains(QStringLiteral("başka bir program tarafından kilitli")), qPrintable(message));
        }
    }

    void closingConnectionClosesRecordSets() {
        TempDb db;
        RecordSet rs(QStringLiteral("tgrp"), &db.connection());
        rs.setTableName(QStringLiteral("tqgroup"));
        rs.open();
        db.connection().close();
        QVERIFY(!rs.active());
        QCOMPARE(errorOf([&] { rs.recordCount(); }), QStringLiteral("tgrp: Cannot perform this operation on a closed dataset"));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
