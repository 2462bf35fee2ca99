#include "storage/recordset.h"

#include "storage/connection.h"
#include "storage/errors.h"

#include <QByteArray>

#include <sqlite3.h>

#include <algorithm>

namespace storage {

namespace {

QString quoted(const QString& identifier) {
    QString text = identifier;
    text.replace(u'"', QLatin1String("\"\""));
    return u'"' + text + u'"';
}

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

}  // namespace

// ---------------------------------------------------------------- Field ----

const FieldDef& Field::def() const { return rs_->fieldDef(index_); }
QVariant Field::value() const { return rs_->value(index_); }
bool Field::isNull() const {
    const QVariant v = value();
    return !v.isValid() || v.isNull();
}

QString Field::asString() const { return storage::displayText(value()); }
qint64 Field::asInteger() const { return integerOf(value(), rs_->name()); }
bool Field::asBoolean() const { return booleanOf(value(), rs_->name()); }

void Field::setValue(const QVariant& value) const { rs_->setValue(index_, value); }
void Field::setAsString(const QString& text) const { rs_->setValue(index_, text); }
void Field::setAsInteger(qint64 value) const { rs_->setValue(index_, value); }
void Field::setAsBoolean(bool value) const { rs_->setValue(index_, value); }
void Field::clear() const { rs_->setValue(index_, QVariant()); }

// ------------------------------------------------------------ RecordSet ----

RecordSet::RecordSet(QString name, Connection* connection, QObject* parent)
    : QObject(parent), name_(std::move(name)), connection_(connection) {
    setObjectName(name_);
    if (connection_) connection_->attach(this);
}

RecordSet::~RecordSet() {
    if (master_) std::erase(master_->details_, this);
    for (RecordSet* detail : details_) detail->master_ = nullptr;
    if (connection_) connection_->detach(this);
}

void RecordSet::fail(const QString& message) const { throw Error(name_ + QStringLiteral(": ") + message); }

void RecordSet::failDb(int resultCode) const {
    if (!connection_) fail(QStringLiteral("Connection is closed"));
    fail(connection_->errorText(resultCode));
}

void RecordSet::requireActive() const {
    if (state_ == RecordState::Inactive) fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void RecordSet::requireEditing() const {
    requireActive();
    if (state_ != RecordState::Edit && state_ != RecordState::Insert) fail(QStringLiteral("Dataset not in edit or insert mode"));
}

void RecordSet::setTableName(const QString& table) {
    close();
    tableName_ = table;
    commandText_.clear();
}

void RecordSet::setSort(const QString& field) { sortField_ = field; }

void RecordSet::setMaster(RecordSet* master, const QString& masterField, const QString& detailField) {
    if (master_) std::erase(master_->details_, this);
    master_ = master;
    masterField_ = masterField;
    detailField_ = detailField;
    if (master_) master_->details_.push_back(this);
}

void RecordSet::notifyDetails() {
    // A copy: a detail may be re-pointed while it follows.
    const std::vector<RecordSet*> details = details_;
    for (RecordSet* detail : details) detail->masterMoved();
}

void RecordSet::addInputWriter(QObject* owner, std::function<void()> write) {
    inputWriters_.push_back({owner, std::move(write)});
}

void RecordSet::removeInputWriters(const QObject* owner) {
    std::erase_if(inputWriters_, [owner](const InputWriter& w) { return w.owner == owner || w.owner.isNull(); });
}

void RecordSet::writePendingInput() {
    // A copy: writing may make a control rebind itself.
    const std::vector<InputWriter> writers = inputWriters_;
    for (const InputWriter& w : writers)
        if (w.owner) w.write();
}

void RecordSet::setCommandText(const QString& sql) {
    close();
    commandText_ = sql;
    tableName_.clear();
}

QString RecordSet::selectText() const {
    if (!tableName_.isEmpty()) {
        QString sql = QStringLiteral("SELECT * FROM ") + quoted(tableName_);
        if (master_) sql += QStringLiteral(" WHERE ") + quoted(detailField_) + QStringLiteral(" = ?1");
        return sql;
    }
    return commandText_;
}

QVariant RecordSet::masterKey() const {
    if (!master_ || !master_->active()) return {};
    const int f = master_->fieldIndex(masterField_);
    if (f < 0 || master_->current_ < 0) return {};
    return master_->value(f);
}

void RecordSet::masterMoved() {
    if (!active()) return;
    const QVariant key = masterKey();
    if (masterKeyApplied_ && sameValue(key, appliedMasterKey_)) return;
    checkBrowseMode();
    readRows();
    current_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    notifyDetails();
    emit reset();
    if (!rows_.empty()) fireAfterScroll();
}

void RecordSet::readRows() {
    if (!connection_ || !connection_->connected()) fail(QStringLiteral("Connection is closed"));
    sqlite3* db = connection_->handle();
    Statement st;
    const QByteArray sql = selectText().toUtf8();
    int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st.stmt, nullptr);
    if (rc != SQLITE_OK) failDb(rc);
    if (master_) {
        appliedMasterKey_ = masterKey();
        masterKeyApplied_ = true;
        bindRaw(st.stmt, 1,
                appliedMasterKey_.typeId() == QMetaType::Bool ? QVariant(qint64(appliedMasterKey_.toBool())) : appliedMasterKey_);
    }

    const int columns = sqlite3_column_count(st.stmt);
    std::vector<FieldDef> fields(static_cast<size_t>(columns));
    QString table;
    bool oneTable = columns > 0;
    std::vector<bool> kindKnown(size_t(columns), false);
    for (int c = 0; c < columns; ++c) {
        FieldDef& f = fields[size_t(c)];
        f.name = QString::fromUtf8(sqlite3_column_name(st.stmt, c));
        const char* decl = sqlite3_column_decltype(st.stmt, c);
        const char* tab = sqlite3_column_table_name(st.stmt, c);
        const char* origin = sqlite3_column_origin_name(st.stmt, c);
        if (decl) {
            f.kind = kindOfDeclaredType(QString::fromUtf8(decl), &f.size);
            kindKnown[size_t(c)] = true;
        }
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
            if (sqlite3_table_column_metadata(db, sqlite3_column_database_name(st.stmt, c), tab, origin, &type, &collation,
                                              &notNull, &primaryKey, &autoIncrement) == SQLITE_OK) {
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

    RowStore rows(columns);
    std::vector<RawView> row(static_cast<size_t>(columns));
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const int type = sqlite3_column_type(st.stmt, c);
            if (!kindKnown[size_t(c)]) {
                fields[size_t(c)].kind = type == SQLITE_INTEGER ? FieldKind::Integer
                                         : type == SQLITE_FLOAT ? FieldKind::Float
                                                                : FieldKind::Memo;
                kindKnown[size_t(c)] = type != SQLITE_NULL;
            }
            RawView& v = row[size_t(c)];
            switch (type) {
                case SQLITE_INTEGER:
                    v = {.tag = RawView::Tag::Int, .integer = sqlite3_column_int64(st.stmt, c)};
                    break;
                case SQLITE_FLOAT:
                    v = {.tag = RawView::Tag::Real, .real = sqlite3_column_double(st.stmt, c)};
                    break;
                case SQLITE_NULL:
                    v = {};
                    break;
                case SQLITE_BLOB:
                    v = {.tag = RawView::Tag::Blob, .bytes = static_cast<const char*>(sqlite3_column_blob(st.stmt, c))};
                    v.size = std::uint32_t(sqlite3_column_bytes(st.stmt, c));
                    break;
                default:
                    v = {.tag = RawView::Tag::Text, .bytes = reinterpret_cast<const char*>(sqlite3_column_text(st.stmt, c))};
                    v.size = std::uint32_t(sqlite3_column_bytes(st.stmt, c));
                    break;
            }
        }
        rows.append(row);
    }
    if (rc != SQLITE_DONE) failDb(rc);

    fields_ = std::move(fields);
    rows_ = std::move(rows);
    updateTable_ = oneTable ? table : QString();
    buffer_.clear();
    original_.clear();
    changed_.clear();
    modified_ = false;

    if (!sortField_.isEmpty()) {
        const int f = fieldIndex(sortField_);
        if (f < 0) fail(QStringLiteral("Field '%1' not found").arg(sortField_));
        std::vector<std::pair<QVariant, int>> keyed;
        keyed.reserve(size_t(rows_.size()));
        for (int row = 0; row < rows_.size(); ++row) keyed.emplace_back(fromRaw(fields_[size_t(f)], rows_.value(row, f)), row);
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return compareValues(a.first, b.first) < 0; });
        std::vector<int> order;
        order.reserve(keyed.size());
        for (const auto& k : keyed) order.push_back(k.second);
        rows_.reorder(order);
    }
}

