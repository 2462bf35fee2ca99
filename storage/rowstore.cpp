#include "storage/rowstore.h"

#include "storage/legacy_text.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace storage {

namespace {

using Tag = RawView::Tag;

constexpr size_t kBlock = size_t(1) << 22;
constexpr size_t kFirstBlock = size_t(1) << 20;  // all a small store takes
constexpr size_t kHugePage = size_t(1) << 21;
constexpr int kPage = 64;       // rows whose values are read at a time
constexpr int kLongPage = 512;  // the same for rows read in order
constexpr int kKeyBlock = 256;  // ids and keys read at least at a time

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

// Views the field stored at p; returns where the next field starts.
const char* viewField(const char* p, RawView* v) {
    v->tag = Tag(*p++);
    switch (v->tag) {
        case Tag::Null:
            break;
        case Tag::Int:
            v->integer = get<std::int64_t>(p);
            break;
        case Tag::Real:
            v->real = get<double>(p);
            break;
        case Tag::Text:
        case Tag::Blob:
            v->size = get<std::uint32_t>(p);
            v->bytes = p + 4;
            break;
    }
    return p + payload(*v);
}

// A key as the raw value it is bound as.
QVariant rawValue(const RawView& v) {
    switch (v.tag) {
        case Tag::Null:
            return {};
        case Tag::Int:
            return QVariant(qint64(v.integer));
        case Tag::Real:
            return QVariant(v.real);
        case Tag::Text:
            // The bytes as read, so that the bound compares as the stored text.
            return QVariant::fromValue(ForeignText{QByteArray(v.bytes, qsizetype(v.size))});
        case Tag::Blob:
            return QVariant(QByteArray(v.bytes, qsizetype(v.size)));
    }
    return {};
}

// A block of rows' bytes past a store's first one, mapped from the system on
// its own: its pages go back as soon as the store is cleared, and they come
// as huge pages, one fault for 2 MB instead of one for every 4 KB: filling
// fresh small pages cost about as much as reading the rows from the file.
// The system may decline; the block then fills in small pages. A store's
// first block comes from the heap: a small set opened and closed again and
// again (a statement per question added to an exam) reuses the same memory
// there, where mapping and unmapping it each time cost four times the work.
char* mapBlock(size_t size) {
#ifdef __linux__
    // Aligned to a huge page, so that every one of its pages can be one.
    const size_t extra = kHugePage;
    void* mapped = mmap(nullptr, size + extra, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    char* const start = static_cast<char*>(mapped);
    char* const block = start + (kHugePage - reinterpret_cast<std::uintptr_t>(start) % kHugePage) % kHugePage;
    if (block > start) munmap(start, size_t(block - start));
    char* const end = block + size;
    if (start + size + extra > end) munmap(end, size_t(start + size + extra - end));
#ifdef MADV_HUGEPAGE
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
#else
    return new char[size];
#endif
}

}  // namespace

void RowStore::FreeBlock::operator()(char* block) const {
#ifdef __linux__
    if (mapped) {
        munmap(block, size);
        return;
    }
#endif
    delete[] block;
}

void RowStore::append(std::span<const RawView> row) { insertSlot(size(), encode(row), 0, true); }
void RowStore::append(const std::vector<QVariant>& row) { insert(size(), row); }
void RowStore::insert(int at, const std::vector<QVariant>& row) {
    insertSlot(at, encode(row), 0, true);
    noteKey(at, row);
}
void RowStore::insertBlank(int at) {
    // A new row sits between its neighbours' keys until it is posted.
    const int before = at > 0 && !unknown(at - 1) ? at - 1 : -1;
    insertSlot(at, nullptr, before >= 0 ? slots_[size_t(before)].key : 0, true);
}
void RowStore::replace(int row, const std::vector<QVariant>& values) {
    know(row);
    slots_.at(size_t(row)).row = encode(values);
    noteKey(row, values);
}
void RowStore::replace(int row, const std::vector<QVariant>& values, const std::vector<bool>& changed) {
    know(row);
    const char* p = slots_.at(size_t(row)).row;
    if (!p || p == kUnread || p == kGone) return replace(row, values);
    // The unchanged fields as views of the old row's bytes, which stay where
    // they are while the new row is encoded; the changed ones from values.
    std::vector<RawView> views(static_cast<size_t>(fieldCount_));
    std::vector<QByteArray> bytes(static_cast<size_t>(fieldCount_));  // keeps changed text alive while it is copied
    for (size_t f = 0; f < views.size(); ++f) {
        p = viewField(p, &views[f]);
        if (changed.at(f)) views[f] = viewOf(values.at(f), &bytes[f]);
    }
    slots_[size_t(row)].row = encode(std::span<const RawView>(views));
    if (keyField_ >= 0) {
        std::vector<QVariant> key(static_cast<size_t>(fieldCount_));
        key[size_t(keyField_)] = value(row, keyField_);
        noteKey(row, key);
    }
}
void RowStore::remove(int row) {
    know(row);
    const int n = size();
    knownRuns(row + 1, n, false,
              [&](int begin, int end) { std::copy(slots_.begin() + begin, slots_.begin() + end, slots_.begin() + begin - 1); });
    slots_.pop_back();
    for (Gap& gap : gaps_)
        if (gap.start > row) --gap.start;
}

bool RowStore::exchangeWithNext(int row) {
    if (!paged() || keyField_ < 0 || !keysOrdered_ || row < 0 || row + 1 >= size()) return false;
    know(row);
    know(row + 1);
    Slot& a = slots_[size_t(row)];
    Slot& b = slots_[size_t(row + 1)];
    if (!a.intKey || !b.intKey || a.key >= b.key || a.id == 0 || b.id == 0) return false;
    // The bytes of a row read hold its key as the slot does; a new row or a
    // gone one is not a row of the file as read.
    const auto storedKey = [&](const char* bytes, std::int64_t key) {
        if (bytes == kUnread) return true;
        if (!bytes || bytes == kGone) return false;
        const char* p = bytes;
        RawView v;
        for (int f = 0; f <= keyField_; ++f) p = viewField(p, &v);
        return v.tag == Tag::Int && v.integer == key;
    };
    if (!storedKey(a.row, a.key) || !storedKey(b.row, b.key)) return false;
    // Each row's bytes again with its new key; the others' fields as stored.
    const auto withKey = [&](const char* bytes, std::int64_t key) {
        if (bytes == kUnread) return bytes;
        std::vector<RawView> views(static_cast<size_t>(fieldCount_));
        const char* p = bytes;
        for (RawView& v : views) p = viewField(p, &v);
        views[size_t(keyField_)] = RawView{Tag::Int, key};
        return encode(std::span<const RawView>(views));
    };
    const char* const upper = withKey(b.row, a.key);
    const char* const lower = withKey(a.row, b.key);
    // A gap bounded by either row is bounded by the row that now holds its key.
    for (Gap& gap : gaps_)
        for (KeyBound* bound : {&gap.after, &gap.before}) {
            if (!bound->set || bound->fromKey || bound->key.typeId() != QMetaType::LongLong) continue;
            if (bound->id == a.id && bound->key.toLongLong() == a.key)
                bound->id = b.id;
            else if (bound->id == b.id && bound->key.toLongLong() == b.key)
                bound->id = a.id;
        }
    std::swap(a.id, b.id);
    a.row = upper;
    b.row = lower;
    return true;
}

void RowStore::setId(int row, std::int64_t id) {
    if (!paged()) return;
    slots_.at(size_t(row)).id = id;
    if (!gaps_.empty()) placed_.insert(id);
}

std::int64_t RowStore::id(int row) const {
    if (!paged() || row < 0 || row >= size() || unknown(row)) return 0;
    return slots_[size_t(row)].id;
}

template <typename F>
void RowStore::knownRuns(int from, int to, bool backwards, const F& f) const {
    // The runs between the gaps, cut to [from, to).
    std::vector<std::pair<int, int>> runs;
    int begin = from;
    for (const Gap& gap : gaps_) {
        if (gap.end() <= begin) continue;
        if (gap.start >= to) break;
        if (gap.start > begin) runs.emplace_back(begin, gap.start);
        begin = gap.end();
    }
    if (begin < to) runs.emplace_back(begin, to);
    if (backwards) std::reverse(runs.begin(), runs.end());
    for (const auto& [b, e] : runs) f(b, e);
}

void RowStore::insertSlot(int at, const char* row, std::int64_t key, bool intKey) {
    // A row comes before a known row (read first when it is not) or at the
    // end; the rows after it and their gaps move on by one. Only known rows
    // are moved: an unread place holds nothing yet, and moving it would
    // touch memory that a large list never uses until it is read.
    if (at < size()) know(at);
    const int n = size();
    if (slots_.size() == slots_.capacity()) {
        // Room for many more rows at once (an import adds them one by one);
        // what is not used is never touched.
        std::vector<Slot> grown;
        grown.reserve(size_t(n) + size_t(n) / 2 + 256);
        grown.resize(size_t(n) + 1);
        knownRuns(0, at, false, [&](int b, int e) { std::copy(slots_.begin() + b, slots_.begin() + e, grown.begin() + b); });
        knownRuns(at, n, false, [&](int b, int e) { std::copy(slots_.begin() + b, slots_.begin() + e, grown.begin() + b + 1); });
        slots_.swap(grown);
    } else {
        slots_.resize(size_t(n) + 1);
        knownRuns(at, n, true,
                  [&](int b, int e) { std::copy_backward(slots_.begin() + b, slots_.begin() + e, slots_.begin() + e + 1); });
    }
    for (Gap& gap : gaps_)
        if (gap.start >= at) ++gap.start;
    slots_[size_t(at)] = Slot(row, 0, key, intKey);
}

void RowStore::noteKey(int row, const std::vector<QVariant>& values) {
    if (keyField_ < 0) return;
    const QVariant& v = values.at(size_t(keyField_));
    const bool integer = v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
    const std::int64_t key = integer ? v.toLongLong() : 0;
    Slot& slot = slots_[size_t(row)];
    slot.key = key;
    slot.intKey = integer;
    // A row placed while part of the list is unread must not come again with it.
    if (!gaps_.empty() && slot.id != 0) placed_.insert(slot.id);
    // The neighbour's key; an unread neighbour is only known to lie past the
    // last key read on the other side of it, which is then the key compared.
    auto keyAt = [&](int r, bool after, std::int64_t* k) {
        if (const int g = gapOf(r); g >= 0) {
            const KeyBound& b = after ? gaps_[size_t(g)].after : gaps_[size_t(g)].before;
            if (!b.set || b.key.typeId() != QMetaType::LongLong) return false;
            *k = b.key.toLongLong();
            return true;
        }
        *k = slots_[size_t(r)].key;
        return true;
    };
    std::int64_t k = 0;
    // A key that is not an integer, or out of order, ends the search by key.
    const bool before = row > 0 && (!keyAt(row - 1, false, &k) || k > key);
    const bool after = row + 1 < size() && (!keyAt(row + 1, true, &k) || k < key);
    if (!integer || before || after) keysOrdered_ = false;
}

void RowStore::reorder(const std::vector<int>& order) {
    // A paged store is never reordered: its rows come in their order.
    std::vector<Slot> moved;
    moved.reserve(order.size());
    for (int from : order) moved.push_back(slots_.at(size_t(from)));
    slots_ = std::move(moved);
}

void RowStore::clear() {
    // What the store held: its blocks and its list of rows.
    const size_t held = blockBytes_ + slots_.capacity() * sizeof(Slot);
    const bool many = held > (size_t(16) << 20);
    // Assigning {} would keep the capacity: the lists are swapped out to free them.
    std::vector<Slot>().swap(slots_);
    std::vector<std::unique_ptr<char[], FreeBlock>>().swap(blocks_);
    blockBytes_ = 0;
    free_ = nullptr;
    left_ = 0;
    cursorRow_ = nullptr;
    walkEnd_ = -1;
    source_.reset();
    keyField_ = -1;
    std::vector<Gap>().swap(gaps_);
    std::unordered_set<std::int64_t>().swap(placed_);
    intKeys_ = true;
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

void RowStore::setPaged(int count, int keyField, std::unique_ptr<PageSource> source, bool wholeKeys) {
    clear();
    // Places not read are never touched: a large list costs memory as it is read.
    // Room for new rows past the end, so that the first one does not move
    // the list; untouched until used.
    const size_t n = size_t(std::max(count, 0));
    slots_.reserve(n + n / 8 + 256);
    slots_.resize(n);
    if (count > 0) gaps_.push_back(Gap{0, count, {}, {}});
    keyField_ = keyField;
    keysOrdered_ = true;
    source_ = std::move(source);
    if (wholeKeys)
        knowAll();
    else
        know(0);
}

int RowStore::gapOf(int row) const {
    // The last gap starting at or before row.
    const auto it = std::upper_bound(gaps_.begin(), gaps_.end(), row, [](int r, const Gap& g) { return r < g.start; });
    if (it == gaps_.begin()) return -1;
    const auto g = it - 1;
    return row < g->end() ? int(g - gaps_.begin()) : -1;
}

void RowStore::readKeys(size_t g, bool backwards, int n, const std::int64_t* stop) const {
    Gap& gap = gaps_[g];
    if (gap.count <= 0 || n <= 0) return;
    const bool ranOut = !source_->keys(gap.after, gap.before, backwards, [&](std::int64_t id, const RawView& key) {
        if (placed_.contains(id)) return true;
        const bool integer = key.tag == Tag::Int;
        intKeys_ = intKeys_ && integer;
        const int at = backwards ? gap.end() - 1 : gap.start;
        slots_[size_t(at)] = Slot(kUnread, id, integer ? key.integer : 0, integer);
        KeyBound& bound = backwards ? gap.before : gap.after;
        bound.set = true;
        bound.id = id;
        bound.key = rawValue(key);
        if (!backwards) ++gap.start;
        --gap.count;
        --n;
        const bool past = stop && integer && (backwards ? key.integer < *stop : key.integer > *stop);
        // A search by key stops at the first key that is not a whole number.
        return n > 0 && gap.count > 0 && !past && !(stop && !intKeys_);
    });
    if (ranOut) {
        // Nothing is left between the two sides: the places left read as
        // gone, keeping the order of the keys around them.
        const std::int64_t key = gap.start > 0        ? slots_[size_t(gap.start - 1)].key
                                 : gap.end() < size() ? slots_[size_t(gap.end())].key
                                                      : 0;
        for (int at = gap.start; at < gap.end(); ++at) slots_[size_t(at)] = Slot(kGone, 0, key, false);
        gap.start += gap.count;
        gap.count = 0;
    }
    if (gap.count == 0) gaps_.erase(gaps_.begin() + std::ptrdiff_t(g));
}

int RowStore::countedPlace(size_t g, std::int64_t key) const {
    const Gap& gap = gaps_[g];
    // A small gap is read sooner than counted; a row this store placed is
    // counted by the file where it now is, not where the store shows it.
    if (gap.count <= 2 * kKeyBlock || !placed_.empty() || !keysOrdered_ || !intKeys_) return -1;
    const bool lowKnown = gap.after.set && gap.after.key.typeId() == QMetaType::LongLong;
    const bool highKnown = gap.before.set && gap.before.key.typeId() == QMetaType::LongLong;
    // The nearer side by the keys' values, as when reading toward the key.
    const bool fromEnd = lowKnown && highKnown &&
                         double(gap.before.key.toLongLong()) - double(key) < double(key) - double(gap.after.key.toLongLong());
    const qint64 n = source_->count(gap.after, gap.before, key, fromEnd);
    // More rows than places: another program added rows since the open; they
    // are read in order instead, where the places run out.
    if (n < 0 || n > gap.count) return -1;
    return fromEnd ? gap.end() - int(n) : gap.start + int(n);
}

bool RowStore::readAt(size_t g, int place, std::int64_t key) const {
    const Gap gap = gaps_[g];
    const int n = std::min(kKeyBlock, gap.end() - place);
    if (n <= 0) return false;
    // From the first row whose key is at least key; a gap's low bound of the
    // same key (ties) is past some of them already.
    const bool tie = gap.after.set && gap.after.key.typeId() == QMetaType::LongLong && gap.after.key.toLongLong() >= key;
    const KeyBound from = tie ? gap.after : KeyBound{true, QVariant(qint64(key)), 0, true};
    std::vector<Slot> read;
    read.reserve(size_t(n));
    KeyBound first, last;
    bool integers = true;
    source_->keys(from, gap.before, false, [&](std::int64_t id, const RawView& k) {
        const bool integer = k.tag == Tag::Int;
        integers = integers && integer;
        read.emplace_back(kUnread, id, integer ? k.integer : 0, integer);
        KeyBound& bound = read.size() == 1 ? first : last;
        bound = KeyBound{true, rawValue(k), id};
        return int(read.size()) < n;
    });
    if (read.empty()) return false;
    if (read.size() == 1) last = first;
    intKeys_ = intKeys_ && integers;
    const int count = int(read.size());
    std::copy(read.begin(), read.end(), slots_.begin() + place);
    const Gap below{gap.start, place - gap.start, gap.after, first};
    const Gap above{place + count, gap.end() - place - count, last, gap.before};
    gaps_.erase(gaps_.begin() + std::ptrdiff_t(g));
    auto at = gaps_.begin() + std::ptrdiff_t(g);
    if (above.count > 0) at = gaps_.insert(at, above);
    if (below.count > 0) gaps_.insert(at, below);
    return true;
}

void RowStore::know(int row) const {
    for (int g = gapOf(row); g >= 0; g = gapOf(row)) {
        const Gap& gap = gaps_[size_t(g)];
        // From the nearer side, a block past the row so that the next rows
        // on the way are there too.
        const int fromStart = row - gap.start + 1, fromEnd = gap.end() - row;
        if (fromStart <= fromEnd)
            readKeys(size_t(g), false, fromStart + kKeyBlock);
        else
            readKeys(size_t(g), true, fromEnd + kKeyBlock);
    }
}

void RowStore::knowAll() const {
    while (!gaps_.empty()) readKeys(0, false, gaps_[0].count);
}

int RowStore::findKey(std::int64_t key, int from) const {
    if (!paged() || keyField_ < 0) return -1;
    // Reads toward the key's place until no gap can hold it.
    bool placeTried = false;
    while (intKeys_ && keysOrdered_) {
        size_t g = 0;
        std::int64_t low = 0, high = 0;
        bool lowKnown = false, highKnown = false;
        for (; g < gaps_.size(); ++g) {
            const Gap& gap = gaps_[g];
            lowKnown = gap.after.set && gap.after.key.typeId() == QMetaType::LongLong;
            highKnown = gap.before.set && gap.before.key.typeId() == QMetaType::LongLong;
            low = lowKnown ? gap.after.key.toLongLong() : 0;
            high = highKnown ? gap.before.key.toLongLong() : 0;
            const bool below = lowKnown && low > key;
            const bool above = highKnown && high < key;
            if (!below && !above) break;
        }
        if (g == gaps_.size()) break;
        if (!placeTried) {
            // One block from the end gives the last gap the key that closes
            // it, so that the nearer side is known.
            if (lowKnown && !gaps_[g].before.set && gaps_[g].count > 2 * kKeyBlock) {
                readKeys(g, true, kKeyBlock);
                continue;
            }
            placeTried = true;
            const int place = countedPlace(g, key);
            if (place >= 0 && readAt(g, place, key)) continue;
        }
        // The nearer side by the keys' values: whole-number keys are mostly even.
        const bool backwards = highKnown && (!lowKnown || double(high) - double(key) < double(key) - double(low));
        readKeys(g, backwards, gaps_[g].count, &key);
    }
    if (!intKeys_) return kNoKeySearch;
    if (from < 0 || from >= size()) return -1;
    if (!keysOrdered_) {
        knowAll();
        if (!intKeys_) return kNoKeySearch;
        for (int row = from; row < size(); ++row)
            if (slots_[size_t(row)].key == key) return row;
        return -1;
    }
    // The known runs between the gaps, each in order.
    auto search = [&](int begin, int end) {
        if (begin >= end) return -1;
        const auto first = slots_.begin() + begin, last = slots_.begin() + end;
        const auto at = std::lower_bound(first, last, key, [](const Slot& s, std::int64_t k) { return s.key < k; });
        return at != last && at->key == key ? int(at - slots_.begin()) : -1;
    };
    int begin = from;
    for (const Gap& gap : gaps_) {
        if (gap.end() <= begin) continue;
        const int found = search(begin, gap.start);
        if (found >= 0) return found;
        begin = std::max(begin, gap.end());
    }
    return search(begin, size());
}

void RowStore::fetch(int row) const {
    know(row);
    if (slots_[size_t(row)].row != kUnread) return;
    // Rows read in order (every row of a transfer, a grid paged down) come
    // in pages twice as long each time, up to kLongPage: fewer statements,
    // each its own read of the file, for the same rows. Any other row reads
    // the page around it.
    int first = row - row % kPage, end = std::min(size(), first + kPage);
    if (row == walkEnd_) {
        walkPage_ = std::min(walkPage_ * 2, kLongPage);
        first = row;
        end = std::min(size(), row + walkPage_);
        // Their ids and keys in one block from the start's side, when that is where they lie.
        const auto next = std::upper_bound(gaps_.begin(), gaps_.end(), row, [](int r, const Gap& g) { return r < g.start; });
        if (next != gaps_.end() && next->start < end)
            readKeys(size_t(next - gaps_.begin()), false, end - next->start + kKeyBlock);
    } else {
        walkPage_ = kPage;
    }
    walkEnd_ = end;
    std::vector<std::int64_t> ids;
    std::vector<int> at;
    for (int r = first; r < end; ++r)
        if (!unknown(r) && slots_[size_t(r)].row == kUnread) {
            ids.push_back(slots_[size_t(r)].id);
            at.push_back(r);
        }
    std::vector<const char*> read(ids.size(), kGone);
    auto* self = const_cast<RowStore*>(this);
    source_->fetch(ids, [&](size_t index, std::span<const RawView> values) {
        // A row that no longer holds the key it was ordered by is another row now.
        const Slot& slot = slots_[size_t(at[index])];
        if (keyField_ >= 0 && slot.intKey) {
            const RawView& key = values[size_t(keyField_)];
            if (key.tag != Tag::Int || key.integer != slot.key) return;
        }
        read[index] = self->encode(values);
    });
    // Only a page read whole is kept: a failure leaves every row unread.
    for (size_t i = 0; i < at.size(); ++i) slots_[size_t(at[i])].row = read[i];
}

bool RowStore::gone(int row) const {
    if (row < 0 || row >= size() || !paged()) return false;
    fetch(row);
    return slots_[size_t(row)].row == kGone;
}

char* RowStore::allocate(size_t bytes) {
    if (bytes > left_ || !free_) {
        // A row larger than a block gets one of its own, in whole huge pages.
        const size_t block = blocks_.empty() ? kFirstBlock : kBlock;
        const size_t size = bytes <= block ? block : (bytes + kHugePage - 1) / kHugePage * kHugePage;
        const bool first = blocks_.empty() && bytes <= block;
        std::unique_ptr<char[], FreeBlock> mapped(first ? new char[size] : mapBlock(size), FreeBlock{size, !first});
        blocks_.push_back(std::move(mapped));
        blockBytes_ += size;
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
    const char* const start = slots_[size_t(row)].row;
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

std::vector<RawView> RowStore::views(int row) const {
    if (row < 0 || row >= size()) return {};
    if (paged()) fetch(row);
    const char* p = slots_[size_t(row)].row;
    if (!p || p == kGone) return {};
    std::vector<RawView> views(static_cast<size_t>(fieldCount_));
    for (RawView& v : views) p = viewField(p, &v);
    return views;
}

std::vector<QVariant> RowStore::row(int index) const {
    std::vector<QVariant> values(static_cast<size_t>(fieldCount_));
    for (int f = 0; f < fieldCount_; ++f) values[size_t(f)] = value(index, f);
    return values;
}

}  // namespace storage
