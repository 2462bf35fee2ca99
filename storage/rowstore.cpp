#include "storage/rowstore.h"

#include "storage/legacy_text.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace storage {

namespace {

using Tag = RawView::Tag;

constexpr size_t kBlock = size_t(1) << 22;
constexpr int kPage = 64;  // rows read at a time

// Markers of a paged store's rows that hold no bytes.
const char kUnreadMark = 0;
const char kGoneMark = 0;
const char* const kUnread = &kUnreadMark;
const char* const kGone = &kGoneMark;

template <typename T>
T get(const char* p) {
    T value;
    std::memcpy(&value, p, sizeof(T));
    return value;
}

template <typename T>
char* put(char* out, const T& value) {
    std::memcpy(out, &value, sizeof(T));
    return out + sizeof(T);
}

// Bytes a value takes after its tag.
size_t payload(const RawView& v) {
    switch (v.tag) {
        case Tag::Null:
            return 0;
        case Tag::Int:
        case Tag::Real:
            return 8;
        case Tag::Text:
        case Tag::Blob:
            return 4 + size_t(v.size);
    }
    return 0;
}

// A raw value as a view; text and blobs are put in *holder, which must live
// while the view is used.
RawView viewOf(const QVariant& v, QByteArray* holder) {
    RawView view;
    if (!v.isValid() || v.isNull()) return view;
    if (isForeignText(v)) {
        *holder = v.value<ForeignText>().bytes;
        view.tag = Tag::Text;
        view.bytes = holder->constData();
        view.size = std::uint32_t(holder->size());
        return view;
    }
    switch (v.typeId()) {
        case QMetaType::Double:
            view.tag = Tag::Real;
            view.real = v.toDouble();
            break;
        case QMetaType::QString:
        case QMetaType::QByteArray: {
            const bool blob = v.typeId() == QMetaType::QByteArray;
            *holder = blob ? v.toByteArray() : v.toString().toUtf8();
            view.tag = blob ? Tag::Blob : Tag::Text;
            view.bytes = holder->constData();
            view.size = std::uint32_t(holder->size());
            break;
        }
        default:
            view.tag = Tag::Int;
            view.integer = std::int64_t(v.toLongLong());
            break;
    }
    return view;
}

}  // namespace

void RowStore::append(std::span<const RawView> row) {
    insertSlot(size(), 0, 0);
    rows_.push_back(encode(row));
}
void RowStore::append(const std::vector<QVariant>& row) { insert(size(), row); }
void RowStore::insert(int at, const std::vector<QVariant>& row) {
    insertSlot(at, 0, 0);
    rows_.insert(rows_.begin() + at, encode(row));
    noteKey(at, row);
}
void RowStore::insertBlank(int at) {
    // A new row sits between its neighbours' keys until it is posted.
    insertSlot(at, 0, keyField_ >= 0 && at > 0 ? keys_[size_t(at - 1)] : 0);
    rows_.insert(rows_.begin() + at, nullptr);
}
void RowStore::replace(int row, const std::vector<QVariant>& values) {
    rows_.at(size_t(row)) = encode(values);
    noteKey(row, values);
}
void RowStore::replace(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed) {
    const char* p = rows_.at(size_t(row));
    if (!p || p == kUnread || p == kGone) return replace(row, values);
    // The unchanged fields as views of the old row's bytes, which stay where
    // they are while the new row is encoded; the changed ones from values.
    std::vector<RawView> views(static_cast<size_t>(fieldCount_));
    std::vector<QByteArray> bytes(static_cast<size_t>(fieldCount_));  // keeps changed text alive while it is copied
    for (size_t f = 0; f < views.size(); ++f) {
        RawView& v = views[f];
        v.tag = Tag(*p++);
        switch (v.tag) {
            case Tag::Null:
                break;
            case Tag::Int:
                v.integer = get<std::int64_t>(p);
                break;
            case Tag::Real:
                v.real = get<double>(p);
                break;
            case Tag::Text:
            case Tag::Blob:
                v.size = get<std::uint32_t>(p);
                v.bytes = p + 4;
                break;
        }
        p += payload(v);
        if (changed.at(f)) v = viewOf(values.at(f), &bytes[f]);
    }
    rows_[size_t(row)] = encode(std::span<const RawView>(views));
    if (keyField_ >= 0) {
        std::vector<QVariant> key(static_cast<size_t>(fieldCount_));
        key[size_t(keyField_)] = value(row, keyField_);
        noteKey(row, key);
    }
}

