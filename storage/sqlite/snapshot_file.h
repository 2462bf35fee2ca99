#pragma once

#include "storage/access_file.h"
#include "storage/access_snapshot.h"
#include "storage/sqlite/file_db.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace storage::sqlite {

// The SQLite copy of tables read from an Access file, written in one go by
// the process that reads the file: each table keeps its columns in order with
// the declared type of their kind (the first auto-number becomes the table's
// own), and a summary table records what was read of each. Written without a
// journal: a copy that fails half-way is thrown away.
class SnapshotWriter {
public:
    // Creates the file; throws with a Turkish text when it cannot.
    explicit SnapshotWriter(const QString& path);
    // Creates a table; its rows follow through addRow.
    void beginTable(const QString& name, const std::vector<access::Column>& columns);
    // False when the row could not be written (lastError says why).
    bool addRow(const std::vector<QVariant>& values);
    QString lastError() const { return db_.lastError(); }
    // Notes a table as read in the summary.
    void endTable(const access::TableSummary& summary);
    void commit();

private:
    FileDb db_;
    std::unique_ptr<FileDb::Repeated> insert_;
};

// The summary of a snapshot, its tables in the order they were written.
std::vector<access::TableSummary> readSnapshotSummary(const QString& path);

// A new bank file filled from a snapshot, table by table, in one transaction.
class BankFromSnapshot {
public:
    // Opens the bank file and the snapshot beside it; throws with a Turkish
    // text when either cannot be opened.
    BankFromSnapshot(const QString& bankPath, const QString& snapshotPath);
    // The bank table's column names, in order.
    QStringList columns(const QString& table) const { return bank_.columns(table); }
    void begin() { bank_.exec(QStringLiteral("BEGIN")); }
    // Copies every row of the snapshot's table into the bank's table of the
    // same name, column by column; throws with the engine's text.
    void copy(const QString& table, const QStringList& bankColumns, const QStringList& snapshotColumns);
    // Commits and lets the snapshot go.
    void commit();
    // The checksum and row count of the bank table's columns (see access::Checksum).
    QByteArray checksum(const QString& table, const QStringList& columns, qint64* rows) const;
    // How many bank questions are stored as rich text.
    qint64 richTextQuestions() const;

private:
    FileDb bank_;
};

}  // namespace storage::sqlite
