#include "app/frm_main_grids.h"

namespace app {

using namespace grid;
using namespace grid::profiles;

GridDeclaration mainGroupsGrid() {
    return {nameList(true),
            {line("ID", 3, QString()), line("GROUPNAME", 60, QStringLiteral("Grup Adı"))},
            {QStringLiteral("ID;CustomEdit;wwExpandButton1;F"), QStringLiteral("DRM;CheckBox;True;False")}};
}

GridDeclaration mainExamsGrid() {
    return {nameList(false),
            {line("ID", 3, QString()), line("GROUPNAME", 30, QStringLiteral("Sınav Adı")),
             line("DRM", 5, QStringLiteral("Sınav Pasif"))},
            {QStringLiteral("ID;CustomEdit;wwExpandButton2;F"), QStringLiteral("DRM;CheckBox;True;False")}};
}

GridDeclaration mainExamQuestionsGrid() {
    return {readOnlyQuestions(),
            {line("question", 120, QStringLiteral("Soru / Soru Grup Başlığı")), line("sts", 5, QStringLiteral("Soru İptal"))},
            {QStringLiteral("sts;CheckBox;True;False"), QStringLiteral("true_answer;CustomEdit;tuans2;F")}};
}

}  // namespace app
