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

qint64 nextKey(RecordSet& q, sql::OrderingKey key) {
    const bool rid = key == sql::OrderingKey::Rid;
    q.close();
    q.setCommandText(rid ? sql::maxRid() : sql::maxQqId());
    // The usual answer (a whole number, or none) straight from the kept
    // statement: an import asks once per question. Anything else goes the
    // long way below, through the set, and is named there.
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
        max = q.field(fields::kMri).value();
    }
    if (!max.isValid() || max.isNull()) return 1;
    if (max.typeId() == QMetaType::LongLong) {
        if (max.toLongLong() >= std::numeric_limits<std::int32_t>::max())
            throw Error(q.name() + (rid ? QStringLiteral(": Bankadaki soruların referans numaraları tükendi (en büyüğü %1).")
                                        : QStringLiteral(": Sınav kayıtlarının numaraları tükendi (en büyüğü %1)."))
                                       .arg(max.toLongLong()));
        return max.toLongLong() + 1;
    }

    // max() orders text and bytes above every number: the largest key is
    // not a number. Name the row that holds it.
    const driver::Database& db = q.connection()->database();
    const ScratchRow row = readScratch(
        q, rid ? QStringLiteral("SELECT m.qgrp, g.GROUPNAME, m.rid FROM tqmaster AS m LEFT JOIN tqgroup AS g ON g.ID = m.qgrp "
                                "WHERE ") +
                     db.notWholeNumber(QStringLiteral("m.rid")) + QStringLiteral(" ORDER BY m.rid DESC LIMIT 1")
               : QStringLiteral("SELECT q.group_id, g.GROUPNAME, q.qqID FROM qquestion AS q LEFT JOIN qgroup AS g "
                                "ON g.ID = q.group_id WHERE ") +
                     db.notWholeNumber(QStringLiteral("q.qqID")) + QStringLiteral(" ORDER BY q.qqID DESC LIMIT 1"));
    const QString value = row.found ? row.key : displayText(max);
    if (rid)
        throw Error(q.name() + QStringLiteral(": Yeni soruya referans numarası verilemiyor: grup no %1 (\"%2\") içindeki bir "
                                              "sorunun referans numarası bir tam sayı değil: '%3'. Bu değeri başka bir "
                                              "program yazmış olmalı; o soru düzeltilmeden bankaya yeni soru eklenemez.")
                                   .arg(row.number, row.name, value));
    throw Error(q.name() + QStringLiteral(": Sınava yeni soru eklenemiyor: sınav no %1 (\"%2\") içindeki bir kaydın numarası "
                                          "(qqID) bir tam sayı değil: '%3'. Bu değeri başka bir program yazmış olmalı; o "
                                          "kayıt düzeltilmeden sınavlara yeni soru eklenemez.")
                               .arg(row.number, row.name, value));
}

}  // namespace storage
