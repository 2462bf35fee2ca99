#include "storage/statement.h"

#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/legacy_text.h"

#include <QByteArray>

#include <sqlite3.h>

namespace storage {

Statement::Statement(const Connection& connection, QString owner, const QString& sql)
    : connection_(connection), owner_(std::move(owner)), text_(sql.toUtf8()) {
    sqlite3* db = connection_.handle();
    stmt_ = connection_.takePrepared(text_);
    if (stmt_) return;
    const int rc = sqlite3_prepare_v3(db, text_.constData(), int(text_.size()), SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    connection_.lockWaitOver();
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        failCode(rc);
    }
}

Statement::~Statement() { connection_.keepPrepared(std::move(text_), stmt_); }

void Statement::fail(const QString& message) const { throw Error(owner_ + QStringLiteral(": ") + message); }

void Statement::failCode(int resultCode) const { fail(connection_.failureText(resultCode)); }

void Statement::bind(int index, const QVariant& raw) {
    const auto bindBytes = [&](QByteArray bytes, bool text) {
        const char* data = bytes.constData();
        const auto size = sqlite3_uint64(bytes.size());
        bound_.push_back(std::move(bytes));
        if (text)
            sqlite3_bind_text64(stmt_, index, data, size, SQLITE_STATIC, SQLITE_UTF8);
        else
            sqlite3_bind_blob64(stmt_, index, data, size, SQLITE_STATIC);
    };
    if (!raw.isValid() || raw.isNull()) {
        sqlite3_bind_null(stmt_, index);
        return;
    }
    if (isForeignText(raw)) {
        // The bytes as read, not UTF-8: the row is found by what it holds.
        bindBytes(raw.value<ForeignText>().bytes, true);
        return;
    }
    switch (raw.typeId()) {
        case QMetaType::LongLong:
            sqlite3_bind_int64(stmt_, index, *static_cast<const qint64*>(raw.constData()));
            break;
        case QMetaType::QString:
            bindBytes(static_cast<const QString*>(raw.constData())->toUtf8(), true);
            break;
        case QMetaType::Double:
            sqlite3_bind_double(stmt_, index, raw.toDouble());
            break;
        case QMetaType::QByteArray:
            bindBytes(raw.toByteArray(), false);
            break;
        default:
            sqlite3_bind_int64(stmt_, index, raw.toLongLong());
            break;
    }
}

void Statement::bind(int index, const RawView& stored) {
    switch (stored.tag) {
        case RawView::Tag::Null:
            sqlite3_bind_null(stmt_, index);
            break;
        case RawView::Tag::Int:
            sqlite3_bind_int64(stmt_, index, stored.integer);
            break;
        case RawView::Tag::Real:
            sqlite3_bind_double(stmt_, index, stored.real);
            break;
        case RawView::Tag::Text:
            sqlite3_bind_text64(stmt_, index, stored.bytes, stored.size, SQLITE_STATIC, SQLITE_UTF8);
            break;
        case RawView::Tag::Blob:
            sqlite3_bind_blob64(stmt_, index, stored.bytes, stored.size, SQLITE_STATIC);
            break;
    }
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    connection_.lockWaitOver();
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) failCode(rc);
    return false;
}

void Statement::run() {
    while (step()) {
    }
}

int Statement::changes() const { return sqlite3_changes(connection_.handle()); }

qint64 Statement::lastInsertRowid() const { return sqlite3_last_insert_rowid(connection_.handle()); }

std::vector<FieldDef> Statement::readFields(QString* updateTable) const {
    const int columns = sqlite3_column_count(stmt_);
    std::vector<FieldDef> fields(static_cast<size_t>(columns));
    QString table;
    bool oneTable = columns > 0;
    for (int c = 0; c < columns; ++c) {
        FieldDef& f = fields[size_t(c)];
        f.name = QString::fromUtf8(sqlite3_column_name(stmt_, c));
        const char* decl = sqlite3_column_decltype(stmt_, c);
        const char* tab = sqlite3_column_table_name(stmt_, c);
        const char* origin = sqlite3_column_origin_name(stmt_, c);
        if (decl) f.kind = kindOfDeclaredType(QString::fromUtf8(decl), &f.size);
        if (tab && origin) {
            f.originColumn = QString::fromUtf8(origin);
            const QString t = QString::fromUtf8(tab);
            if (c == 0)
                table = t;
            else if (t.compare(table, Qt::CaseInsensitive) != 0)
                oneTable = false;
            int notNull = 0, primaryKey = 0, autoIncrement = 0;
            const char* type = nullptr;
            const char* collation = nullptr;
            if (sqlite3_table_column_metadata(connection_.handle(), sqlite3_column_database_name(stmt_, c), tab, origin, &type,
                                              &collation, &notNull, &primaryKey, &autoIncrement) == SQLITE_OK) {
                if (autoIncrement ||
                    (primaryKey && type && QString::fromUtf8(type).trimmed().toUpper() == QLatin1String("INTEGER"))) {
                    f.kind = FieldKind::AutoNumber;
                    f.readOnly = true;
                }
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
    result.fields = readFields(&result.updateTable);
    *typed = true;
    for (int c = 0; c < int(result.fields.size()); ++c) *typed = *typed && sqlite3_column_decltype(stmt_, c) != nullptr;
    return result;
}

void Statement::reset() { sqlite3_reset(stmt_); }

bool Statement::readRow(std::vector<RawView>& row) {
    if (!step()) return false;
    const size_t columns = row.size();
    for (size_t c = 0; c < columns; ++c) {
        const int i = int(c);
        RawView& v = row[c];
        switch (sqlite3_column_type(stmt_, i)) {
            case SQLITE_INTEGER:
                v = {.tag = RawView::Tag::Int, .integer = sqlite3_column_int64(stmt_, i)};
                break;
            case SQLITE_FLOAT:
                v = {.tag = RawView::Tag::Real, .real = sqlite3_column_double(stmt_, i)};
                break;
            case SQLITE_NULL:
                v = {};
                break;
            case SQLITE_BLOB:
                v = {.tag = RawView::Tag::Blob, .bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, i))};
                v.size = std::uint32_t(sqlite3_column_bytes(stmt_, i));
                break;
            default:
                v = {.tag = RawView::Tag::Text, .bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i))};
                v.size = std::uint32_t(sqlite3_column_bytes(stmt_, i));
                break;
        }
    }
    return true;
}

QueryResult Statement::readAll() {
    bool typed = false;
    QueryResult result = describe(&typed);
    const size_t columns = result.fields.size();
    // A column of no declared type, such as a count, takes the kind of its
    // first value that is not null.
    std::vector<bool> kindKnown(columns);
    for (size_t c = 0; c < columns; ++c) kindKnown[c] = sqlite3_column_decltype(stmt_, int(c)) != nullptr;
    result.rows = RowStore(int(columns));
    std::vector<RawView> row(columns);
    while (readRow(row)) {
        for (size_t c = 0; c < columns; ++c) {
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
