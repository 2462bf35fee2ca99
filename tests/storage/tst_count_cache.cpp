#include "storage/count_cache.h"
#include "storage/recordset.h"
#include "storage/sqlite/sqlite_database.h"
#include "storage/statements.h"
#include "storage/transaction.h"
#include "tests/support/temp_db.h"

#include <QTest>

#include <sqlite3.h>

#include <utility>

using namespace storage;

namespace {

// How many statements counting questions a connection runs.
class CountLog {
public:
    explicit CountLog(Connection& connection) : db_(storage::sqlite::handleOf(connection)) {
        sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, &CountLog::onStatement, this);
    }
    ~CountLog() { sqlite3_trace_v2(db_, 0, nullptr, nullptr); }
    CountLog(const CountLog&) = delete;
    CountLog& operator=(const CountLog&) = delete;
    int take() { return std::exchange(counts_, 0); }

private:
    static int onStatement(unsigned, void* self, void*, void* text) {
        const QByteArray statement = QByteArray(static_cast<const char*>(text)).toLower();
        if (statement.contains("count(") && statement.contains("tqmaster")) ++static_cast<CountLog*>(self)->counts_;
        return 0;
    }
    sqlite3* db_;
    int counts_ = 0;
};

}  // namespace

// A kept count must follow every change: another program's commit, a change
// through this connection, and another statement.
class TestCountCache : public QObject {
    Q_OBJECT
private slots:
    void followsEveryChange() {
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO tqmaster (rid, qgrp) VALUES (1, 1), (2, 1), (3, 2)"));
        RecordSet query(QStringLiteral("rcxxx"), &db.connection());
        RecordSet change(QStringLiteral("ADOQuery2"), &db.connection());
        CountCache cache;
        const auto count = [&](qint64 group) {
            return cache.count(query, sql::groupQuestionCount(group), QStringLiteral("RCX"));
        };
        QCOMPARE(count(1), qint64(2));
        QCOMPARE(count(1), qint64(2));
        QCOMPARE(query.commandText(), sql::groupQuestionCount(1));                  // the text as the catalogue gives it
        db.exec(QStringLiteral("INSERT INTO tqmaster (rid, qgrp) VALUES (4, 1)"));  // another program
        QCOMPARE(count(1), qint64(3));
        sql::executeChange(change, sql::moveQuestionToGroup(2, 4));  // this connection
        QCOMPARE(count(1), qint64(2));
        QCOMPARE(count(2), qint64(2));
        QVERIFY(!query.active());
    }

    // The caption's count of a group and the entry set's open of it are one
    // figure while the file is unchanged, whichever comes first; a commit by
    // another program, a change through this connection and a transaction
    // left open each have the figure counted again.
    void sharedWithTheEntrySet() {
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO tqmaster (rid, qgrp) VALUES (1, 1), (2, 1), (3, 2)"));
        RecordSet query(QStringLiteral("rcxxx"), &db.connection());
        RecordSet entries(QStringLiteral("ADOTable1"), &db.connection());
        RecordSet change(QStringLiteral("ADOQuery2"), &db.connection());
        CountCache cache;
        CountLog counted(db.connection());
        const auto caption = [&] { return cache.count(query, sql::groupQuestionCount(1), QStringLiteral("RCX")); };
        const auto open = [&] {
            entries.close();
            entries.setCommandText(sql::questionsOfGroup(1));
            entries.open();
            return qint64(entries.recordCount());
        };

        QCOMPARE(caption(), qint64(2));
        QVERIFY(counted.take() > 0);
        QCOMPARE(open(), qint64(2));
        QCOMPARE(counted.take(), 0);

        db.exec(QStringLiteral("INSERT INTO tqmaster (rid, qgrp) VALUES (4, 1)"));  // another program
        QCOMPARE(open(), qint64(3));
        QVERIFY(counted.take() > 0);
        QCOMPARE(caption(), qint64(3));
        QCOMPARE(counted.take(), 0);

        sql::executeChange(change, sql::moveQuestionToGroup(2, 4));  // this connection
        QCOMPARE(caption(), qint64(2));
        QVERIFY(counted.take() > 0);
        QCOMPARE(open(), qint64(2));
        QCOMPARE(counted.take(), 0);

        {
            // Inside a transaction a figure may include rows a rollback takes back.
            Transaction unit(db.connection());
            sql::executeChange(change, sql::moveQuestionToGroup(1, 4));
            QCOMPARE(open(), qint64(3));
            QVERIFY(counted.take() > 0);
            QCOMPARE(caption(), qint64(3));
            QVERIFY(counted.take() > 0);
        }
        QCOMPARE(caption(), qint64(2));
        QVERIFY(counted.take() > 0);
        QCOMPARE(open(), qint64(2));
        QCOMPARE(counted.take(), 0);
        entries.close();
    }
};

QTEST_GUILESS_MAIN(TestCountCache)
#include "tst_count_cache.moc"
