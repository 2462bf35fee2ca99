#pragma once

#include "storage/fields.h"
#include "storage/rowstore.h"

#include <QString>
#include <QVariant>

#include <span>
#include <vector>

namespace storage {

class Connection;
class Statement;

// An identifier in double quotes, its own quotes doubled.
QString quoted(const QString& identifier);

// The query a record set opens on a table: every row, or with a detail field
// only the rows whose detail field equals parameter 1.
QString selectText(const QString& table, const QString& detailField);

// Writes the changes of a record set's rows to the one table they were read
// from. Rows are raw values (see RowStore), one for each field. Updates and
// deletes are optimistic: the row must still hold every value it was read
// with, or nothing changes and they say so. Every failure is named after the
// owner: "tgrp: ...".
class StatementWriter {
public:
    // The fields are the record set's own and must outlive the writer.
    StatementWriter(const Connection& connection, QString owner, QString table, const std::vector<FieldDef>& fields);

    // Writes the fields that are not read-only; returns the new row's rowid.
    qint64 insert(const std::vector<QVariant>& row);
    // Writes the changed fields of updated (the others are not looked at) to
    // the row that still holds original, the row's values as stored (see
    // RowStore::views), which are bound as they are. False when no row holds
    // it any more: nothing was written.
    [[nodiscard]] bool update(std::span<const RawView> original, const std::vector<QVariant>& updated,
                              const std::vector<bool>& changed);
    // False when no row holds original any more: nothing was deleted.
    [[nodiscard]] bool remove(std::span<const RawView> original);
    // The indexes of the fields that tell a row of the table apart from every
    // other: its auto-number, else the columns of a unique index that the
    // fields hold all of; empty when there is none.
    std::vector<int> identityFields() const;

private:
    QString whereRowMatches(int firstParameter) const;
    // Throws unless original holds a value for every field.
    void requireWholeRow(const Statement& st, std::span<const RawView> original) const;

    const Connection& connection_;
    QString owner_;
    QString table_;
    const std::vector<FieldDef>& fields_;
    // Statement texts already built: a writer lives as long as the fields
    // it was made for, and posts repeat the same few texts.
    QString insertText_, removeText_;
    std::vector<std::pair<std::vector<bool>, QString>> updateTexts_;
};

}  // namespace storage
