#include "bank/question_rules.h"

#include "storage/errors.h"
#include "storage/field_names.h"
#include "storage/keys.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "text/rtf.h"
#include "ui/msgbox.h"

namespace bank {

qint64 nextRid(storage::Session& session) {
    QString unusable;
    const qint64 rid = storage::nextKey(session.ADOQuery1, storage::sql::OrderingKey::Rid, &unusable);
    if (!unusable.isEmpty() && session.firstTimeTold(unusable)) msgbox::warning(QStringLiteral("\r\n") + unusable);
    return rid;
}

void questionBeforePost(storage::Session& session) {
    storage::RecordSet& questions = session.ADOTable1;
    const storage::Field question = questions.field(storage::fields::kQuestion);
    question.setAsString(session.questionText ? session.questionText->questionText() : rtf::questionText(question.asString()));

    if (questions.field(storage::fields::kTrueAnswer).asString().isEmpty()) {
        msgbox::errorBox(QStringLiteral("\r\nDoğru cevabı giriniz..."));
        throw storage::SilentAbort();
    }
    const storage::Field group = questions.field(storage::fields::kQgrp);
    if (group.isNull()) group.setValue(session.tgrp.field(storage::fields::kId).value());
    // A new question's number is read afresh at every attempt: when another
    // program took the number meanwhile, saving again takes the next one.
    if (questions.state() != storage::RecordState::Insert) return;
    questions.field(storage::fields::kRid).setAsInteger(nextRid(session));
    // A yes/no field is never left null: readers that count cancelled or
    // active questions see a new one as active unless it was ticked.
    const storage::Field cancelled = questions.field(storage::fields::kSts);
    if (cancelled.isNull()) cancelled.setAsBoolean(false);
}

}  // namespace bank
