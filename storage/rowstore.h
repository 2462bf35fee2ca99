#pragma once

#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <unordered_set>
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

// A row's place in the order of a paged store: its key (a raw value, see
// RowStore; invalid for null) and its row id. An unset bound is the end of
// the order.
struct KeyBound {
    bool set = false;
    QVariant key;
    std::int64_t id = 0;
    // As the low bound: every row whose key is at least key, whatever its id.
    bool fromKey = false;
};

// Where the rows of a paged store come from: their ids and keys in order, and
// their values by id.
class PageSource {
public:
    virtual ~PageSource() = default;
    // Reads the rows with these ids and hands each one found to put with its
    // index in ids; a row that is no longer there is not handed. Throws when
    // the file cannot be read.
    using Put = std::function<void(size_t index, std::span<const RawView> row)>;
    virtual void fetch(std::span<const std::int64_t> ids, const Put& put) = 0;
    // Hands take the ids and keys of the rows strictly between after and
    // before, in the order of the key and then the row id, from after on or,
    // descending, from before back, until take returns false. Returns false
    // when the rows ran out first. Throws when the file cannot be read.
    using Take = std::function<bool(std::int64_t id, const RawView& key)>;
    virtual bool keys(const KeyBound& after, const KeyBound& before, bool descending, const Take& take) = 0;
    // How many rows strictly between after and before have a key below key
    // (a null key is below every number) or, atOrAbove, at least key; -1 when
    // the source cannot count them. Throws when the file cannot be read.
    virtual qint64 count(const KeyBound& after, const KeyBound& before, std::int64_t key, bool atOrAbove) {
        (void)after, (void)before, (void)key, (void)atOrAbove;
        return -1;
    }
};

// The rows of a record set as raw values: null (an invalid QVariant), qint64,
// double, QString, QByteArray, or ForeignText for text whose bytes are not
// valid UTF-8 (kept as they are, see legacy_text.h).
//
// Every row is one run of bytes in a shared arena, each field a tag followed
// by its raw value, so that opening a large set costs little more than
// stepping through it. Rows live in large blocks that never move, so a row is
// a pointer (with, in a paged store, its id and key) and reordering rows moves
// only these. A replaced or removed row keeps its bytes until the store is
// cleared.
//
// A paged store knows at first only how many rows it has. Their ids and keys
// are read in blocks as rows are reached (the first block at once), their
// values a page at a time when first asked for; both are then kept. The
// places not read yet form gaps between known rows; a block is read into a
// gap from either side, strictly past the last row read on that side and
// short of the first row read on the other, so the rows stay in order and no
// row comes twice. A search by key far into a large gap does not read up to
// the key: the source counts the gap's rows on the key's nearer side (SQLite
// steps an index for that, without handing each row over), which gives the
// place of the first row at or past the key; a block is read from there and
// the gap splits around it. Counting is exact whatever the keys hold, and is
// left to reading while rows placed by this store are in the file but not
// in their gap.
// The count holds from the open: a row another program added after it shows
// only while unread places are left; places left over when the unread part of
// the file has run out (rows deleted meanwhile) read as gone. A row that is
// gone from the file when its page is read, or no longer holds its key, reads
// as gone too: every field null.
class RowStore {
public:
    explicit RowStore(int fieldCount = 0) : fieldCount_(fieldCount) {}

    int fieldCount() const { return fieldCount_; }
    int size() const { return int(slots_.size()); }
    bool empty() const { return slots_.empty(); }

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

    // Makes this a paged store of count rows, ordered on keyField, whose ids
    // and keys come from source; reads the first block of them now, or all of
    // them when wholeKeys (a source whose every block would cost a full read).
    void setPaged(int count, int keyField, std::unique_ptr<PageSource> source, bool wholeKeys);
    bool paged() const { return source_ != nullptr; }
    int keyField() const { return keyField_; }
    // The first row from `from` on whose key is key, reading ids and keys up
    // to the key's place but no row's values; -1 when none, kNoKeySearch when
    // the keys cannot be searched (not all whole numbers). Only for a paged
    // store.
    static constexpr int kNoKeySearch = -2;
    int findKey(std::int64_t key, int from = 0) const;
    // Notes that the rows at row and row + 1, neighbours in the order of the
    // key, exchanged their keys in the file and nothing else changed: they
    // change places, each place keeping its key, and each row's key field
    // holds its new key. False, with nothing changed, when the store cannot
    // follow: not paged or out of order, a row not known, new or gone, keys
    // that are not whole numbers, not rising or not as stored.
    bool exchangeWithNext(int row);
    // Notes that a posted new row is the file's row with this id.
    void setId(int row, std::int64_t id);
    // The file's row id of a row of a paged store as read; 0 when not known
    // (a store read whole, a new row not posted, a place not read yet).
    std::int64_t id(int row) const;

