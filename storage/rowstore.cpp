#include "storage/rowstore.h"

#include "storage/legacy_text.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>

namespace storage {

namespace {

using Tag = RawView::Tag;

constexpr size_t kBlock = size_t(1) << 22;

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

}  // namespace

void RowStore::append(std::span<const RawView> row) { rows_.push_back(encode(row)); }
void RowStore::append(const std::vector<QVariant>& row) { rows_.push_back(encode(row)); }
void RowStore::insert(int at, const std::vector<QVariant>& row) { rows_.insert(rows_.begin() + at, encode(row)); }
void RowStore::insertBlank(int at) { rows_.insert(rows_.begin() + at, nullptr); }
void RowStore::replace(int row, const std::vector<QVariant>& values) { rows_.at(size_t(row)) = encode(values); }
void RowStore::remove(int row) { rows_.erase(rows_.begin() + row); }

void RowStore::reorder(const std::vector<int>& order) {
    std::vector<const char*> rows;
    rows.reserve(order.size());
    for (int from : order) rows.push_back(rows_.at(size_t(from)));
    rows_ = std::move(rows);
}

void RowStore::clear() {
    rows_ = {};
    blocks_.clear();
    free_ = nullptr;
    left_ = 0;
}

char* RowStore::allocate(size_t bytes) {
    if (bytes > left_ || !free_) {
        const size_t size = std::max(bytes, kBlock);
        blocks_.emplace_back(new char[size]);
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
    for (size_t f = 0; f < row.size(); ++f) {
        const QVariant& v = row[f];
        RawView& view = views[f];
        if (!v.isValid() || v.isNull()) continue;
        if (isForeignText(v)) {
            bytes[f] = v.value<ForeignText>().bytes;
            view.tag = Tag::Text;
            view.bytes = bytes[f].constData();
            view.size = std::uint32_t(bytes[f].size());
            continue;
        }
        switch (v.typeId()) {
            case QMetaType::Double:
                view.tag = Tag::Real;
                view.real = v.toDouble();
                break;
            case QMetaType::QString:
            case QMetaType::QByteArray: {
                const bool blob = v.typeId() == QMetaType::QByteArray;
                bytes[f] = blob ? v.toByteArray() : v.toString().toUtf8();
                view.tag = blob ? Tag::Blob : Tag::Text;
                view.bytes = bytes[f].constData();
                view.size = std::uint32_t(bytes[f].size());
                break;
            }
            default:
                view.tag = Tag::Int;
                view.integer = std::int64_t(v.toLongLong());
                break;
        }
    }
    return encode(std::span<const RawView>(views));
}

QVariant RowStore::value(int row, int field) const {
    if (row < 0 || row >= size() || field < 0 || field >= fieldCount_) return {};
    const char* p = rows_[size_t(row)];
    if (!p) return {};
    for (int f = 0;; ++f) {
        const Tag tag = Tag(*p++);
        if (f == field) {
            switch (tag) {
                case Tag::Null:
                    return {};
                case Tag::Int:
                    return QVariant(qint64(get<std::int64_t>(p)));
                case Tag::Real:
                    return QVariant(get<double>(p));
                case Tag::Text: {
                    const QByteArrayView bytes(p + 4, qsizetype(get<std::uint32_t>(p)));
                    if (bytes.isValidUtf8()) return QVariant(decodeUtf8(bytes));
                    return QVariant::fromValue(ForeignText{bytes.toByteArray()});
                }
                case Tag::Blob:
                    return QVariant(QByteArray(p + 4, qsizetype(get<std::uint32_t>(p))));
            }
        }
        switch (tag) {
            case Tag::Null:
                break;
            case Tag::Int:
            case Tag::Real:
                p += 8;
                break;
            case Tag::Text:
            case Tag::Blob:
                p += 4 + get<std::uint32_t>(p);
                break;
        }
    }
}

std::vector<QVariant> RowStore::row(int index) const {
    std::vector<QVariant> values(static_cast<size_t>(fieldCount_));
    for (int f = 0; f < fieldCount_; ++f) values[size_t(f)] = value(index, f);
    return values;
}

}  // namespace storage
