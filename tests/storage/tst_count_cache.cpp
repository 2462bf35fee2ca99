#include "storage/count_cache.h"
#include "storage/recordset.h"
#include "storage/statements.h"
#include "tests/support/temp_db.h"

#include <QTest>

using namespace storage;

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
};

QTEST_GUILESS_MAIN(TestCountCache)
#include "tst_count_cache.moc"