void RecordSet::open() {
    if (active()) return;
    if (!connection_) fail(QStringLiteral("Connection is closed"));
    readRows();
    state_ = RecordState::Browse;
    current_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    notifyDetails();
    emit reset();
    notifyDetails();
    emit stateChanged();
    if (afterOpen) afterOpen(*this);
    if (!rows_.empty()) fireAfterScroll();
}

void RecordSet::close() {
    if (!active()) return;
    state_ = RecordState::Inactive;
    rows_.clear();
    buffer_.clear();
    original_.clear();
    changed_.clear();
    modified_ = false;
    current_ = -1;
    bof_ = eof_ = true;
    masterKeyApplied_ = false;
    notifyDetails();
    emit reset();
    notifyDetails();
    emit stateChanged();
}

int RecordSet::execute() {
    if (!connection_ || !connection_->connected()) fail(QStringLiteral("Connection is closed"));
    sqlite3* db = connection_->handle();
    Statement st;
    const QByteArray sql = commandText_.toUtf8();
    int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st.stmt, nullptr);
    if (rc != SQLITE_OK) failDb(rc);
    if (!st.stmt) return 0;  // an empty text
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) failDb(rc);
    return sqlite3_changes(db);
}

// ----------------------------------------------------------- navigation ----

int RecordSet::recordCount() const {
    requireActive();
    return rows_.size();
}

