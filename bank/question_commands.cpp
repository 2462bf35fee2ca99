#include "bank/question_commands.h"

#include "storage/field_names.h"
#include "storage/session.h"
#include "storage/statements.h"
#include "storage/transaction.h"
#include "ui/msgbox.h"
#include "ui/textinput.h"

#include <QStringList>

#include <utility>

namespace bank {

void moveQuestion(storage::Session& session, int direction) {
    storage::sql::swapWithNeighbour(session.ADOTable1, session.ADOQuery2, storage::sql::OrderingKey::Rid, direction);
}

void moveToGroup(storage::Session& session, const std::function<bool()>& pickGroup) {
    if (session.tgrp.recordCount() <= 0) return;
    auto& questions = session.ADOTable1;
    // Pending changes are saved first (a refusal ends the command), or the
    // reopen below would lose them. A new row without changes is dropped and
    // has neither a number nor a group.
    const bool wasNew = questions.state() == storage::RecordState::Insert;
    const int rows = questions.recordCount();
    questions.checkBrowseMode();
    qint64 rid = 0;
    qint64 group = 0;
    if (!(wasNew && questions.recordCount() < rows) && !questions.isEmpty()) {
        rid = questions.field(storage::fields::kRid).asKeyOr(0);
        group = questions.field(storage::fields::kQgrp).asKeyOr(0);
    }
    if (!pickGroup()) return;
    const qint64 target = session.tgrp.field(storage::fields::kId).asKeyOr(0);
    if (target == group) {
        msgbox::warning(QStringLiteral("\r\nAynı gruba veri taşınamaz."));
        return;
    }
    storage::sql::executeChange(session.ADOQuery2, storage::sql::moveQuestionToGroup(target, rid));
    questions.close();
    questions.open();
    msgbox::warning(QStringLiteral("\r\nTaşındı : Referans Numarası : ") + QString::number(rid));
}

void showReferenceNumber(storage::Session& session) {
    if (session.tgrp.recordCount() <= 0) return;
    auto& questions = session.ADOTable1;
    const QString rid = questions.active() ? questions.field(storage::fields::kRid).asString() : QString();
    msgbox::information(QStringLiteral("\r\nReferans Numarası : ") + rid);
}

void goToReferenceNumber(storage::Session& session, QWidget* owner) {
    if (session.tgrp.recordCount() <= 0) return;
    const ui::TextInput input = ui::askText(QStringLiteral("Referans No Bul"),
                                            QStringLiteral("Gitmek İstediğiniz Referans No yu giriniz"), QString(), owner);
    if (!input.accepted) return;
    bool whole = false;
    const qint64 rid = input.text.trimmed().toLongLong(&whole);
    if (!whole || rid == -1) return;
    session.ADOTable1.locate(storage::fields::kRid, rid);
}

void copyQuestions(storage::Session& session, storage::RecordSet& source, const std::function<void(int copied)>& step) {
    auto& questions = session.ADOTable1;
    namespace f = storage::fields;
    static const QString kFields[] = {f::kQuestion, f::kAnswer1, f::kAnswer2, f::kAnswer3, f::kAnswer4, f::kTrueAnswer};
    const storage::RecordSet::ControlsHold holdQuestions(questions);
    const storage::RecordSet::ControlsHold holdSource(source);
    int copied = 0;
    int inBatch = 0;  // copied in the open batch, not yet in the file
    storage::Batch batch(
        *questions.connection(), [&] { copied += std::exchange(inBatch, 0); },
        [&] {
            // The set holds rows of the undone batch that the file no longer
            // has: it is read again, and the copies are made anew.
            inBatch = 0;
            questions.cancel();
            questions.refresh();
        });
    for (source.first(); !source.eof(); source.next()) {
        QStringList texts;
        for (const QString& name : kFields) texts.append(source.field(name).asString());
        const bool cancelled = source.field(f::kSts).asBoolean();
        batch.run([&questions, &inBatch, texts, cancelled] {
            questions.append();
            questions.edit();
            // The post rule takes the question from the rich-text control,
            // which reads the field as it would read it on screen.
            for (int i = 0; i < texts.size(); ++i) questions.field(kFields[i]).setAsString(texts[i]);
            questions.field(f::kSts).setAsBoolean(cancelled);
            questions.post();
            ++inBatch;
        });
        if (step) step(copied);
    }
    batch.commit();
}

}  // namespace bank
