#include "storage/recordset.h"

#include "storage/connection.h"
#include "storage/count_cache.h"
#include "storage/errors.h"
#include "storage/paged_query.h"
#include "storage/statement.h"
#include "storage/statement_writer.h"

#include <algorithm>

namespace storage {

// ---------------------------------------------------------------- Field ----

const FieldDef& Field::def() const { return rs_->fieldDef(index_); }
QVariant Field::value() const { return rs_->value(index_); }
QVariant Field::storedValue() const { return rs_->storedValue(index_); }
bool Field::isNull() const {
    const QVariant v = value();
    return !v.isValid() || v.isNull();
}

QString Field::asString() const { return storage::displayText(value()); }
qint64 Field::asKey() const { return keyOf(storedValue(), rs_->name(), def().name); }
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

void RecordSet::requireConnection() const {
    if (!connection_ || !connection_->connected()) fail(QStringLiteral("Connection is closed"));
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

bool RecordSet::tells() {
    if (holds_ == 0) return true;
    heldBack_ = true;
    return false;
}

RecordSet::ControlsHold::ControlsHold(RecordSet& recordSet) : recordSet_(&recordSet) { ++recordSet.holds_; }

RecordSet::ControlsHold::~ControlsHold() {
    if (!recordSet_ || --recordSet_->holds_ > 0 || !recordSet_->heldBack_) return;
    recordSet_->heldBack_ = false;
    // The receivers catch their own failures (views and controls report them).
    emit recordSet_->reset();
    if (recordSet_) emit recordSet_->stateChanged();
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
    if (tells()) emit reset();
    if (!rows_.empty()) fireAfterScroll();
}

void RecordSet::readRows() {
    requireConnection();
    // Taken before reading: a commit during the read leaves it stale, never wrong.
    const driver::Mark at = KnownCounts::mark(*connection_);
    Statement st(*connection_, name_,
                 tableName_.isEmpty() ? commandText_ : selectText(tableName_, master_ ? detailField_ : QString()));
    if (master_) {
        appliedMasterKey_ = masterKey();
        masterKeyApplied_ = true;
        st.bind(1,
                appliedMasterKey_.typeId() == QMetaType::Bool ? QVariant(qint64(appliedMasterKey_.toBool())) : appliedMasterKey_);
    }
    // A plain ordered read of one table opens a page at a time; the rest whole.
    QueryResult read;
    if (master_ || !tableName_.isEmpty() || !sortField_.isEmpty() || !openPaged(*connection_, name_, commandText_, &read))
        read = st.readAll();
    writer_.reset();
    fields_ = std::move(read.fields);
    rows_ = std::move(read.rows);
    readMark_ = at;
    updateTable_ = std::move(read.updateTable);
    clearBuffer();

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
    if (tells()) emit reset();
    notifyDetails();
    if (tells()) emit stateChanged();
    if (afterOpen) afterOpen(*this);
    if (!rows_.empty()) fireAfterScroll();
}

void RecordSet::close() {
    if (!active()) return;
    state_ = RecordState::Inactive;
    rows_.clear();
    writer_.reset();
    clearBuffer();
    current_ = -1;
    bof_ = eof_ = true;
    masterKeyApplied_ = false;
    notifyDetails();
    if (tells()) emit reset();
    notifyDetails();
    if (tells()) emit stateChanged();
}

int RecordSet::execute() {
    requireConnection();
    Statement st(*connection_, name_, commandText_);
    if (st.empty()) return 0;  // an empty text
    st.run();
    return st.changes();
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
    if (tells()) emit currentChanged(old, current_);
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
    if (f == rows_.keyField() && wanted.typeId() == QMetaType::LongLong) {
        // The key the rows are ordered on is searched without reading rows.
        int row = rows_.findKey(wanted.toLongLong());
        for (; row >= 0; row = rows_.findKey(wanted.toLongLong(), row + 1)) {
            if (rows_.gone(row)) continue;
            moveTo(row);
            bof_ = eof_ = false;
            return true;
        }
        if (row != RowStore::kNoKeySearch) return false;
    }
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
    if (tells()) emit stateChanged();
}

void RecordSet::clearBuffer() {
    conflict_ = false;
    buffer_.clear();
    changed_.clear();
    modified_ = false;
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
    if (rows_.gone(current_)) failGone();
    // The row stays in the store as read until it is posted: a field not
    // changed is read from there, and the post finds the row by its bytes.
    buffer_.assign(fields_.size(), QVariant());
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
    changed_.assign(fields_.size(), false);
    modified_ = false;
    state_ = RecordState::Insert;
    bof_ = false;
    eof_ = atEnd;
    if (tells()) emit rowInserted(current_);
    currentRowReplaced(old);
}

void RecordSet::cancel() {
    requireActive();
    if (conflict_)
        rereadAfterConflict();
    else if (state_ == RecordState::Edit)
        backToBrowse();
    else if (state_ == RecordState::Insert)
        dropCurrentRow();
}

void RecordSet::backToBrowse() {
    clearBuffer();
    state_ = RecordState::Browse;
    notifyDetails();
    if (tells()) emit rowChanged(current_);
    notifyDetails();
    if (tells()) emit stateChanged();
}

void RecordSet::dropCurrentRow() {
    const int removed = current_;
    rows_.remove(removed);
    clearBuffer();
    state_ = RecordState::Browse;
    current_ = rows_.empty() ? -1 : std::min(removed, rows_.size() - 1);
    eof_ = bof_ = rows_.empty();
    if (tells()) emit rowRemoved(removed);
    currentRowReplaced(removed);
}

void RecordSet::currentRowReplaced(int oldRow) {
    notifyDetails();
    if (tells()) emit currentChanged(oldRow, current_);
    notifyDetails();
    if (tells()) emit stateChanged();
    fireAfterScroll();
}

void RecordSet::post() {
    requireActive();
    writePendingInput();
    if (state_ != RecordState::Edit && state_ != RecordState::Insert) return;
    if (beforePost) beforePost(*this);
    if (state_ != RecordState::Edit && state_ != RecordState::Insert) return;  // the hook cancelled
    std::vector<QVariant> stored = rawBuffer();
    qint64 inserted = 0;
    if (state_ == RecordState::Insert) {
        const qint64 id = inserted = writer().insert(stored);
        for (size_t f = 0; f < fields_.size(); ++f)
            if (fields_[f].kind == FieldKind::AutoNumber) buffer_[f] = stored[f] = QVariant(id);
    } else if (modified_ && !writer().update(rows_.views(current_), stored, changed_, rows_.id(current_))) {
        conflict_ = true;
        failConflict(false);
    }
    if (state_ == RecordState::Edit)
        rows_.replace(current_, stored, changed_);  // the fields not changed keep their bytes as read
    else
        rows_.replace(current_, stored);
    if (inserted) rows_.setId(current_, inserted);
    backToBrowse();
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
    if (rows_.gone(current_)) failGone();
    if (!writer().remove(rows_.views(current_), rows_.id(current_))) {
        conflict_ = true;
        failConflict(true);
    }
    dropCurrentRow();
}

void RecordSet::failConflict(bool deleting) {
    const QString what = QStringLiteral("Satır okunduktan sonra başka bir program tarafından değiştirilmiş ya da silinmiş; ");
    if (!deleting)
        fail(what + QStringLiteral("değişiklik kaydedilmedi. Değişikliği iptal edin: satır dosyadaki güncel hâliyle "
                                   "yeniden okunur ve değişikliği yeniden yapabilirsiniz."));
    // Nothing is pending on a delete: show the row as it is now at once.
    try {
        rereadAfterConflict();
    } catch (const Error& e) {
        fail(what + QStringLiteral("hiçbir şey silinmedi. Satırın güncel hâli de okunamadı (%1); iptal ederek yeniden "
                                   "okutun.")
                        .arg(e.message()));
    }
    fail(what + QStringLiteral("hiçbir şey silinmedi. Liste satırı dosyadaki güncel hâliyle gösteriyor."));
}

void RecordSet::failGone() {
    // The row went before its values were read: nothing to change or delete.
    const QString what = QStringLiteral("Satır başka bir program tarafından silinmiş ya da değiştirilmiş; ");
    try {
        rereadAfterConflict(false);
    } catch (const Error& e) {
        fail(what + QStringLiteral("liste yeniden okunamadı (%1).").arg(e.message()));
    }
    fail(what + QStringLiteral("liste dosyadaki güncel hâliyle yeniden okundu."));
}

void RecordSet::rereadAfterConflict(bool findRow) {
    // The row as read is still in the store: a failed post or delete leaves it.
    const std::vector<QVariant> stale = findRow && current_ >= 0 ? rows_.row(current_) : std::vector<QVariant>();
    const int keep = current_;
    const std::vector<int> identity = writer().identityFields();
    readRows();  // a failure keeps the row and its pending change: cancel again
    int found = -1;
    // A row told apart by the key it is ordered on is found without reading rows.
    const bool byKey = identity.size() == 1 && identity[0] == rows_.keyField() && !stale.empty() &&
                       stale[size_t(identity[0])].typeId() == QMetaType::LongLong;
    const int keyed = byKey ? rows_.findKey(stale[size_t(identity[0])].toLongLong()) : RowStore::kNoKeySearch;
    if (keyed != RowStore::kNoKeySearch) found = keyed;
    for (int row = 0; keyed == RowStore::kNoKeySearch && row < rows_.size() && found < 0 && !identity.empty() && !stale.empty();
         ++row) {
        bool same = true;
        for (int f : identity) same = same && sameRaw(rows_.value(row, f), stale[size_t(f)]);
        if (same) found = row;
    }
    state_ = RecordState::Browse;
    current_ = found >= 0 ? found : rows_.empty() ? -1 : std::clamp(keep, 0, rows_.size() - 1);
    bof_ = eof_ = rows_.empty();
    notifyDetails();
    if (tells()) emit reset();
    notifyDetails();
    if (tells()) emit stateChanged();
    if (current_ >= 0) fireAfterScroll();
}

void RecordSet::exchangeWithNext(int row, const std::function<bool()>& change) {
    requireActive();
    checkBrowseMode();
    requireConnection();
    const driver::Mark before = KnownCounts::mark(*connection_);
    const bool asRead = before.known() && before == readMark_;
    const bool only = change();
    const driver::Mark after = KnownCounts::mark(*connection_);
    // The same version: no other program committed in between.
    if (asRead && only && after.known() && after.version == before.version && rows_.exchangeWithNext(row)) {
        readMark_ = after;
        notifyDetails();
        if (tells()) emit reset();
        return;
    }
    refresh();
}

void RecordSet::refresh() {
    requireActive();
    checkBrowseMode();
    const int keep = current_;
    readRows();
    current_ = rows_.empty() ? -1 : std::clamp(keep, 0, rows_.size() - 1);
    bof_ = eof_ = rows_.empty();
    notifyDetails();
    if (tells()) emit reset();
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
    if (pending(field)) return buffer_[size_t(field)];
    return fromRaw(fields_[size_t(field)], rows_.value(current_, field));  // a page that cannot be read throws
}

bool RecordSet::currentRowGone() const {
    if (!active() || current_ < 0 || current_ >= rows_.size() || fields_.empty() || isNewRow(current_)) return false;
    rows_.value(current_, 0);  // reads the row's page; a page that cannot be read throws
    return rows_.gone(current_);
}

QVariant RecordSet::storedValue(int field) const {
    requireActive();
    if (field < 0 || field >= fieldCount()) fail(QStringLiteral("Field index out of range"));
    if (current_ < 0) return {};
    if (pending(field)) return buffer_[size_t(field)];
    return rows_.value(current_, field);  // a page that cannot be read throws
}

QVariant RecordSet::rowValue(int row, int field) const {
    if (!active() || row < 0 || row >= rows_.size() || field < 0 || field >= fieldCount()) return {};
    if (row == current_ && pending(field)) return buffer_[size_t(field)];
    try {
        return fromRaw(fields_[size_t(field)], rows_.value(row, field));
    } catch (const Error&) {
        return {};  // a page that cannot be read now is read again when next asked for
    }
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
    if (tells()) emit rowChanged(current_);
}

bool RecordSet::pending(int field) const {
    return state_ == RecordState::Insert || (state_ == RecordState::Edit && changed_[size_t(field)]);
}

std::vector<QVariant> RecordSet::rawBuffer() const {
    std::vector<QVariant> raw(fields_.size());
    for (size_t f = 0; f < fields_.size(); ++f)
        if (pending(int(f))) raw[f] = toRaw(fields_[f], buffer_[f]);
    return raw;
}

StatementWriter& RecordSet::writer() {
    if (!writer_) writer_ = std::make_unique<StatementWriter>(*connection_, name_, updateTable_, fields_);
    return *writer_;
}

}  // namespace storage
