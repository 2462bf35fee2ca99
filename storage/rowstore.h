#pragma once

#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace storage {

// One raw value as a view, for filling the store without building a QVariant:
// bytes point at text (UTF-8) or a blob that must live until it is stored.
struct RawView {
    enum class Tag : std::uint8_t { Null, Int, Real, Text, Blob };
    Tag tag = Tag::Null;
    std::int64_t integer = 0;
    double real = 0;
    const char* bytes = nullptr;
    std::uint32_t size = 0;
};

// The rows of a record set as raw values: null (an invalid QVariant), qint64,
// double, QString, QByteArray, or ForeignText for text whose bytes are not
// valid UTF-8 (kept as they are, see legacy_text.h).
//
// Every row is one run of bytes in a shared arena, each field a tag followed
// by its raw value, so that opening a large set costs little more than
// stepping through it. Rows live in large blocks that never move, so a row is
// a pointer and reordering rows moves only pointers. A replaced or removed
// row keeps its bytes until the store is cleared.
class RowStore {
public:
    explicit RowStore(int fieldCount = 0) : fieldCount_(fieldCount) {}

    int fieldCount() const { return fieldCount_; }
    int size() const { return int(rows_.size()); }
    bool empty() const { return rows_.empty(); }

    // A row holds one value for each field, in field order.
    void append(std::span<const RawView> row);
    void append(const std::vector<QVariant>& row);
    void insert(int at, const std::vector<QVariant>& row);
    // A row that holds no values yet, such as a new row not yet written:
    // every field reads null until it is replaced.
    void insertBlank(int at);
    void replace(int row, const std::vector<QVariant>& values);
    void remove(int row);
    // Puts the rows in a new order: order[i] is the row that becomes row i.
    void reorder(const std::vector<int>& order);
    // Drops every row and gives the blocks back.
    void clear();

    QVariant value(int row, int field) const;
    std::vector<QVariant> row(int index) const;

private:
    const char* encode(std::span<const RawView> row);
    const char* encode(const std::vector<QVariant>& row);
    char* allocate(size_t bytes);

    int fieldCount_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* free_ = nullptr;
    size_t left_ = 0;
    std::vector<const char*> rows_;  // null: a blank row
};

}  // namespace storage
