#pragma once

#include "storage/driver.h"
#include "storage/fields.h"
#include "storage/rowstore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace storage {

class Connection;
class RecordSet;
class StatementWriter;

enum class RecordState { Inactive, Browse, Edit, Insert };

// A handle on one field of a record set's current row.
class Field {
public:
    Field(RecordSet* rs, int index) : rs_(rs), index_(index) {}
    const FieldDef& def() const;
    int index() const { return index_; }
    QVariant value() const;
    // The value as the file holds it (see RecordSet::storedValue).
    QVariant storedValue() const;
    bool isNull() const;
    QString asString() const;  // null reads ""
    // The value as a key for a statement: a whole number, or a Turkish error
    // naming the record set and the field (see keyOf). It is read from the
    // value as stored, so that bytes or text of digits in a field of any kind
    // are never taken for a number. Every number that completes a statement,
    // and every number read back from the file, is read with this: fields
    // offer no looser integer read.
    qint64 asKey() const;
    // The same for the key of a row that may not be posted yet: null reads
    // whenNull (a number no row has), anything else as asKey.
    qint64 asKeyOr(qint64 whenNull) const { return isNull() ? whenNull : asKey(); }
    bool asBoolean() const;  // null reads false
    // The text a grid shows: booleans "True"/"False", numbers in decimal.
    QString displayText() const { return asString(); }
    void setValue(const QVariant& value) const;
    void setAsString(const QString& text) const;
    void setAsInteger(qint64 value) const;
    void setAsBoolean(bool value) const;
    void clear() const;

private:
    RecordSet* rs_;
    int index_;
};

// A static, client-side record set: its rows are fixed when it opens, one row
// is current, and changes go to the file row by row as they are posted. A
// plain ordered read of one table ("SELECT * FROM t WHERE ... ORDER BY k")
// counts its rows at open and reads their ids and keys in blocks from either
// end, and each row's values a page at a time, when first reached, then keeps
// them (what another program changes meanwhile: see RowStore); every other
// query reads all its rows at open. A value is "as read" from the moment its
// page was read; a row that was gone from the file by then reads all null,
// and editing or deleting it fails as a conflict does: the list is read again
// and the row leaves it.
//
// Rules every caller relies on:
// - moving, appending, inserting, locating and refreshing first post a changed
//   current row (the before-post hook runs and may refuse, which stops the
//   operation) and drop a new row that has no changes;
// - edit on a row in edit or insert state does nothing; on an empty set it
//   starts a new row;
// - delete on a never-posted row cancels it; on an empty set it fails;
// - close drops unsaved changes; open runs the query again and stands on the
//   first row; refresh rereads the rows and keeps the position;
// - a text longer than its field is cut to the field's size;
// - every error names the record set: "tgrp: ...".
// Updates and deletes are optimistic: the row must still hold the values it
// was read with, or nothing is changed and the operation fails. After such a
// conflict the row is read again from the file: on cancel for an update (the
// pending change stays on screen until then), at once for a delete. A row
// the other program deleted leaves the list.
class RecordSet : public QObject {
    Q_OBJECT
public:
    RecordSet(QString name, Connection* connection, QObject* parent = nullptr);
    ~RecordSet() override;

    const QString& name() const { return name_; }
    Connection* connection() const { return connection_; }

    // --- what to open -----------------------------------------------------
    // A table or view by name, optionally sorted on a field and restricted to
    // the rows whose detailField equals the master's current masterField.
    void setTableName(const QString& table);
    void setSort(const QString& field);
    void setMaster(RecordSet* master, const QString& masterField, const QString& detailField);
    // A query text; replaces a table name. Setting it closes the record set.
    void setCommandText(const QString& sql);
    const QString& commandText() const { return commandText_; }
    const QString& tableName() const { return tableName_; }

    void open();
    void close();
    bool active() const { return state_ != RecordState::Inactive; }
    // Executes the command text as a change statement; returns the rows changed.
    int execute();

    // --- navigation -------------------------------------------------------
    int recordCount() const;
    int recNo() const;  // 1-based; 0 when empty
    void setRecNo(int recNo);
    bool isEmpty() const { return recordCount() == 0; }
    bool eof() const;
    bool bof() const;
    void first();
    void prior();
    void next();
    void last();
    void moveBy(int distance);
    bool locate(const QString& field, const QVariant& value, Qt::CaseSensitivity cs = Qt::CaseSensitive);

    // --- editing ----------------------------------------------------------
    RecordState state() const { return state_; }
    bool modified() const { return modified_; }
    bool canModify() const;
    void append();
    void insert();
    void edit();
    void post();
    void cancel();
    void remove();
    void refresh();
    // Runs change, which exchanges in the file the ordering keys of the rows
    // at row and row + 1 (0-based) and answers whether that is all it
    // changed, then shows the rows as refresh would. When nothing else
    // changed the file since the rows were read (no other program, no other
    // change of this one), the two rows only change places, each place
    // keeping its key; otherwise the rows are read again. A change that
    // throws leaves the rows as they were.
    void exchangeWithNext(int row, const std::function<bool()>& change);
    // Posts a changed row, drops an unchanged new one.
    void checkBrowseMode();

