#pragma once

#include <QString>

// The names of the fields the program reads and writes by name: the columns of
// the five tables and of the Questions view, and the aliases of the counting
// queries of the statement catalogue.
namespace storage::fields {

// question groups (tqgroup) and exams (qgroup)
inline const QString kId = QStringLiteral("ID");
inline const QString kGroupName = QStringLiteral("GROUPNAME");
inline const QString kGroupPass = QStringLiteral("GROUPPASS");
inline const QString kDrm = QStringLiteral("DRM");

// bank questions (tqmaster)
inline const QString kRid = QStringLiteral("rid");
inline const QString kQgrp = QStringLiteral("qgrp");
inline const QString kQuestion = QStringLiteral("question");
inline const QString kAnswer1 = QStringLiteral("answer1");
inline const QString kAnswer2 = QStringLiteral("answer2");
inline const QString kAnswer3 = QStringLiteral("answer3");
inline const QString kAnswer4 = QStringLiteral("answer4");
inline const QString kTrueAnswer = QStringLiteral("true_answer");
inline const QString kSts = QStringLiteral("sts");

// exam entries (qquestion)
inline const QString kQqId = QStringLiteral("qqID");
inline const QString kGroupId = QStringLiteral("group_id");
inline const QString kQuestionId = QStringLiteral("question_id");

// aliases of the catalogue's counting queries
inline const QString kMri = QStringLiteral("MRI");
inline const QString kRcx = QStringLiteral("RCX");
inline const QString kGrp = QStringLiteral("GRP");
inline const QString kOrp = QStringLiteral("ORP");

}  // namespace storage::fields
