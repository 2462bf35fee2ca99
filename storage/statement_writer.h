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

    // Writes the fields that are not read-only; returns the key the database
    // gave the new row (its row locator).
    qint64 insert(const std::vector<QVariant>& row);
    // Writes the changed fields of updated (the others are not looked at) to
    // the row that still holds original, the row's values as stored (see
    // RowStore::views), which are bound as they are. False when no row holds
    // it any more: nothing was written. rowid, when not 0, is the id the row
    // was read at (RowStore::id): that row is tried first, any other that
    // holds original only when it does not.
    [[nodiscard]] bool update(std::span<const RawView> original, const std::vector<QVariant>& updated,
                              const std::vector<bool>& changed, qint64 rowid = 0);
    // False when no row holds original any more: nothing was deleted.
    [[nodiscard]] bool remove(std::span<const RawView> original, qint64 rowid = 0);
    // The indexes of the fields that tell a row of the table apart from every
    // other: its auto-number, else the columns of a unique index that the
    // fields hold all of; empty when there is none.
    std::vector<int> identityFields() const;

private:
    // The row that holds the values bound from firstParameter on; byId: the
    // row whose id is bound after them, if it holds them.
    QString whereRowMatches(int firstParameter, bool byId) const;
    // Runs an update or delete of text that binds leading, then original and,
    // byId, rowid; whether it changed a row.
    bool change(const QString& text, const std::vector<QVariant>* leading, const std::vector<bool>* changed,
                std::span<const RawView> original, qint64 rowid) const;

    const Connection& connection_;
    QString owner_;
    QString table_;
    const std::vector<FieldDef>& fields_;
    // Statement texts already built: a writer lives as long as the fields
    // it was made for, and posts repeat the same few texts.
    struct ChangeTexts {
        QString byValues, byId;
    };
    QString insertText_;
    ChangeTexts removeTexts_;
    std::vector<std::pair<std::vector<bool>, ChangeTexts>> updateTexts_;
};

}  // namespace storage
