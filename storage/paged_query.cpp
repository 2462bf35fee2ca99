#include "storage/paged_query.h"

#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/statement_writer.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace storage {

namespace {

constexpr int kPageIds = 64;   // ids a page statement asks for at once
constexpr int kLongIds = 512;  // the same for a long page (rows read in order)

qint64 scalar(const Connection& connection, const QString& owner, const QString& sql, int columns = 1, qint64* second = nullptr) {
    Statement st(connection, owner, sql);
    std::vector<RawView> row(size_t(columns), RawView{});
    if (!st.readRow(row) || row[0].tag != RawView::Tag::Int) return -1;
    if (second) *second = row.size() > 1 && row[1].tag == RawView::Tag::Int ? row[1].integer : -1;
    return row[0].integer;
}

// A count that reads an index whole passes over thousands of pages once;
// the driver keeps them from pushing out the pages the open reads next.
class PassingPages {
public:
    explicit PassingPages(const Connection& connection) : db_(connection.database()) { db_.passingScan(true); }
    ~PassingPages() { db_.passingScan(false); }
    PassingPages(const PassingPages&) = delete;
    PassingPages& operator=(const PassingPages&) = delete;

private:
    driver::Database& db_;
};

// Reads a page of rows by their ids (the driver's row locators) with one
// statement of the driver's, so that the page is read in one read
// transaction: the rows come in any order, each after its id. A long page
// goes through a statement of its own that asks for more at once.
//
// Reads ids and keys in the order (key, row id), which is the query's order
// with ties in the order of an index on the key. Rows strictly after a row
// are those with a greater key, or the same key and a greater id; a null key
// comes before every other. The forms below keep a range on the key where
// there is one, so that an index on it starts at the bound.
class TablePages : public PageSource {
public:
    TablePages(const Connection& connection, const QString& owner, const QString& table, const QString& condition,
               const QString& column, int fields)
        : connection_(connection),
          owner_(owner),
          name_(table),
          table_(quoted(table)),
          condition_(condition),
          column_(quoted(column)),
          id_(connection.database().rowLocator()),
          st_(connection, owner, pageText(kPageIds)),
          row_(size_t(fields) + 1) {}

    QString pageText(int ids) const { return connection_.database().blockRead(name_, condition_, ids); }

    // The rows strictly between the bounds, as terms of a WHERE. A bound set
    // fromKey stands for its key alone: from a low one on, every row whose key
    // is at least the key; short of a high one, every row whose key is below.
    QStringList keyTerms(const KeyBound& after, const KeyBound& before) const {
        const QString& k = column_;
        QStringList terms;
        if (!condition_.isEmpty()) terms << u'(' + condition_ + u')';
        const bool lowValue = after.set && after.key.isValid();
        if (lowValue && after.fromKey)
            terms << k + QStringLiteral(" >= ?1");
        else if (lowValue)
            terms << k + QStringLiteral(" >= ?1 AND (") + k + QStringLiteral(" > ?1 OR ") + id_ + QStringLiteral(" > ?2)");
        else if (after.set)
            terms << u'(' + k + QStringLiteral(" IS NOT NULL OR ") + id_ + QStringLiteral(" > ?2)");
        if (before.set && before.key.isValid() && before.fromKey) {
            terms << (lowValue ? k + QStringLiteral(" < ?3")
                               : u'(' + k + QStringLiteral(" IS NULL OR ") + k + QStringLiteral(" < ?3)"));
        } else if (before.set && before.key.isValid()) {
            if (lowValue)
                terms << k + QStringLiteral(" <= ?3 AND (") + k + QStringLiteral(" < ?3 OR ") + id_ + QStringLiteral(" < ?4)");
            else
                terms << u'(' + k + QStringLiteral(" IS NULL OR ") + k + QStringLiteral(" < ?3 OR (") + k +
                             QStringLiteral(" = ?3 AND ") + id_ + QStringLiteral(" < ?4))");
        } else if (before.set) {
            terms << k + QStringLiteral(" IS NULL AND ") + id_ + QStringLiteral(" < ?4");
        }
        return terms;
    }

    void bindBounds(Statement& st, const KeyBound& after, const KeyBound& before) const {
        if (after.set && after.key.isValid()) st.bind(1, after.key);
        if (after.set && !after.fromKey) st.bind(2, qint64(after.id));
        if (before.set && before.key.isValid()) st.bind(3, before.key);
        if (before.set && !before.fromKey) st.bind(4, qint64(before.id));
    }

