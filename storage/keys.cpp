#include "storage/keys.h"

#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/field_names.h"
#include "storage/recordset.h"
#include "storage/statement.h"

#include <QScopeGuard>

#include <cstdint>
#include <limits>

namespace storage {

namespace {

// Reads one row of a scratch query's text, then closes it.
struct ScratchRow {
    QString owner, number, name, key;
    bool found = false;
};

ScratchRow readScratch(RecordSet& q, const QString& statement) {
    q.close();
    q.setCommandText(statement);
    q.open();
    const auto done = qScopeGuard([&] { q.close(); });
    ScratchRow row;
    row.found = !q.isEmpty();
    if (row.found) {
        row.number = q.field(0).asString();
        row.name = q.field(1).asString();
        row.key = q.field(2).asString();
    }
    return row;
}

}  // namespace

qint64 nextKey(RecordSet& q, sql::OrderingKey key, QString* unusable) {
    const bool rid = key == sql::OrderingKey::Rid;
    if (unusable) unusable->clear();
    q.close();
    q.setCommandText(rid ? sql::maxRid() : sql::maxQqId());
    // The usual answer (a whole number, or none) straight from the kept
    // statement: an import asks once per question. Anything else goes the
    // long way below.
    if (q.connection() && q.connection()->connected()) {
        Statement st(*q.connection(), q.name(), q.commandText());
        std::vector<RawView> row(1);
        if (!st.readRow(row) || row[0].tag == RawView::Tag::Null) return 1;
        if (row[0].tag == RawView::Tag::Int && row[0].integer < std::numeric_limits<std::int32_t>::max())
            return row[0].integer + 1;
    }
    q.open();
    QVariant max;
    {
        const auto done = qScopeGuard([&] { q.close(); });
        max = q.field(fields::kMri).storedValue();
    }
    if (!max.isValid() || max.isNull()) return 1;

    // max() orders text and bytes above every number, and a decimal may lie
    // above the largest whole number: the largest key is then none the
    // program can count on. New keys follow the largest whole number, and
    // the row that holds the largest other key is named.
    const driver::Database& db = q.connection()->database();
    const QString table = rid ? QStringLiteral("tqmaster") : QStringLiteral("qquestion");
    const QString column = rid ? QStringLiteral("rid") : QStringLiteral("qqID");
    qint64 largest = 0;
    if (max.typeId() == QMetaType::LongLong) {
        largest = max.toLongLong();
    } else {
        largest = sql::scalar(q,
                              QStringLiteral("select max(") + column + QStringLiteral(") as MRI FROM ") + table +
                                  QStringLiteral(" WHERE NOT (") + db.notWholeNumber(column) + u')',
                              fields::kMri);
        if (unusable) {
            const ScratchRow row = readScratch(
                q, rid ? QStringLiteral("SELECT m.qgrp, g.GROUPNAME, m.rid FROM tqmaster AS m LEFT JOIN tqgroup AS g ON g.ID = "
                                        "m.qgrp WHERE ") +
                             db.notWholeNumber(QStringLiteral("m.rid")) + QStringLiteral(" ORDER BY m.rid DESC LIMIT 1")
                       : QStringLiteral("SELECT q.group_id, g.GROUPNAME, q.qqID FROM qquestion AS q LEFT JOIN qgroup AS g "
                                        "ON g.ID = q.group_id WHERE ") +
                             db.notWholeNumber(QStringLiteral("q.qqID")) + QStringLiteral(" ORDER BY q.qqID DESC LIMIT 1"));
            const QString value = row.found ? row.key : displayText(max);
            *unusable = rid ? QStringLiteral(
                                  "Grup no %1 (\"%2\") içindeki bir sorunun referans numarası bir tam sayı değil: "
                                  "'%3'. Bu değeri başka bir program yazmış olmalı; o soru taşınamaz ve sınava "
                                  "aktarılamaz. Yeni sorular, tam sayı olan en büyük referans numarasından sonra "
                                  "numaralanır.")
                                  .arg(row.number, row.name, value)
                            : QStringLiteral(
                                  "Sınav no %1 (\"%2\") içindeki bir kaydın numarası (qqID) bir tam sayı değil: "
                                  "'%3'. Bu değeri başka bir program yazmış olmalı; o kayıt sınavdan kaldırılamaz "
                                  "ve taşınamaz. Yeni kayıtlar, tam sayı olan en büyük numaradan sonra "
                                  "numaralanır.")
                                  .arg(row.number, row.name, value);
        }
    }
    if (largest >= std::numeric_limits<std::int32_t>::max())
        throw Error(q.name() + (rid ? QStringLiteral(": Bankadaki soruların referans numaraları tükendi (en büyüğü %1).")
                                    : QStringLiteral(": Sınav kayıtlarının numaraları tükendi (en büyüğü %1)."))
                                   .arg(largest));
    return largest + 1;
}

}  // namespace storage
