#include "tests/support/temp_db.h"

#include "tests/support/test_drivers.h"

TempDb::TempDb() {
    path_ = dir_.path() + QStringLiteral("/Quorvel.mdb");
    connectionString_ = testDriver().createBank(path_);
    connection_ = std::make_unique<storage::Connection>();
    connection_->setConnectionString(connectionString_);
    connection_->setBusyTimeout(200);
    connection_->open();
}

void TempDb::exec(const QString& sql) const { testDriver().exec(connectionString_, sql); }

qint64 TempDb::scalar(const QString& sql) const { return text(sql).toLongLong(); }

QString TempDb::text(const QString& sql) const { return testDriver().text(connectionString_, sql); }
