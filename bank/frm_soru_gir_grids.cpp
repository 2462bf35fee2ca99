#include "bank/frm_soru_gir_grids.h"

namespace bank {

using namespace grid;
using namespace grid::profiles;

namespace {

GridProfile questionEntryProfile() {
    GridProfile p = questionList();
    p.Options |= GridOptions{dgAlwaysShowEditor, dgIndicator, dgColLines, dgRowLines};
    p.Options &= ~GridOptions(dgAlwaysShowSelection);
    p.KeyOptions = KeyOptionSet{dgEnterToTab, dgAllowDelete, dgAllowInsert};
    p.MemoAttributes |= mGridShow;
    p.RowHeightPercent = 260;
    p.TitleLines = 2;
    return p;
}

}  // namespace

GridDeclaration questionEntryGrid() {
    return {questionEntryProfile(),
            {line("question", 60, QStringLiteral("Soru / Resimli Soru {resim.uzantı} / ~<?>Soru Grup Başlığı")),
             line("answer1", 28, QStringLiteral("Cevap A")), line("answer2", 28, QStringLiteral("Cevap B")),
             line("answer3", 28, QStringLiteral("Cevap C")), line("answer4", 28, QStringLiteral("Cevap D")),
             line("true_answer", 8, QStringLiteral("Doğru~Cevap")), line("sts", 5, QStringLiteral("Soru~İptal"))},
            {QStringLiteral("question;RichEdit;wwDBRichEdit1;F"), QStringLiteral("true_answer;CustomEdit;tre_ans;F"),
             QStringLiteral("sts;CheckBox;True;False")}};
}

}  // namespace bank
