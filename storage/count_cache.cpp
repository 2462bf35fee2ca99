#include "storage/count_cache.h"

#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/recordset.h"
#include "storage/statements.h"

#include <QRegularExpression>

namespace storage {

namespace {

constexpr int kKept = 64;  // figures kept at most; more are dropped together

// "select count(c) as x from t where c = n": the rows of t where c = n (c is
// not null in any of them).
QString sharedKey(const QString& statement) {
    static const QRegularExpression count(
        QStringLiteral(
            R"(^\s*select\s+count\s*\(\s*(\w+)\s*\)\s+as\s+\w+\s+from\s+(\w+)\s+where\s+(\w+)\s*=\s*(-?\d{1,18})\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = count.match(statement);
    if (!m.hasMatch() || m.captured(1).compare(m.captured(3), Qt::CaseInsensitive) != 0) return {};
    return KnownCounts::key(m.captured(2), m.captured(3), m.captured(4));
}

}  // namespace

KnownCounts::Mark KnownCounts::mark(const Connection& connection) {
    if (!connection.connected()) return {};
    return connection.database().mark();
}

QString KnownCounts::key(const QString& table, const QString& column, const QString& value) {
    static const QRegularExpression word(QStringLiteral(R"(^\w+$)"));
    static const QRegularExpression number(QStringLiteral(R"(^\s*-?\d{1,18}\s*$)"));
    if (!word.match(table).hasMatch() || !word.match(column).hasMatch() || !number.match(value).hasMatch()) return {};
    return table.toLower() + u'.' + column.toLower() + u'=' + QString::number(value.trimmed().toLongLong());
}

std::optional<qint64> KnownCounts::find(const QString& key, const Mark& at) const {
    if (key.isEmpty() || !at.known() || !(at == mark_)) return std::nullopt;
    const auto it = values_.constFind(key);
    if (it == values_.constEnd()) return std::nullopt;
    return *it;
}

void KnownCounts::keep(const QString& key, const Mark& at, qint64 value) {
    if (key.isEmpty() || !at.known()) return;
    if (!(at == mark_) || values_.size() >= kKept) values_.clear();
    mark_ = at;
    values_.insert(key, value);
}

void KnownCounts::clear() {
    mark_ = {};
    values_.clear();
}

qint64 CountCache::count(RecordSet& query, const QString& statement, const QString& field) {
    Connection* connection = query.connection();
    KnownCounts::Mark at;
    if (connection && connection->connected()) at = KnownCounts::mark(*connection);
    if (at.known() && statement == statement_ && at == mark_) return value_;
    const QString shared = sharedKey(statement);
    std::optional<qint64> value = connection ? connection->knownCounts().find(shared, at) : std::nullopt;
    if (!value) {
        value = sql::scalar(query, statement, field);
        if (connection) connection->knownCounts().keep(shared, at, *value);
    }
    statement_ = statement;
    mark_ = at;
    value_ = *value;
    return *value;
}

}  // namespace storage