void RowStore::remove(int row) {
    rows_.erase(rows_.begin() + row);
    if (paged()) ids_.erase(ids_.begin() + row);
    if (keyField_ >= 0) keys_.erase(keys_.begin() + row);
}

void RowStore::insertSlot(int at, std::int64_t id, std::int64_t key) {
    if (paged()) ids_.insert(ids_.begin() + at, id);
    if (keyField_ >= 0) keys_.insert(keys_.begin() + at, key);
}

void RowStore::noteKey(int row, const std::vector<QVariant>& values) {
    if (keyField_ < 0) return;
    const QVariant& v = values.at(size_t(keyField_));
    const bool integer = v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
    const std::int64_t key = integer ? v.toLongLong() : 0;
    keys_[size_t(row)] = key;
    // A key that is not an integer, or out of order, ends the search by key.
    if (!integer || (row > 0 && keys_[size_t(row - 1)] > key) || (row + 1 < size() && keys_[size_t(row + 1)] < key))
        keysOrdered_ = false;
}

void RowStore::reorder(const std::vector<int>& order) {
    // A paged store is never reordered: its rows come in their order.
    std::vector<const char*> rows;
    rows.reserve(order.size());
    for (int from : order) rows.push_back(rows_.at(size_t(from)));
    rows_ = std::move(rows);
}

void RowStore::clear() {
    // What the store held, its blocks and its lists of row pointers, ids and keys.
    const size_t held = blocks_.size() * kBlock + (rows_.capacity() + ids_.capacity() + keys_.capacity()) * 8;
    const bool many = held > (size_t(16) << 20);
    // Assigning {} would keep the capacity: these lists are swapped out to free them.
    std::vector<const char*>().swap(rows_);
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    free_ = nullptr;
    left_ = 0;
    cursorRow_ = nullptr;
    source_.reset();
    std::vector<std::int64_t>().swap(ids_);
    std::vector<std::int64_t>().swap(keys_);
    keyField_ = -1;
    keysOrdered_ = false;
#ifdef __GLIBC__
    // A large set leaves the heap in pieces the allocator keeps (after the
    // first large free, glibc serves lists of this size from the heap rather
    // than from mappings of their own); give them back.
    if (many) malloc_trim(0);
#else
    (void)many;
#endif
}

void RowStore::setPaged(std::vector<std::int64_t> ids, int keyField, std::vector<std::int64_t> keys, bool keysOrdered,
                        std::unique_ptr<PageSource> source) {
    clear();
    rows_.assign(ids.size(), kUnread);
    ids_ = std::move(ids);
    keyField_ = keyField;
    keys_ = std::move(keys);
    keysOrdered_ = keysOrdered && keyField >= 0;
    source_ = std::move(source);
}

int RowStore::findKey(std::int64_t key, int from) const {
    if (keyField_ < 0 || from < 0 || from >= size()) return -1;
    const auto start = keys_.begin() + from;
    if (keysOrdered_) {
        const auto at = std::lower_bound(start, keys_.end(), key);
        return at != keys_.end() && *at == key ? int(at - keys_.begin()) : -1;
    }
    const auto at = std::find(start, keys_.end(), key);
    return at != keys_.end() ? int(at - keys_.begin()) : -1;
}

void RowStore::fetch(int row) const {
    if (rows_[size_t(row)] != kUnread) return;
    const int first = row - row % kPage;
    const int end = std::min(size(), first + kPage);
    std::vector<std::int64_t> ids;
    std::vector<int> at;
    for (int r = first; r < end; ++r)
        if (rows_[size_t(r)] == kUnread) {
            ids.push_back(ids_[size_t(r)]);
            at.push_back(r);
        }
    std::vector<const char*> read(ids.size(), kGone);
    auto* self = const_cast<RowStore*>(this);
    source_->fetch(ids, [&](size_t index, std::span<const RawView> values) {
        // A row that no longer holds the key it was ordered by is another row now.
        if (keyField_ >= 0) {
            const RawView& key = values[size_t(keyField_)];
            if (key.tag != Tag::Int || key.integer != keys_[size_t(at[index])]) return;
        }
        read[index] = self->encode(values);
    });
    // Only a page read whole is kept: a failure leaves every row unread.
    for (size_t i = 0; i < at.size(); ++i) rows_[size_t(at[i])] = read[i];
}

