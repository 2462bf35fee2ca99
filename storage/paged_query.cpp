#include "storage/paged_query.h"

#include "storage/errors.h"
#include "storage/statement_writer.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace storage {

namespace {

constexpr int kPageIds = 64;  // ids a page statement asks for at once

// Reads a page of rows by their ids with one statement, so that the page is
// read in one read transaction: the rows come in rowid order, each after its id.
// NOT INDEXED keeps the planner on the row ids: through an index on the
// condition it would visit every row of the group for each page.
class TablePages : public PageSource {
public:
    TablePages(const Connection& connection, const QString& owner, const QString& sql, int fields)
        : st_(connection, owner, sql), row_(size_t(fields) + 1) {}

    void fetch(std::span<const std::int64_t> ids, const Put& put) override {
        for (size_t from = 0; from < ids.size(); from += kPageIds) {
            const auto part = ids.subspan(from, std::min<size_t>(kPageIds, ids.size() - from));
            for (int p = 0; p < kPageIds; ++p)
                st_.bind(p + 1, size_t(p) < part.size() ? QVariant(qint64(part[size_t(p)])) : QVariant());
            try {
                while (st_.readRow(row_)) {
                    const auto at = std::find(part.begin(), part.end(), row_[0].integer);
                    if (at != part.end()) put(from + size_t(at - part.begin()), std::span<const RawView>(row_).subspan(1));
                }
            } catch (...) {
                st_.reset();
                throw;
            }
            st_.reset();
        }
    }

private:
    Statement st_;
    std::vector<RawView> row_;
};

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
                        QStringLiteral("SELECT * FROM ") + quoted(table) + QStringLiteral(" WHERE rowid = ?1") + where);
        described = shape.describe(&typed);
        if (!typed || described.updateTable.compare(table, Qt::CaseInsensitive) != 0) return false;
    } catch (const Error&) {
        return false;  // no rowid (a view, a table without one): read whole, as the query says
    }
    int keyField = -1;
    for (int f = 0; f < int(described.fields.size()); ++f) {
        const QString& name = described.fields[size_t(f)].name;
        if (name.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("oid"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("_rowid_"), Qt::CaseInsensitive) == 0)
            return false;  // a column by that name hides the row id
        if (name.compare(column, Qt::CaseInsensitive) == 0) keyField = f;
    }
    if (keyField < 0) return false;

    Statement keysQuery(connection, owner,
                        QStringLiteral("SELECT rowid, ") + quoted(column) + QStringLiteral(" FROM ") + quoted(table) +
                            (condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition) +
                            QStringLiteral(" ORDER BY ") + quoted(column));
    std::vector<std::int64_t> ids, keys;
    bool integerKeys = true, ordered = true;
    std::vector<RawView> pair(2);
    while (keysQuery.readRow(pair)) {
        ids.push_back(pair[0].integer);
        const bool integer = pair[1].tag == RawView::Tag::Int;
        integerKeys = integerKeys && integer;
        if (integer) {
            ordered = ordered && (keys.empty() || keys.back() <= pair[1].integer);
            keys.push_back(pair[1].integer);
        }
    }
    QStringList marks;
    for (int p = 1; p <= kPageIds; ++p) marks << QStringLiteral("?") + QString::number(p);
    auto pages = std::make_unique<TablePages>(connection, owner,
                                              QStringLiteral("SELECT rowid, * FROM ") + quoted(table) +
                                                  QStringLiteral(" NOT INDEXED WHERE rowid IN (") + marks.join(u',') + u')' + where,
                                              int(described.fields.size()));
    result->fields = std::move(described.fields);
    result->updateTable = std::move(described.updateTable);
    result->rows = RowStore(int(result->fields.size()));
    // Keys that are not all integers order the rows but neither check nor find them.
    if (!integerKeys) keys.clear();
    result->rows.setPaged(std::move(ids), integerKeys ? keyField : -1, std::move(keys), integerKeys && ordered, std::move(pages));
    return true;
}

}  // namespace storage