    // Reads the ids and keys strictly between the bounds, in order or backwards.
    QString keysText(const KeyBound& after, const KeyBound& before, bool descending) const {
        const QString& k = column_;
        const QStringList terms = keyTerms(after, before);
        const QString dir = descending ? QStringLiteral(" DESC") : QString();
        return QStringLiteral("SELECT ") + id_ + QStringLiteral(", ") + k + QStringLiteral(" FROM ") + table_ +
               (terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "))) +
               QStringLiteral(" ORDER BY ") + k + dir + QStringLiteral(", ") + id_ + dir;
    }

    void fetch(std::span<const std::int64_t> ids, const Put& put) override {
        std::vector<std::pair<std::int64_t, size_t>> byId;  // the part's ids in order, each with its index
        for (size_t from = 0; from < ids.size();) {
            const bool isLong = ids.size() - from > size_t(kPageIds);
            if (isLong && !long_) long_.emplace(connection_, owner_, pageText(kLongIds));
            Statement& st = isLong ? *long_ : st_;
            const size_t marks = isLong ? kLongIds : kPageIds;
            const auto part = ids.subspan(from, std::min(marks, ids.size() - from));
            byId.clear();
            for (size_t p = 0; p < marks; ++p) {
                st.bind(int(p) + 1, p < part.size() ? QVariant(qint64(part[p])) : QVariant());
                if (p < part.size()) byId.emplace_back(part[p], from + p);
            }
            std::sort(byId.begin(), byId.end());
            try {
                while (st.readRow(row_)) {
                    const auto at = std::lower_bound(byId.begin(), byId.end(), std::make_pair(row_[0].integer, size_t(0)));
                    if (at != byId.end() && at->first == row_[0].integer)
                        put(at->second, std::span<const RawView>(row_).subspan(1));
                }
            } catch (...) {
                st.reset();
                throw;
            }
            st.reset();
            from += part.size();
        }
    }

    bool keys(const KeyBound& after, const KeyBound& before, bool descending, const Take& take) override {
        Statement st(connection_, owner_, keysText(after, before, descending));
        bindBounds(st, after, before);
        std::vector<RawView> pair(2);
        // A statement kept for the next read is reset when it goes back.
        while (st.readRow(pair))
            if (!take(pair[0].integer, pair[1])) return true;
        return false;
    }

    qint64 count(const KeyBound& after, const KeyBound& before, std::int64_t key, bool atOrAbove) override {
        // The key itself bounds the rows counted, so that the index is stepped
        // from it and not from the far side of the gap; a gap's own bound
        // stays where it is nearer.
        const auto integer = [](const KeyBound& b) { return b.key.typeId() == QMetaType::LongLong; };
        if ((after.set && !integer(after)) || (before.set && !integer(before))) return -1;
        const KeyBound byKey{true, QVariant(qint64(key)), 0, true};
        const bool afterNearer = after.set && after.key.toLongLong() >= key;
        const bool beforeNearer = before.set && before.key.toLongLong() <= key;
        const KeyBound& low = atOrAbove && !afterNearer ? byKey : after;
        const KeyBound& high = !atOrAbove && !beforeNearer ? byKey : before;
        const QStringList terms = keyTerms(low, high);
        // Stepping a long run of an index: its pages pass through the cache.
        const PassingPages passing(connection_);
        Statement st(connection_, owner_,
                     QStringLiteral("SELECT COUNT(*) FROM ") + table_ +
                         (terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "))));
        bindBounds(st, low, high);
        std::vector<RawView> row(1);
        return st.readRow(row) && row[0].tag == RawView::Tag::Int ? row[0].integer : -1;
    }

private:
    const Connection& connection_;
    QString owner_, name_, table_, condition_, column_, id_;
    Statement st_;
    std::optional<Statement> long_;
    std::vector<RawView> row_;
};

// A condition of one column equal to a whole number: column, number.
QRegularExpressionMatch equalTo(const QString& condition) {
    static const QRegularExpression equal(QStringLiteral(R"(^\s*(\w+)\s*=\s*(-?\d{1,18})\s*$)"));
    return equal.match(condition);
}

// The rows of the condition. SQLite counts the rows of a range of an index
// one by one, but a whole table from its pages alone, several times faster;
// a group that is most of its table is therefore counted as the table less
// the rows outside the group, when the condition is one column equal to a
// number: every other row is below, above or null, each a range of an index
// on the column. Both counts are one statement, one read of the file.
qint64 countRows(const Connection& connection, const QString& owner, const QString& table, const QString& condition) {
    const QString from = QStringLiteral(" FROM ") + quoted(table);
    if (condition.isEmpty()) {
        const PassingPages passing(connection);
        return scalar(connection, owner, QStringLiteral("SELECT COUNT(*)") + from);
    }
    const QString where = QStringLiteral(" WHERE ") + condition;
    const QRegularExpressionMatch m = equalTo(condition);
    constexpr int kSmall = 20000, kOutside = 200000;
    if (m.hasMatch()) {
        const qint64 small =
            scalar(connection, owner,
                   QStringLiteral("SELECT COUNT(*) FROM (SELECT 1") + from + where + QStringLiteral(" LIMIT %1)").arg(kSmall));
        if (small >= 0 && small < kSmall) return small;
    }
    // Every count from here on may read a whole index.
    const PassingPages passing(connection);
    if (m.hasMatch()) {
        const QString c = quoted(m.captured(1)), v = m.captured(2);
        qint64 outside = -1;
        const qint64 total = scalar(connection, owner,
                                    QStringLiteral("SELECT (SELECT COUNT(*)") + from +
                                        QStringLiteral("), (SELECT COUNT(*) FROM (SELECT 1") + from + QStringLiteral(" WHERE ") +
                                        c + QStringLiteral(" < ") + v + QStringLiteral(" OR ") + c + QStringLiteral(" > ") + v +
                                        QStringLiteral(" OR ") + c + QStringLiteral(" IS NULL LIMIT %1))").arg(kOutside),
                                    2, &outside);
        if (total >= 0 && outside >= 0 && outside < kOutside) return total - outside;
    }
    return scalar(connection, owner, QStringLiteral("SELECT COUNT(*)") + from + where);
}

// Whether the database sorts to give the rows in this order: then every block
// of keys would cost a read of them all, and they are read at once instead.
bool sorts(const Connection& connection, const QString& owner, const QString& query) {
    try {
        return connection.database().sorts(query.toUtf8());
    } catch (const driver::Failure& f) {
        connection.fail(owner, f);
    }
}

}  // namespace

bool openPaged(const Connection& connection, const QString& owner, const QString& sql, QueryResult* result) {
    static const QRegularExpression plain(
        QStringLiteral(R"(^\s*select\s+\*\s+from\s+(\w+)\s+(?:where\s+(.+?)\s+)?order\s+by\s+(\w+)(?:\s+asc)?\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    // A condition of plain comparisons only: nothing that could hold another
    // query, a parameter or a text that reads differently inside brackets.
    static const QRegularExpression unsafe(
        QStringLiteral(R"([;?'"`\[\]]|--|/\*|\b(select|from|order|group|limit|union|join|having|window)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = plain.match(sql);
    if (!m.hasMatch()) return false;
    const QString table = m.captured(1), condition = m.captured(2), column = m.captured(3);
    if (condition.contains(unsafe)) return false;
    const QString where = condition.isEmpty() ? QString() : QStringLiteral(" AND (") + condition + u')';

    QueryResult described;
    try {
        bool typed = false;
        Statement shape(connection, owner,
                        QStringLiteral("SELECT * FROM ") + quoted(table) + QStringLiteral(" WHERE ") +
                            connection.database().rowLocator() + QStringLiteral(" = ?1") + where);
        described = shape.describe(&typed);
        if (!typed || described.updateTable.compare(table, Qt::CaseInsensitive) != 0) return false;
    } catch (const Error&) {
        return false;  // no row locator (a view, a table without one): read whole, as the query says
    }
    int keyField = -1;
    for (int f = 0; f < int(described.fields.size()); ++f) {
        const QString& name = described.fields[size_t(f)].name;
        if (connection.database().hidesRowLocator(name)) return false;  // a column by that name hides the row id
        if (name.compare(column, Qt::CaseInsensitive) == 0) keyField = f;
    }
    if (keyField < 0) return false;

    // The rows are counted now, unless the same rows were counted since the
    // file last changed; their ids and keys are read as they are reached.
    const KnownCounts::Mark at = KnownCounts::mark(connection);
    const QRegularExpressionMatch equal = equalTo(condition);
    const QString known = equal.hasMatch() ? KnownCounts::key(table, equal.captured(1), equal.captured(2)) : QString();
    qint64 count = connection.knownCounts().find(known, at).value_or(-1);
    if (count < 0) {
        count = countRows(connection, owner, table, condition);
        if (count >= 0) connection.knownCounts().keep(known, at, count);
    }
    if (count < 0 || count > std::numeric_limits<int>::max()) return false;
    auto pages = std::make_unique<TablePages>(connection, owner, table, condition, column, int(described.fields.size()));
    const bool whole = sorts(connection, owner, pages->keysText({}, {}, false));
    result->fields = std::move(described.fields);
    result->updateTable = std::move(described.updateTable);
    result->rows = RowStore(int(result->fields.size()));
    result->rows.setPaged(int(count), keyField, std::move(pages), whole);
    return true;
}

}  // namespace storage
