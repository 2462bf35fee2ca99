#pragma once

#include "storage/connection.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh database from the program's schema (a file in a folder of its own
// with the driver under test, see test_drivers.h), with a connection open on
// it. Seed it with SQL; the statements run through a second link, as another
// program would.
class TempDb {
public:
    TempDb();
    QString folder() const { return dir_.path() + QLatin1Char('/'); }
    QString path() const { return path_; }
    storage::Connection& connection() { return *connection_; }
    const QString& connectionString() const { return connectionString_; }
    // Runs SQL on the file through a separate handle (like another program).
    void exec(const QString& sql) const;
    // One integer from a query run through a separate handle.
    qint64 scalar(const QString& sql) const;
    // A text result from a separate handle ("" for null).
    QString text(const QString& sql) const;

private:
    QTemporaryDir dir_;
    QString path_;
    QString connectionString_;
    std::unique_ptr<storage::Connection> connection_;
};
