#include "storage/statements.h"

#include "storage/connection.h"
#include "storage/count_cache.h"
#include "storage/errors.h"
#include "storage/field_names.h"
#include "storage/recordset.h"
#include "storage/transaction.h"

#include <QScopeGuard>

namespace storage::sql {

namespace {
QString n(qint64 value) { return QString::number(value); }
}  // namespace

QString questionsOfGroup(qint64 group) {
    return QStringLiteral("Select * from tqmaster Where qgrp = ") + n(group) + QStringLiteral(" Order By rid");
}
QString groupQuestionCount(qint64 group) {
    return QStringLiteral("select count(qgrp) as RCX from tqmaster WHERE qgrp = ") + n(group);
}
QString examQuestionCount(qint64 exam) {
    return QStringLiteral("select count(qqID) as RCX from qquestion WHERE group_id = ") + n(exam);
}
QString examQuestionsInOrder(qint64 exam) {
    return QStringLiteral("select * from Questions where group_id = ") + n(exam) + QStringLiteral(" order by qqID");
}
QString maxRid() { return QStringLiteral("select max(rid) as MRI FROM tqmaster"); }
QString examHoldsQuestion(qint64 exam, qint64 rid) {
    return QStringLiteral("select count(qqID) as MRI from qquestion where group_id = ") + n(exam) +
           QStringLiteral(" and question_id = ") + n(rid);
}
QString maxQqId() { return QStringLiteral("select max(qqID) as MRI FROM qquestion"); }
QString bankHoldsQuestion(qint64 rid) { return QStringLiteral("select count(rid) as MRI from tqmaster where rid = ") + n(rid); }
QString insertExamEntry(qint64 qqId, qint64 exam, qint64 rid) {
    return QStringLiteral("Insert into qquestion Values(") + n(qqId) + u',' + n(exam) + u',' + n(rid) + u')';
}
QString setRid(qint64 to, qint64 from) {
    return QStringLiteral("update tqmaster set rid = ") + n(to) + QStringLiteral(" where rid = ") + n(from);
}
QString moveQuestionToGroup(qint64 group, qint64 rid) {
    return QStringLiteral("Update tqmaster set qgrp = ") + n(group) + QStringLiteral(" where rid = ") + n(rid);
}
QString setQqId(qint64 to, qint64 from) {
    return QStringLiteral("update qquestion set qqID = ") + n(to) + QStringLiteral(" where qqID = ") + n(from);
}
QString deleteExamEntry(qint64 qqId) { return QStringLiteral("Delete from qquestion where qqID = ") + n(qqId); }
QString deleteExamEntries(qint64 exam) { return QStringLiteral("Delete from qquestion where group_id = ") + n(exam); }
QString deleteExam(qint64 exam) { return QStringLiteral("Delete from qgroup where ID = ") + n(exam); }
QString countToSetCancelled(bool cancelled) {
    return QStringLiteral(
               "select count(g.ID) as RCX, count(distinct g.ID) as GRP, count(*) - count(g.ID) as ORP "
               "from tqmaster m left join tqgroup g on g.ID = m.qgrp where ") +
           (cancelled ? QStringLiteral("not coalesce(m.sts, 0)") : QStringLiteral("coalesce(m.sts, 0)"));
}
QString setAllCancelled(bool cancelled) {
    return cancelled ? QStringLiteral("Update tqmaster set sts = true") : QStringLiteral("Update tqmaster set sts = false");
}

QString keptOrderTableExists() {
    return QStringLiteral("select count(*) as RCX from sqlite_master where type = 'table' and name = 'quorvel_kept_order'");
}
QString createKeptOrderTable() {
    return QStringLiteral("create table if not exists quorvel_kept_order (answers_key INTEGER PRIMARY KEY)");
}
QString keptOrderKeys() { return QStringLiteral("select answers_key from quorvel_kept_order"); }
QString keepOrder(qint64 key) { return QStringLiteral("insert or replace into quorvel_kept_order values(") + n(key) + u')'; }
QString releaseOrder(qint64 key) { return QStringLiteral("delete from quorvel_kept_order where answers_key = ") + n(key); }

std::array<QString, 3> swapStatements(OrderingKey key, qint64 earlier, qint64 later) {
    auto set = key == OrderingKey::Rid ? &setRid : &setQqId;
    return {set(-later, later), set(later, earlier), set(earlier, -later)};
}

int executeChange(RecordSet& changeQuery, const QString& statement) {
    changeQuery.close();
    changeQuery.setCommandText(QString());
    changeQuery.setCommandText(statement);
    return changeQuery.execute();
}

bool negatedKeySwap(RecordSet& changeQuery, OrderingKey key, qint64 earlier, qint64 later) {
    if (!changeQuery.connection()) throw Error(changeQuery.name() + QStringLiteral(": Connection is closed"));
    Connection& connection = *changeQuery.connection();
    const driver::Mark before = KnownCounts::mark(connection);
    bool single = true;
    atomically(connection, [&] {
        for (const QString& statement : swapStatements(key, earlier, later))
            single = executeChange(changeQuery, statement) == 1 && single;
    });
    // The connection's count of changed rows takes in what triggers changed.
    const driver::Mark after = KnownCounts::mark(connection);
    return single && before.known() && after.known() && after.changes - before.changes == 3;
}

std::vector<qint64> numbers(RecordSet& query, const QString& statement, std::initializer_list<QString> fields) {
    query.close();
    query.setCommandText(statement);
    query.open();
    const auto done = qScopeGuard([&] { query.close(); });
    std::vector<qint64> values;
    values.reserve(fields.size());
    for (const QString& field : fields) values.push_back(query.field(field).asKeyOr(0));
    return values;
}

qint64 scalar(RecordSet& query, const QString& statement, const QString& field) {
    return numbers(query, statement, {field}).front();
}

void swapWithNeighbour(RecordSet& list, RecordSet& changeQuery, OrderingKey key, int direction) {
    if (!list.active()) return;
    list.checkBrowseMode();
    if (list.isEmpty()) return;
    if (direction < 0 ? list.recNo() == 1 : list.recNo() == list.recordCount()) return;
    const QString name = key == OrderingKey::Rid ? fields::kRid : fields::kQqId;
    const qint64 current = list.field(name).asKey();
    list.moveBy(direction);
    // The moved row takes the place the cursor now holds, whether the list
    // follows the exchange or is read again in key order.
    const int upper = direction < 0 ? list.currentRow() : list.currentRow() - 1;
    bool exchanged = false;
    try {
        const qint64 neighbour = list.field(name).asKey();
        // The later row of the pair is parked at its negated key.
        list.exchangeWithNext(upper, [&] {
            const bool only =
                negatedKeySwap(changeQuery, key, direction < 0 ? neighbour : current, direction < 0 ? current : neighbour);
            exchanged = true;
            return only;
        });
    } catch (const Error&) {
        if (exchanged) throw;  // the list could not be read again; the keys are exchanged
        // Nothing was exchanged: the cursor goes back to the row it was on.
        try {
            list.moveBy(-direction);
        } catch (const Error&) {
        }
        throw;
    }
}

}  // namespace storage::sql