int RecordSet::recNo() const {
    requireActive();
    return current_ + 1;
}

bool RecordSet::eof() const { return eof_; }
bool RecordSet::bof() const { return bof_; }

void RecordSet::fireAfterScroll() {
    if (afterScroll) afterScroll(*this);
}

void RecordSet::moveTo(int row) {
    if (rows_.empty()) {
        bof_ = eof_ = true;
        return;
    }
    row = std::clamp(row, 0, rows_.size() - 1);
    if (row == current_) return;
    const int old = current_;
    current_ = row;
    notifyDetails();
    emit currentChanged(old, current_);
    fireAfterScroll();
}

void RecordSet::first() {
    requireActive();
    checkBrowseMode();
    moveTo(0);
    bof_ = true;
    eof_ = rows_.empty();
}

void RecordSet::last() {
    requireActive();
    checkBrowseMode();
    moveTo(rows_.size() - 1);
    eof_ = true;
    bof_ = rows_.empty();
}

void RecordSet::next() { moveBy(1); }
void RecordSet::prior() { moveBy(-1); }

void RecordSet::moveBy(int distance) {
    requireActive();
    checkBrowseMode();
    if (rows_.empty()) {
        bof_ = eof_ = true;
        return;
    }
    const qint64 target = qint64(current_) + distance;
    const int last = rows_.size() - 1;
    if (distance > 0) {
        moveTo(int(std::min<qint64>(target, last)));
        bof_ = false;
        eof_ = target > last;
    } else if (distance < 0) {
        moveTo(int(std::max<qint64>(target, 0)));
        eof_ = false;
        bof_ = target < 0;
    }
}

void RecordSet::setRecNo(int recNo) {
    requireActive();
    checkBrowseMode();
    moveTo(recNo - 1);
    bof_ = eof_ = rows_.empty();
}