bool RowStore::gone(int row) const {
    if (row < 0 || row >= size() || !paged()) return false;
    fetch(row);
    return rows_[size_t(row)] == kGone;
}

char* RowStore::allocate(size_t bytes) {
    if (bytes > left_ || !free_) {
        const size_t size = std::max(bytes, kBlock);
        blocks_.emplace_back(new char[size]);
        cursorRow_ = nullptr;  // the cursor may have pointed where this block now lies
        free_ = blocks_.back().get();
        left_ = size;
    }
    char* p = free_;
    free_ += bytes;
    left_ -= bytes;
    return p;
}

const char* RowStore::encode(std::span<const RawView> row) {
    // Measure the row first, so that it goes into its block in one piece.
    size_t bytes = row.size();
    for (const RawView& v : row) bytes += payload(v);
    char* const start = allocate(bytes);
    char* out = start;
    for (const RawView& v : row) {
        *out++ = char(v.tag);
        switch (v.tag) {
            case Tag::Null:
                break;
            case Tag::Int:
                out = put(out, v.integer);
                break;
            case Tag::Real:
                out = put(out, v.real);
                break;
            case Tag::Text:
            case Tag::Blob:
                out = put(out, v.size);
                if (v.size) std::memcpy(out, v.bytes, v.size);
                out += v.size;
                break;
        }
    }
    return start;
}

const char* RowStore::encode(const std::vector<QVariant>& row) {
    std::vector<RawView> views(row.size());
    std::vector<QByteArray> bytes(row.size());  // keeps text and blobs alive while they are copied
    for (size_t f = 0; f < row.size(); ++f) views[f] = viewOf(row[f], &bytes[f]);
    return encode(std::span<const RawView>(views));
}

QVariant RowStore::value(int row, int field) const {
    if (row < 0 || row >= size() || field < 0 || field >= fieldCount_) return {};
    if (paged()) fetch(row);
    const char* const start = rows_[size_t(row)];
    if (!start || start == kGone) return {};
    const char* p = start;
    int f = 0;
    if (start == cursorRow_ && field >= cursorField_) {
        p = cursorAt_;
        f = cursorField_;
    }
    const auto skip = [](Tag tag, const char* at) {
        switch (tag) {
            case Tag::Null:
                return at;
            case Tag::Int:
            case Tag::Real:
                return at + 8;
            case Tag::Text:
            case Tag::Blob:
                return at + 4 + get<std::uint32_t>(at);
        }
        return at;
    };
    for (; f < field; ++f) {
        const Tag tag = Tag(*p++);
        p = skip(tag, p);
    }
    const Tag tag = Tag(*p++);
    cursorRow_ = start;
    cursorField_ = field + 1;
    cursorAt_ = skip(tag, p);
    switch (tag) {
        case Tag::Null:
            return {};
        case Tag::Int:
            return QVariant(qint64(get<std::int64_t>(p)));
        case Tag::Real:
            return QVariant(get<double>(p));
        case Tag::Text: {
            const QByteArrayView bytes(p + 4, qsizetype(get<std::uint32_t>(p)));
            QString text;
            if (decodeIfUtf8(bytes, &text)) return QVariant(std::move(text));
            return QVariant::fromValue(ForeignText{bytes.toByteArray()});
        }
        case Tag::Blob:
            return QVariant(QByteArray(p + 4, qsizetype(get<std::uint32_t>(p))));
    }
    return {};
}

std::vector<QVariant> RowStore::row(int index) const {
    std::vector<QVariant> values(static_cast<size_t>(fieldCount_));
    for (int f = 0; f < fieldCount_; ++f) values[size_t(f)] = value(index, f);
    return values;
}

}  // namespace storage
