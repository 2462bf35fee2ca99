#pragma once

#include "storage/driver.h"
#include "storage/fields.h"
#include "storage/rowstore.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

namespace storage {

class Connection;

// What a query read: its fields, the one table its rows can be written back
// to (empty when they cannot), and its rows as raw values.
struct QueryResult {
    std::vector<FieldDef> fields;
    QString updateTable;
    RowStore rows;
};

// One prepared statement; when it goes, the connection keeps it for the next
// statement of the same text (see Connection::keepPrepared). Every failure throws an
// error named after its owner, the record set that runs it: "tgrp: ...",
// with the connection's text for the result code.
class Statement {
public:
    // Prepares the text on an open connection, or throws.
    Statement(const Connection& connection, QString owner, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Whether the text held no statement at all (only spaces or comments).
    bool empty() const { return prepared_->empty(); }

    // Binds a raw value (see RowStore) to a parameter, 1-based.
    void bind(int index, const QVariant& raw);
    // Binds a stored value as it is, without copying: its bytes (text bound
    // as the bytes stored, UTF-8 or not) must stay where they are until the
    // statement goes.
    void bind(int index, const RawView& stored);
    // The same for stored values bound from parameter first on, in one call.
    void bind(int first, std::span<const RawView> stored) { prepared_->bind(first, stored); }
    // Steps until the statement is done; throws when it fails.
    void run();
    // Rows changed by the last change statement on the connection.
    int changes() const;
    // The key the database gave the row the last insert on the connection added.
    qint64 lastInsertRowid() const;
    // Steps through every row, reading the fields and the rows.
    QueryResult readAll();
    // The fields and the table without stepping; *typed says whether every
    // column has a declared type (else a kind is known only from values).
    QueryResult describe(bool* typed) const;
    // Steps to the next row and views its values, valid until the next step
    // or reset; false when there are no more rows.
    bool readRow(std::span<RawView> row) {
        try {
            return prepared_->readRow(row);
        } catch (const driver::Failure& f) {
            failWith(f);
        }
    }
    // Makes the statement ready to run again, keeping its bindings.
    void reset();

    // Throws the owner's named error with a message, or with the
    // connection's text for a driver's failure.
    [[noreturn]] void fail(const QString& message) const;
    [[noreturn]] void failWith(const driver::Failure& failure) const;

private:
    static std::vector<FieldDef> readFields(const std::vector<driver::Column>& columns, QString* updateTable, bool* typed);

    const Connection& connection_;
    QString owner_;
    QByteArray text_;
    std::unique_ptr<driver::Prepared> prepared_;
    std::uint64_t open_ = 0;  // the connection's open the statement belongs to
    // Text and blobs bound, held until the statement goes (its bindings are
    // cleared before these are), so that the driver need not copy them.
    std::vector<QByteArray> bound_;
};

}  // namespace storage