bool RecordSet::locate(const QString& field, const QVariant& value, Qt::CaseSensitivity cs) {
    requireActive();
    checkBrowseMode();
    const int f = fieldIndex(field);
    if (f < 0) fail(QStringLiteral("Field '%1' not found").arg(field));
    const QVariant wanted = convert(fields_[size_t(f)], value, name_);
    const bool text = wanted.typeId() == QMetaType::QString;
    for (int row = 0; row < rows_.size(); ++row) {
        const QVariant v = rowValue(row, f);
        const bool match = text ? (!v.isNull() && v.toString().compare(wanted.toString(), cs) == 0) : sameValue(v, wanted);
        if (match) {
            moveTo(row);
            bof_ = eof_ = false;
            return true;
        }
    }
    return false;
}

// -------------------------------------------------------------- editing ----

bool RecordSet::canModify() const { return active() && !updateTable_.isEmpty(); }

void RecordSet::setState(RecordState state) {
    if (state_ == state) return;
    state_ = state;
    notifyDetails();
    emit stateChanged();
}

void RecordSet::checkBrowseMode() {
    requireActive();
    if (state_ != RecordState::Edit && state_ != RecordState::Insert) return;
    writePendingInput();
    if (modified_)
        post();
    else
        cancel();
}

void RecordSet::edit() {
    requireActive();
    if (state_ == RecordState::Edit || state_ == RecordState::Insert) return;
    if (!canModify()) fail(QStringLiteral("Cannot modify a read-only dataset"));
    if (rows_.empty()) {
        insert();
        return;
    }
    original_ = rows_.row(current_);
    buffer_.resize(fields_.size());
    for (int f = 0; f < fieldCount(); ++f) buffer_[size_t(f)] = fromRaw(fields_[size_t(f)], original_[size_t(f)]);
    changed_.assign(fields_.size(), false);
    modified_ = false;
    setState(RecordState::Edit);
}

void RecordSet::append() { startNewRow(true); }
void RecordSet::insert() { startNewRow(false); }

void RecordSet::startNewRow(bool atEnd) {
    requireActive();
    if (!canModify()) fail(QStringLiteral("Cannot modify a read-only dataset"));
    checkBrowseMode();
    const int old = current_;
    const int at = atEnd ? rows_.size() : std::max(current_, 0);
    rows_.insertBlank(at);
    current_ = at;
    buffer_.assign(fields_.size(), QVariant());
    original_.clear();
    changed_.assign(fields_.size(), false);
    modified_ = false;
    state_ = RecordState::Insert;
    bof_ = false;
    eof_ = atEnd;
    emit rowInserted(current_);
    notifyDetails();
    emit currentChanged(old, current_);
    notifyDetails();
    emit stateChanged();
    fireAfterScroll();
}

void RecordSet::cancel() {
    requireActive();
    if (state_ == RecordState::Edit) {
        buffer_.clear();
        original_.clear();
        changed_.clear();
        modified_ = false;
        state_ = RecordState::Browse;
        notifyDetails();
        emit rowChanged(current_);
        notifyDetails();
        emit stateChanged();
        return;
    }
    if (state_ == RecordState::Insert) dropCurrentRow();
}

void RecordSet::dropCurrentRow() {
    const int removed = current_;
    rows_.remove(removed);
    buffer_.clear();
    original_.clear();
    changed_.clear();
    modified_ = false;
    state_ = RecordState::Browse;
    current_ = rows_.empty() ? -1 : std::min(removed, rows_.size() - 1);
    eof_ = bof_ = rows_.empty();
    emit rowRemoved(removed);
    notifyDetails();
    emit currentChanged(removed, current_);
    notifyDetails();
    emit stateChanged();
    fireAfterScroll();
}

