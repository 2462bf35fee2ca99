#include "bank/frm_qimport_grids.h"

namespace bank {

using namespace grid;
using namespace grid::profiles;

GridDeclaration importGroupsGrid() { return {importList(), {line("GROUPNAME", 49, QStringLiteral("Grup Adı"))}, {}}; }

GridDeclaration importQuestionsGrid() {
    return {importList(),
            {line("rid", 10, QStringLiteral("rid")), line("question", 80, QStringLiteral("question")),
             line("answer1", 50, QStringLiteral("answer1")), line("answer2", 50, QStringLiteral("answer2")),
             line("answer3", 50, QStringLiteral("answer3")), line("answer4", 50, QStringLiteral("answer4")),
             line("true_answer", 10, QStringLiteral("true_answer")), line("sts", 5, QStringLiteral("sts")),
             line("qgrp", 10, QStringLiteral("qgrp"))},
            {QStringLiteral("question;RichEdit;wwDBRichEdit1;F")}};
}

}  // namespace bank
