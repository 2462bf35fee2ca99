#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/recordset.h"
#include "tests/support/error_of.h"
#include "tests/support/temp_db.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

using namespace storage;

namespace {

QString fixture(const QString& name) { return qEnvironmentVariable("QUORVEL_FIXTURES") + u'/' + name; }
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
        QVERIFY2(message.contains(QLatin1String("connection string cannot be used")), qPrintable(message));
        QVERIFY(!c.connected());
    }

    void badFilesFailClearly_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing"
                                 << "does not exist";
        QTest::newRow("old access file") << "access"
                                         << "is not a database file of this program";
        QTest::newRow("garbage") << "garbage"
                                 << "is not a database file of this program";
        QTest::newRow("empty name") << "noname"
                                    << "names no database file";
    }
    void badFilesFailClearly() {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QString path = dir.path() + QStringLiteral("/Quorvel.mdb");
        if (kind == QLatin1String("access")) QVERIFY(QFile::copy(fixture(QStringLiteral("legacy-no-questions-jet4.mdb")), path));
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
                 QStringLiteral("ADOQuery2: The database file \"%1\" is read-only; nothing was changed").arg(db.path()));
        RecordSet tgrp(QStringLiteral("tgrp"), &c);
        tgrp.setTableName(QStringLiteral("tqgroup"));
        tgrp.open();  // reading still works
        tgrp.append();
        QVERIFY(errorOf([&] { tgrp.post(); }).contains(QLatin1String("read-only")));
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
        QVERIFY(errorOf([&] { rs.open(); }).startsWith(QLatin1String("tgrp: The database file")));
        Connection second;
        second.setConnectionString(connectionString(db.path()));
        second.setBusyTimeout(100);
        QVERIFY(errorOf([&] { second.open(); }).contains(QLatin1String("locked by another program")));

        QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        rs.open();
        QCOMPARE(rs.recordCount(), 1);
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