void RecordSet::post() {
    requireActive();
    writePendingInput();
    if (state_ != RecordState::Edit && state_ != RecordState::Insert) return;
    if (beforePost) beforePost(*this);
    if (state_ != RecordState::Edit && state_ != RecordState::Insert) return;  // the hook cancelled
    std::vector<QVariant> stored;
    if (state_ == RecordState::Insert) {
        writeInsert();
        stored.resize(fields_.size());
        for (int f = 0; f < fieldCount(); ++f) stored[size_t(f)] = toRaw(fields_[size_t(f)], buffer_[size_t(f)]);
    } else {
        if (modified_) writeUpdate();
        stored = original_;
        for (int f = 0; f < fieldCount(); ++f)
            if (changed_[size_t(f)]) stored[size_t(f)] = toRaw(fields_[size_t(f)], buffer_[size_t(f)]);
    }
    rows_.replace(current_, stored);
    buffer_.clear();
    original_.clear();
    changed_.clear();
    modified_ = false;
    state_ = RecordState::Browse;
    notifyDetails();
    emit rowChanged(current_);
    notifyDetails();
    emit stateChanged();
    if (afterPost) afterPost(*this);
}

void RecordSet::remove() {
    requireActive();
    if (state_ == RecordState::Insert) {
        cancel();
        return;
    }
    if (rows_.empty()) fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!canModify()) fail(QStringLiteral("Cannot modify a read-only dataset"));
    original_ = rows_.row(current_);
    writeDelete();
    dropCurrentRow();
}

void RecordSet::refresh() {
    requireActive();
    checkBrowseMode();
    const int keep = current_;
    readRows();
    current_ = rows_.empty() ? -1 : std::clamp(keep, 0, rows_.size() - 1);
    bof_ = eof_ = rows_.empty();
    notifyDetails();
    emit reset();
}

// --------------------------------------------------------------- fields ----

int RecordSet::fieldIndex(const QString& name) const {
    for (int f = 0; f < fieldCount(); ++f)
        if (fields_[size_t(f)].name.compare(name, Qt::CaseInsensitive) == 0) return f;
    return -1;
}

Field RecordSet::field(const QString& name) {
    requireActive();
    const int f = fieldIndex(name);
    if (f < 0) fail(QStringLiteral("Field '%1' not found").arg(name));
    return Field(this, f);
}

QVariant RecordSet::value(int field) const {
    requireActive();
    if (field < 0 || field >= fieldCount()) fail(QStringLiteral("Field index out of range"));
    if (current_ < 0) return {};
    return rowValue(current_, field);
}

QVariant RecordSet::rowValue(int row, int field) const {
    if (!active() || row < 0 || row >= rows_.size() || field < 0 || field >= fieldCount()) return {};
    if (row == current_ && (state_ == RecordState::Edit || state_ == RecordState::Insert)) return buffer_[size_t(field)];
    return fromRaw(fields_[size_t(field)], rows_.value(row, field));
}

void RecordSet::setValue(int field, const QVariant& value) {
    requireEditing();
    if (field < 0 || field >= fieldCount()) fail(QStringLiteral("Field index out of range"));
    const FieldDef& def = fields_[size_t(field)];
    if (def.readOnly) fail(QStringLiteral("Field '%1' cannot be modified").arg(def.name));
    buffer_[size_t(field)] = convert(def, value, name_);
    changed_[size_t(field)] = true;
    modified_ = true;
    notifyDetails();
    emit rowChanged(current_);
}