    // Values read a row's page first when it was not read yet; that read
    // throws when the file cannot be read.
    QVariant value(int row, int field) const;
    std::vector<QVariant> row(int index) const;
    // A row's values as views of its bytes as stored, which stay where they
    // are until the store is cleared; empty for a blank row or a row gone.
    std::vector<RawView> views(int row) const;
    // Whether the row was gone from the file when its page was read.
    bool gone(int row) const;

private:
    // One row: its bytes (null: a blank row; see kUnread and kGone), and in
    // a paged store its row id (0 for a row not from the file) and key.
    struct Slot {
        Slot() {}  // leaves the unread places of a paged store untouched
        Slot(const char* r, std::int64_t i, std::int64_t k, bool ik) : row(r), id(i), key(k), intKey(ik) {}
        const char* row;
        std::int64_t id;
        std::int64_t key;
        bool intKey;  // key holds the row's key: it is a whole number
    };

    const char* encode(std::span<const RawView> row);
    const char* encode(const std::vector<QVariant>& row);
    char* allocate(size_t bytes);
    // Reads the page that holds row, when row is not read yet.
    void fetch(int row) const;
    // A run of places whose ids and keys are not read yet, between the known
    // rows after and before (an unset bound: the end of the list).
    struct Gap {
        int start = 0;
        int count = 0;
        KeyBound after, before;
        int end() const { return start + count; }
    };
    // Reads ids and keys until row is known.
    void know(int row) const;
    void knowAll() const;
    // Reads up to n ids and keys into gap g past the rows read on its low
    // side (or, backwards, before those on its high side), stopping early
    // past key stop when one is given; a gap filled is dropped.
    void readKeys(size_t g, bool backwards, int n, const std::int64_t* stop = nullptr) const;
    // The gap holding row; -1 when row is known.
    int gapOf(int row) const;
    bool unknown(int row) const { return gapOf(row) >= 0; }
    // Where the first row of gap g whose key is at least key lies, counted by
    // the source from the nearer side of the gap; -1 when not counted (a
    // small gap, rows placed by this store, a source that cannot count).
    int countedPlace(size_t g, std::int64_t key) const;
    // Reads a block of ids and keys from the first row of gap g whose key is
    // at least key on, into the gap from place on; false when nothing fits
    // there (nothing kept).
    bool readAt(size_t g, int place, std::int64_t key) const;
    void insertSlot(int at, const char* row, std::int64_t key, bool intKey);
    // Hands f each run of known rows within [from, to) as (begin, end), in
    // order or from the last run back.
    template <typename F>
    void knownRuns(int from, int to, bool backwards, const F& f) const;
    void noteKey(int row, const std::vector<QVariant>& values);

    int fieldCount_;
    // Where the last value read ended: reading a row's fields in order (a
    // transfer, a grid row) steps from there instead of from the row's start.
    // Rows never move and their bytes never change until clear.
    mutable const char* cursorRow_ = nullptr;
    mutable int cursorField_ = 0;
    mutable const char* cursorAt_ = nullptr;
    // Where the last page read ended and how long it was: a read from there
    // on is a walk in order (see fetch).
    mutable int walkEnd_ = -1;
    mutable int walkPage_ = 0;
    // Gives a block of rows' bytes back: to the system when it was mapped on
    // its own, else to the heap.
    struct FreeBlock {
        size_t size = 0;
        bool mapped = false;
        void operator()(char* block) const;
    };
    // Reading a page or a block of keys is a const operation to callers: the
    // rows it fills in were there all along, only not yet read.
    mutable std::vector<std::unique_ptr<char[], FreeBlock>> blocks_;
    mutable size_t blockBytes_ = 0;
    mutable char* free_ = nullptr;
    mutable size_t left_ = 0;
    mutable std::vector<Slot> slots_;
    std::unique_ptr<PageSource> source_;
    int keyField_ = -1;
    // The places whose ids and keys are not read yet, in order.
    mutable std::vector<Gap> gaps_;
    // Rows this store placed while part of the list was unread (posted new
    // rows, changed keys): a block that meets them again skips them.
    std::unordered_set<std::int64_t> placed_;
    mutable bool intKeys_ = true;  // every key read so far is a whole number
    bool keysOrdered_ = false;
};

}  // namespace storage