    // --- fields -----------------------------------------------------------
    int fieldCount() const { return int(fields_.size()); }
    const FieldDef& fieldDef(int index) const { return fields_.at(size_t(index)); }
    int fieldIndex(const QString& name) const;  // ignoring case; -1 when absent
    Field field(const QString& name);           // throws when absent
    Field field(int index) { return Field(this, index); }
    // The current row's value (its pending value while editing).
    QVariant value(int field) const;
    // The same as the file holds it, before it is read as its field's kind
    // (null, qint64, double, QString, QByteArray or ForeignText); a pending
    // value as the field's kind.
    QVariant storedValue(int field) const;
    void setValue(int field, const QVariant& value);
    // Any row's value, for views that draw many rows; row is 0-based. The
    // current row shows its pending values. Never throws; an invalid QVariant
    // is null or out of range.
    QVariant rowValue(int row, int field) const;
    int currentRow() const { return current_; }
    // Whether the current row was gone from the file when its values were
    // read (reading them first when they were not): every field reads null.
    bool currentRowGone() const;
    // Whether a row (0-based) is the new row that is not yet posted.
    bool isNewRow(int row) const { return state_ == RecordState::Insert && row == current_; }

    // --- controls that hold pending input ---------------------------------
    // Before a post or a move every writer puts its control's pending input
    // into the fields, synchronously: a writer that throws stops the operation,
    // which fails with that error. A writer goes when its owner is destroyed.
    void addInputWriter(QObject* owner, std::function<void()> write);
    void removeInputWriters(const QObject* owner);

    // --- views and controls held back -------------------------------------
    // Holds back the signals below while a command changes many rows one
    // after the other (an import): every view and control would otherwise
    // follow each row. Hooks, details and input writers work as usual. When
    // the last hold ends and anything was held back, one reset and one
    // stateChanged go out and everyone catches up at once. While held, a
    // control may still show an earlier row: what it is asked about the
    // current row it reads from the fields.
    class ControlsHold {
    public:
        explicit ControlsHold(RecordSet& recordSet);
        ~ControlsHold();
        ControlsHold(const ControlsHold&) = delete;
        ControlsHold& operator=(const ControlsHold&) = delete;

    private:
        QPointer<RecordSet> recordSet_;
    };
    bool controlsHeld() const { return holds_ > 0; }

    // --- hooks, run synchronously; a throw stops the operation --------------
    std::function<void(RecordSet&)> beforePost;
    std::function<void(RecordSet&)> afterPost;
    std::function<void(RecordSet&)> afterOpen;
    std::function<void(RecordSet&)> afterScroll;

signals:
    // Rows were read anew, or the set opened or closed: everything changed.
    void reset();
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentChanged(int oldRow, int newRow);
    void stateChanged();

private:
    friend class Connection;

    [[noreturn]] void fail(const QString& message) const;
    void requireConnection() const;
    void requireActive() const;
    void requireEditing() const;
    void readRows();
    void moveTo(int row);
    void setState(RecordState state);
    void startNewRow(bool atEnd);
    void dropCurrentRow();
    // Tells that a new row came or the current row went, with the state.
    void currentRowReplaced(int oldRow);
    void clearBuffer();
    void backToBrowse();
    // Reads the rows again and stands on the row that was current, found by
    // its identity (auto-number or unique key) as the store still holds it,
    // after a conflict; without findRow (the row was gone when read) stays
    // at its place.
    void rereadAfterConflict(bool findRow = true);
    [[noreturn]] void failConflict(bool deleting);
    [[noreturn]] void failGone();
    void fireAfterScroll();
    // Whether a signal for views may go out now; while held, notes that one was held back.
    bool tells();
    // A detail follows its master synchronously, before the master's own
    // signals go out, so that a failure to follow reaches whoever moved it.
    void notifyDetails();
    void masterMoved();
    void writePendingInput();
    QVariant masterKey() const;
    // Whether the current row's field reads from the buffer: every field of
    // a new row, the changed fields of an edited one (the others read from
    // the store, which holds the row as read until it is posted).
    bool pending(int field) const;
    // The pending values as the raw values they are written as; null for a
    // field that is not pending.
    std::vector<QVariant> rawBuffer() const;
    // The writer of the rows as read, made at the first change after a read.
    StatementWriter& writer();

    QString name_;
    Connection* connection_;
    QString tableName_;
    QString commandText_;
    QString sortField_;
    RecordSet* master_ = nullptr;
    std::vector<RecordSet*> details_;
    struct InputWriter {
        QPointer<QObject> owner;
        std::function<void()> write;
    };
    std::vector<InputWriter> inputWriters_;
    QString masterField_;
    QString detailField_;
    QVariant appliedMasterKey_;
    bool masterKeyApplied_ = false;

    std::vector<FieldDef> fields_;
    QString updateTable_;  // empty: the set cannot be changed
    RowStore rows_;        // a blank row: the new row, not yet posted
    std::unique_ptr<StatementWriter> writer_;

    RecordState state_ = RecordState::Inactive;
    int current_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    bool modified_ = false;
    bool conflict_ = false;         // the current row as read is stale in the file
    std::vector<QVariant> buffer_;  // pending field values (see pending)
    std::vector<bool> changed_;
    // Where the file stood when the rows were read (see KnownCounts::mark):
    // while it still stands there, the rows as read are the file's.
    driver::Mark readMark_;
    int holds_ = 0;          // ControlsHold
    bool heldBack_ = false;  // a signal was held back
};

}  // namespace storage
