#include "storage/statement.h"

#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/legacy_text.h"
#include "storage/transaction.h"

#include <QByteArray>

namespace storage {

Statement::Statement(const Connection& connection, QString owner, const QString& sql)
    : connection_(connection), owner_(std::move(owner)), text_(sql.toUtf8()) {
    driver::Database& db = connection_.database();
    open_ = connection_.openCount();
    prepared_ = connection_.takePrepared(text_);
    if (prepared_) return;
    try {
        prepared_ = db.prepare(text_);
    } catch (const driver::Failure& f) {
        failWith(f);
    }
}

Statement::~Statement() { connection_.keepPrepared(std::move(text_), std::move(prepared_), open_); }

void Statement::fail(const QString& message) const { throw Error(owner_ + QStringLiteral(": ") + message); }

void Statement::failWith(const driver::Failure& failure) const { connection_.fail(owner_, failure); }

void Statement::bind(int index, const QVariant& raw) {
    const auto bindBytes = [&](QByteArray bytes, bool text) {
        RawView v{.tag = text ? RawView::Tag::Text : RawView::Tag::Blob, .bytes = bytes.constData()};
        v.size = std::uint32_t(bytes.size());
        bound_.push_back(std::move(bytes));
        prepared_->bind(index, v);
    };
    if (!raw.isValid() || raw.isNull()) {
        prepared_->bind(index, RawView{});
        return;
    }
    if (isForeignText(raw)) {
        // The bytes as read, not UTF-8: the row is found by what it holds.
        bindBytes(raw.value<ForeignText>().bytes, true);
        return;
    }
    switch (raw.typeId()) {
        case QMetaType::LongLong:
            prepared_->bind(index, RawView{.tag = RawView::Tag::Int, .integer = *static_cast<const qint64*>(raw.constData())});
            break;
        case QMetaType::QString:
            bindBytes(static_cast<const QString*>(raw.constData())->toUtf8(), true);
            break;
        case QMetaType::Double:
            prepared_->bind(index, RawView{.tag = RawView::Tag::Real, .real = raw.toDouble()});
            break;
        case QMetaType::QByteArray:
            bindBytes(raw.toByteArray(), false);
            break;
        default:
            prepared_->bind(index, RawView{.tag = RawView::Tag::Int, .integer = raw.toLongLong()});
            break;
    }
}

void Statement::bind(int index, const RawView& stored) { prepared_->bind(index, stored); }

void Statement::run() {
    commitOpenBatch(connection_);
    try {
        prepared_->run();
    } catch (const driver::Failure& f) {
        failWith(f);
    }
}

int Statement::changes() const { return int(connection_.database().changes()); }

qint64 Statement::lastInsertRowid() const { return connection_.database().insertedKey(); }

std::vector<FieldDef> Statement::readFields(const std::vector<driver::Column>& columns, QString* updateTable, bool* typed) {
    std::vector<FieldDef> fields(columns.size());
    QString table;
    bool oneTable = !columns.empty();
    *typed = true;
    for (size_t c = 0; c < columns.size(); ++c) {
        const driver::Column& col = columns[c];
        FieldDef& f = fields[c];
        f.name = col.name;
        *typed = *typed && col.typed;
        if (col.typed) {
            f.kind = col.kind;
            f.size = col.size;
        }
        if (!col.table.isEmpty() && !col.originColumn.isEmpty()) {
            f.originColumn = col.originColumn;
            if (c == 0)
                table = col.table;
            else if (col.table.compare(table, Qt::CaseInsensitive) != 0)
                oneTable = false;
            if (col.autoNumber) {
                f.kind = FieldKind::AutoNumber;
                f.readOnly = true;
            }
        } else {
            oneTable = false;
            f.readOnly = true;
        }
    }
    *updateTable = oneTable ? table : QString();
    return fields;
}

QueryResult Statement::describe(bool* typed) const {
    QueryResult result;
    result.fields = readFields(prepared_->columns(), &result.updateTable, typed);
    return result;
}

void Statement::reset() { prepared_->reset(false); }

QueryResult Statement::readAll() {
    bool typed = false;
    const std::vector<driver::Column> columns = prepared_->columns();
    QueryResult result;
    result.fields = readFields(columns, &result.updateTable, &typed);
    const size_t count = result.fields.size();
    // A column of no declared type, such as a count, takes the kind of its
    // first value that is not null.
    std::vector<bool> kindKnown(count);
    for (size_t c = 0; c < count; ++c) kindKnown[c] = columns[c].typed;
    result.rows = RowStore(int(count));
    std::vector<RawView> row(count);
    while (readRow(row)) {
        for (size_t c = 0; c < count; ++c) {
            if (kindKnown[c]) continue;
            const RawView::Tag tag = row[c].tag;
            result.fields[c].kind = tag == RawView::Tag::Int    ? FieldKind::Integer
                                    : tag == RawView::Tag::Real ? FieldKind::Float
                                                                : FieldKind::Memo;
            kindKnown[c] = tag != RawView::Tag::Null;
        }
        result.rows.append(row);
    }
    return result;
}

}  // namespace storage