void RecordSet::bindRaw(sqlite3_stmt* stmt, int index, const QVariant& raw) const {
    if (!raw.isValid() || raw.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (raw.typeId()) {
        case QMetaType::Double:
            sqlite3_bind_double(stmt, index, raw.toDouble());
            break;
        case QMetaType::QString: {
            const QByteArray bytes = raw.toString().toUtf8();
            sqlite3_bind_text64(stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = raw.toByteArray();
            sqlite3_bind_blob64(stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            sqlite3_bind_int64(stmt, index, raw.toLongLong());
            break;
    }
}

QString RecordSet::whereRowMatches(int firstParameter) const {
    // The row is found by every value it was read with: if another program
    // changed or deleted it meanwhile, nothing matches and nothing changes.
    QStringList terms;
    int p = firstParameter;
    for (const FieldDef& f : fields_) terms << quoted(f.originColumn) + QStringLiteral(" IS ?") + QString::number(p++);
    return QStringLiteral(" WHERE rowid IN (SELECT rowid FROM ") + quoted(updateTable_) + QStringLiteral(" WHERE ") +
           terms.join(QLatin1String(" AND ")) + QStringLiteral(" LIMIT 1)");
}

void RecordSet::writeInsert() {
    sqlite3* db = connection_->handle();
    QStringList columns, marks;
    std::vector<int> bound;
    for (int f = 0; f < fieldCount(); ++f) {
        if (fields_[size_t(f)].readOnly) continue;
        columns << quoted(fields_[size_t(f)].originColumn);
        marks << QStringLiteral("?") + QString::number(columns.size());
        bound.push_back(f);
    }
    QString sql = QStringLiteral("INSERT INTO ") + quoted(updateTable_);
    sql += columns.isEmpty() ? QStringLiteral(" DEFAULT VALUES")
                             : QStringLiteral(" (") + columns.join(u',') + QStringLiteral(") VALUES (") + marks.join(u',') + u')';
    Statement st;
    const QByteArray text = sql.toUtf8();
    int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st.stmt, nullptr);
    if (rc != SQLITE_OK) failDb(rc);
    for (size_t i = 0; i < bound.size(); ++i)
        bindRaw(st.stmt, int(i) + 1, toRaw(fields_[size_t(bound[i])], buffer_[size_t(bound[i])]));
    rc = sqlite3_step(st.stmt);
    if (rc != SQLITE_DONE) failDb(rc);
    const qint64 id = sqlite3_last_insert_rowid(db);
    for (int f = 0; f < fieldCount(); ++f)
        if (fields_[size_t(f)].kind == FieldKind::AutoNumber) buffer_[size_t(f)] = QVariant(id);
}

void RecordSet::writeUpdate() {
    sqlite3* db = connection_->handle();
    QStringList sets;
    std::vector<int> bound;
    for (int f = 0; f < fieldCount(); ++f) {
        if (!changed_[size_t(f)]) continue;
        sets << quoted(fields_[size_t(f)].originColumn) + QStringLiteral(" = ?") + QString::number(sets.size() + 1);
        bound.push_back(f);
    }
    if (sets.isEmpty()) return;
    const QString sql = QStringLiteral("UPDATE ") + quoted(updateTable_) + QStringLiteral(" SET ") + sets.join(u',') +
                        whereRowMatches(int(bound.size()) + 1);
    Statement st;
    const QByteArray text = sql.toUtf8();
    int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st.stmt, nullptr);
    if (rc != SQLITE_OK) failDb(rc);
    int p = 1;
    for (int f : bound) bindRaw(st.stmt, p++, toRaw(fields_[size_t(f)], buffer_[size_t(f)]));
    for (const QVariant& raw : original_) bindRaw(st.stmt, p++, raw);
    rc = sqlite3_step(st.stmt);
    if (rc != SQLITE_DONE) failDb(rc);
    if (sqlite3_changes(db) == 0)
        fail(
            QStringLiteral("The row was changed or deleted by another program since it was read; "
                           "the change was not saved. Cancel it to see the row as it is now"));
}

void RecordSet::writeDelete() {
    sqlite3* db = connection_->handle();
    const QString sql = QStringLiteral("DELETE FROM ") + quoted(updateTable_) + whereRowMatches(1);
    Statement st;
    const QByteArray text = sql.toUtf8();
    int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st.stmt, nullptr);
    if (rc != SQLITE_OK) failDb(rc);
    int p = 1;
    for (const QVariant& raw : original_) bindRaw(st.stmt, p++, raw);
    rc = sqlite3_step(st.stmt);
    if (rc != SQLITE_DONE) failDb(rc);
    if (sqlite3_changes(db) == 0)
        fail(QStringLiteral("The row was changed or deleted by another program since it was read; nothing was deleted"));
}

}  // namespace storage
