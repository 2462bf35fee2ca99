#include "exams/frm_sinav_soru_ekle_grids.h"

namespace exams {

using namespace grid;
using namespace grid::profiles;

GridDeclaration addGroupsGrid() {
    return {nameList(true), {line("GROUPNAME", 30, QStringLiteral("Soru Grubu"))}, {QStringLiteral("DRM;CheckBox;True;False")}};
}

GridDeclaration addExamsGrid() {
    return {nameList(true), {line("GROUPNAME", 30, QStringLiteral("Sınav Adı"))}, {QStringLiteral("DRM;CheckBox;True;False")}};
}

GridDeclaration addQuestionsGrid() {
    return {readOnlyQuestions(),
            {line("question", 115, QStringLiteral("Soru/Soru Grup Başlığı")), line("sts", 5, QStringLiteral("Soru İptal")),
             line("answer1", 50, QStringLiteral("Cevap A")), line("answer2", 50, QStringLiteral("Cevap  B")),
             line("answer3", 50, QStringLiteral("Cevap C")), line("answer4", 50, QStringLiteral("Cevap D")),
             line("true_answer", 5, QStringLiteral("Doğru"))},
            {QStringLiteral("sts;CheckBox;True;False"), QStringLiteral("true_answer;CustomEdit;tre_ans;F"),
             QStringLiteral("ID;CustomEdit;wwExpandButton1;F")}};
}

}  // namespace exams
