#include "storage/session.h"

#include "storage/field_names.h"

namespace storage {

Session::Session()
    : tgrp(QStringLiteral("tgrp"), &ADOConnection1),
      ADOTable1(QStringLiteral("ADOTable1"), &ADOConnection1),
      tsinav(QStringLiteral("tsinav"), &ADOConnection1),
      tQuestions(QStringLiteral("tQuestions"), &ADOConnection1),
      ADOQuery1(QStringLiteral("ADOQuery1"), &ADOConnection1),
      ADOQuery2(QStringLiteral("ADOQuery2"), &ADOConnection1),
      rcxxx(QStringLiteral("rcxxx"), &ADOConnection1),
      rcins(QStringLiteral("rcins"), &ADOConnection1) {
    tgrp.setTableName(QStringLiteral("tqgroup"));
    tsinav.setTableName(QStringLiteral("qgroup"));
    tQuestions.setTableName(QStringLiteral("Questions"));
    // Entries keep the view's qqID order within their exam.
    tQuestions.setSort(fields::kGroupId);
    tQuestions.setMaster(&tsinav, fields::kId, fields::kGroupId);
}

bool Session::firstTimeTold(const QString& note) {
    if (told_.contains(note)) return false;
    told_.insert(note);
    return true;
}

}  // namespace storage
