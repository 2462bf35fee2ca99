#pragma once

#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <functional>
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

// Where the rows of a paged store come from: reads rows by their row ids.
class PageSource {
public:
    virtual ~PageSource() = default;
    // Reads the rows with these ids and hands each one found to put with its
    // index in ids; a row that is no longer there is not handed. Throws when
    // the file cannot be read.
    using Put = std::function<void(size_t index, std::span<const RawView> row)>;
    virtual void fetch(std::span<const std::int64_t> ids, const Put& put) = 0;
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
//
// A paged store knows at first only its rows' ids in order (and, when the
// rows are ordered on an integer key, each row's key); a row's values are
// read from its source, a page at a time, when they are first asked for, and
// then kept. A row that is gone from the file by then, or no longer holds its
// key, reads as gone: every field null.
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
    // The same for a row of which only some fields changed: the others keep
    // their bytes as stored, not read back and written again. values holds
    // the changed fields' values (the others' are not looked at).
    void replace(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed);
    void remove(int row);
    // Puts the rows in a new order: order[i] is the row that becomes row i.
    void reorder(const std::vector<int>& order);
    // Drops every row and gives the blocks back.
    void clear();

    // Makes this a paged store of the rows with these ids, none read yet.
    // keyField is the field the rows are ordered on, with keys[i] the key of
    // row i (empty when keyField is -1); keysOrdered says the keys ascend.
    void setPaged(std::vector<std::int64_t> ids, int keyField, std::vector<std::int64_t> keys, bool keysOrdered,
                  std::unique_ptr<PageSource> source);
    bool paged() const { return source_ != nullptr; }
    int keyField() const { return keyField_; }
    // The first row from `from` on whose key is key, without reading any
    // row's values; -1 when none. Only for a paged store with a key field.
    int findKey(std::int64_t key, int from = 0) const;

    // Values read a row's page first when it was not read yet; that read
    // throws when the file cannot be read.
    QVariant value(int row, int field) const;
    std::vector<QVariant> row(int index) const;
    // Whether the row was gone from the file when its page was read.
    bool gone(int row) const;

private:
    const char* encode(std::span<const RawView> row);
    const char* encode(const std::vector<QVariant>& row);
    char* allocate(size_t bytes);
    // Reads the page that holds row, when row is not read yet.
    void fetch(int row) const;
    // Keeps ids and keys in step with a row that came at a position.
    void insertSlot(int at, std::int64_t id, std::int64_t key);
    void noteKey(int row, const std::vector<QVariant>& values);

    int fieldCount_;
    // Where the last value read ended: reading a row's fields in order (a
    // transfer, a grid row) steps from there instead of from the row's start.
    // Rows never move and their bytes never change until clear.
    mutable const char* cursorRow_ = nullptr;
    mutable int cursorField_ = 0;
    mutable const char* cursorAt_ = nullptr;
    // Reading a page is a const operation to callers: the rows it fills in
    // were there all along, only not yet read.
    mutable std::vector<std::unique_ptr<char[]>> blocks_;
    mutable char* free_ = nullptr;
    mutable size_t left_ = 0;
    mutable std::vector<const char*> rows_;  // null: a blank row; see kUnread and kGone
    std::unique_ptr<PageSource> source_;
    std::vector<std::int64_t> ids_;  // paged: each row's id, 0 for a row not from the file
    int keyField_ = -1;
    std::vector<std::int64_t> keys_;
    bool keysOrdered_ = false;
};

}  // namespace storage
