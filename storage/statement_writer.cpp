#include "storage/statement_writer.h"

#include "storage/connection.h"
#include "storage/statement.h"

#include <QStringList>

#include <algorithm>

namespace storage {

QString quoted(const QString& identifier) {
    QString text = identifier;
    text.replace(u'"', QLatin1String("\"\""));
    return u'"' + text + u'"';
}

QString selectText(const QString& table, const QString& detailField) {
    QString sql = QStringLiteral("SELECT * FROM ") + quoted(table);
    if (!detailField.isEmpty()) sql += QStringLiteral(" WHERE ") + quoted(detailField) + QStringLiteral(" = ?1");
    return sql;
}

StatementWriter::StatementWriter(const Connection& connection, QString owner, QString table, const std::vector<FieldDef>& fields)
    : connection_(connection), owner_(std::move(owner)), table_(std::move(table)), fields_(fields) {}

QString StatementWriter::whereRowMatches(int firstParameter, bool byId) const {
    // The row is found by every value it was read with: if another program
    // changed or deleted it meanwhile, nothing matches and nothing changes.
    // One row only, even when another holds the same values: by id the row
    // read, else the first the subquery finds. A scalar subquery, not IN: IN
    // would build a temporary table for its one row id on every run.
    const driver::Database& db = connection_.database();
    const QString same = u' ' + db.sameAs() + QStringLiteral(" ?");
    const QString id = db.rowLocator();
    QStringList terms;
    int p = firstParameter;
    for (const FieldDef& f : fields_) terms << quoted(f.originColumn) + same + QString::number(p++);
    if (byId)
        return QStringLiteral(" WHERE ") + id + QStringLiteral(" = ?") + QString::number(p) + QStringLiteral(" AND ") +
               terms.join(QLatin1String(" AND "));
    return QStringLiteral(" WHERE ") + id + QStringLiteral(" = (SELECT ") + id + QStringLiteral(" FROM ") + quoted(table_) +
           QStringLiteral(" WHERE ") + terms.join(QLatin1String(" AND ")) + QStringLiteral(" LIMIT 1)");
}

bool StatementWriter::change(const QString& text, const std::vector<QVariant>* leading, const std::vector<bool>* changed,
                             std::span<const RawView> original, qint64 rowid) const {
    Statement st(connection_, owner_, text);
    // A parameter left unbound reads null and could match another row.
    if (original.size() != fields_.size())
        st.fail(QStringLiteral("Satırın okunan değerleri yok; dosyada hiçbir şey değiştirilmedi."));
    int p = 1;
    if (leading)
        for (size_t f = 0; f < fields_.size(); ++f)
            if ((*changed)[f]) st.bind(p++, (*leading)[f]);
    st.bind(p, original);
    p += int(original.size());
    if (rowid != 0) st.bind(p, RawView{.tag = RawView::Tag::Int, .integer = rowid});
    st.run();
    return st.changes() != 0;
}

qint64 StatementWriter::insert(const std::vector<QVariant>& row) {
    if (insertText_.isEmpty()) {
        QStringList columns, marks;
        for (const FieldDef& f : fields_) {
            if (f.readOnly) continue;
            columns << quoted(f.originColumn);
            marks << QStringLiteral("?") + QString::number(columns.size());
        }
        insertText_ = QStringLiteral("INSERT INTO ") + quoted(table_);
        insertText_ += columns.isEmpty()
                           ? QStringLiteral(" DEFAULT VALUES")
                           : QStringLiteral(" (") + columns.join(u',') + QStringLiteral(") VALUES (") + marks.join(u',') + u')';
    }
    Statement st(connection_, owner_, insertText_);
    int p = 1;
    for (size_t f = 0; f < fields_.size(); ++f)
        if (!fields_[f].readOnly) st.bind(p++, row[f]);
    st.run();
    return st.lastInsertRowid();
}

bool StatementWriter::update(std::span<const RawView> original, const std::vector<QVariant>& updated,
                             const std::vector<bool>& changed, qint64 rowid) {
    if (std::find(changed.begin(), changed.end(), true) == changed.end()) return true;
    auto known = std::find_if(updateTexts_.begin(), updateTexts_.end(), [&](const auto& t) { return t.first == changed; });
    if (known == updateTexts_.end()) {
        QStringList sets;
        for (size_t f = 0; f < fields_.size(); ++f)
            if (changed[f]) sets << quoted(fields_[f].originColumn) + QStringLiteral(" = ?") + QString::number(sets.size() + 1);
        const QString head = QStringLiteral("UPDATE ") + quoted(table_) + QStringLiteral(" SET ") + sets.join(u',');
        const int first = int(sets.size()) + 1;
        updateTexts_.emplace_back(changed,
                                  ChangeTexts{head + whereRowMatches(first, false), head + whereRowMatches(first, true)});
        known = updateTexts_.end() - 1;
    }
    // The row at its id is found without the subquery's search through an
    // index; any other row that holds the values only when it is not there.
    if (rowid != 0 && change(known->second.byId, &updated, &changed, original, rowid)) return true;
    return change(known->second.byValues, &updated, &changed, original, 0);
}

bool StatementWriter::remove(std::span<const RawView> original, qint64 rowid) {
    if (removeTexts_.byValues.isEmpty()) {
        const QString head = QStringLiteral("DELETE FROM ") + quoted(table_);
        removeTexts_ = {head + whereRowMatches(1, false), head + whereRowMatches(1, true)};
    }
    if (rowid != 0 && change(removeTexts_.byId, nullptr, nullptr, original, rowid)) return true;
    return change(removeTexts_.byValues, nullptr, nullptr, original, 0);
}

std::vector<int> StatementWriter::identityFields() const {
    auto fieldOf = [this](const QString& column) {
        for (size_t f = 0; f < fields_.size(); ++f)
            if (fields_[f].originColumn.compare(column, Qt::CaseInsensitive) == 0) return int(f);
        return -1;
    };
    for (size_t f = 0; f < fields_.size(); ++f)
        if (fields_[f].kind == FieldKind::AutoNumber) return {int(f)};
    std::vector<QStringList> keys;
    try {
        keys = connection_.database().uniqueKeys(table_);
    } catch (const driver::Failure& f) {
        connection_.fail(owner_, f);
    }
    for (const QStringList& columns : keys) {
        std::vector<int> key;
        for (const QString& column : columns) key.push_back(fieldOf(column));
        if (!key.empty() && std::find(key.begin(), key.end(), -1) == key.end()) return key;
    }
    return {};
}

}  // namespace storage
