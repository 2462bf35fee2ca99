#include "bank/question_rules.h"

#include "storage/errors.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "text/rtf.h"
#include "ui/msgbox.h"

namespace bank {

namespace {

// The largest rid of the bank as the scratch query reads it; an empty table
// has none and reads 0.
qint64 maxRid(storage::Session& session) {
    storage::RecordSet& q = session.ADOQuery1;
    q.close();
    q.setCommandText(storage::sql::maxRid());
    q.open();
    const qint64 max = q.field(QStringLiteral("MRI")).asInteger();
    q.close();
    return max;
}

}  // namespace

qint64 nextRid(storage::Session& session) { return maxRid(session) + 1; }

void questionBeforePost(storage::Session& session) {
    storage::RecordSet& questions = session.ADOTable1;
    const storage::Field question = questions.field(QStringLiteral("question"));
    question.setAsString(session.questionText ? session.questionText->questionText() : rtf::plainText(question.asString()));

    if (questions.field(QStringLiteral("true_answer")).asString().isEmpty()) {
        msgbox::errorBox(QStringLiteral("\r\nDoğru cevabı giriniz..."));
        throw storage::SilentAbort();
    }
    const storage::Field group = questions.field(QStringLiteral("qgrp"));
    if (group.isNull()) group.setValue(session.tgrp.field(QStringLiteral("ID")).value());
    const storage::Field rid = questions.field(QStringLiteral("rid"));
    if (rid.isNull()) rid.setAsInteger(nextRid(session));
}

}  // namespace bank
