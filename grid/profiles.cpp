#include "grid/profiles.h"

#include "grid/columnlist.h"

#include <QApplication>
#include <QPalette>

namespace grid::profiles {

namespace {

const QColor kGrid(0xF4, 0xF3, 0xEA);
const QColor kTitle(0xDC, 0xD7, 0xBA);
const QColor kAlternate(0xE9, 0xE7, 0xD1);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kDarkBlue(0x00, 0x40, 0x80);

// What all ten grids share.
GridProfile common() {
    GridProfile p;
    p.Options = GridOptions{dgEditing,  dgTitles,       dgColumnResize,       dgTabs, dgConfirmDelete, dgCancelOnExit,
                            dgWordWrap, dgShowCellHint, dgAlwaysShowSelection};
    p.KeyOptions = {};
    p.MemoAttributes = MemoAttributeSet{mSizeable, mWordWrap};
    p.EditControlOptions = EditControlOptionSet{ecoCheckboxSingleClick, ecoSearchOwnerForm};
    p.TitleFont.setBold(true);
    p.GridColor = kGrid;
    p.TitleColor = kTitle;
    p.AlternatingColor = kAlternate;
    return p;
}

// Group and exam lists: navy titles on the left, rows 125 %.
GridProfile nameList(bool rowSelect) {
    GridProfile p = common();
    if (rowSelect) p.Options |= dgRowSelect;
    p.RowHeightPercent = 125;
    p.TitleFontColor = kNavy;
    return p;
}

// Question lists: dark blue centred titles, flat.
GridProfile questionList() {
    GridProfile p = common();
    p.TitleFontColor = kDarkBlue;
    p.TitleAlignment = Qt::AlignHCenter;
    p.Flat = true;
    p.LoadAllRTF = true;
    return p;
}

GridProfile readOnlyQuestions() {
    GridProfile p = questionList();
    p.Options |= GridOptions{dgRowSelect, dgColLines};
    p.KeyOptions = dgEnterToTab;
    p.ReadOnly = true;
    p.RowHeightPercent = 120;
    p.MemoAttributes |= MemoAttributeSet{mGridShow, mViewOnly, mDisableDialog};
    return p;
}

GridProfile importList() {
    GridProfile p = common();
    p.Options |= GridOptions{dgRowSelect, dgColLines, dgRowLines};
    p.Options &= ~GridOptions(dgShowCellHint);
    p.EditControlOptions = ecoSearchOwnerForm;
    const QPalette palette = QApplication::palette();
    p.GridColor = palette.color(QPalette::Active, QPalette::Base);
    p.TitleColor = palette.color(QPalette::Active, QPalette::Button);
    p.AlternatingColor = QColor();
    p.TitleFont.setBold(false);
    p.UseTFields = true;
    return p;
}

QString line(const char* field, int width, const QString& title, const char* flag = "F") {
    return QString::fromUtf8(field) + u'\t' + QString::number(width) + u'\t' + title + u'\t' + QString::fromUtf8(flag);
}

}  // namespace

GridProfile mainGroups() { return nameList(true); }
GridProfile mainExams() { return nameList(false); }
GridProfile mainExamQuestions() { return readOnlyQuestions(); }

GridProfile groupsDialog() {
    GridProfile p = common();
    p.Options |= GridOptions{dgIndicator, dgColLines, dgRowLines};
    p.Options &= ~GridOptions{dgShowCellHint, dgAlwaysShowSelection};
    p.KeyOptions = KeyOptionSet{dgAllowDelete, dgAllowInsert};
    return p;
}

GridProfile addGroups() { return nameList(true); }
GridProfile addExams() { return nameList(true); }
GridProfile addQuestions() { return readOnlyQuestions(); }

GridProfile importGroups() { return importList(); }
GridProfile importQuestions() { return importList(); }

GridProfile questionEntry() {
    GridProfile p = questionList();
    p.Options |= GridOptions{dgAlwaysShowEditor, dgIndicator, dgColLines, dgRowLines};
    p.Options &= ~GridOptions(dgAlwaysShowSelection);
    p.KeyOptions = KeyOptionSet{dgEnterToTab, dgAllowDelete, dgAllowInsert};
    p.MemoAttributes |= mGridShow;
    p.RowHeightPercent = 260;
    p.TitleLines = 2;
    return p;
}

GridDeclaration mainGroupsGrid() {
    return {mainGroups(),
            {line("ID", 3, QString()), line("GROUPNAME", 60, QStringLiteral("Grup Adı"))},
            {QStringLiteral("ID;CustomEdit;wwExpandButton1;F"), QStringLiteral("DRM;CheckBox;True;False")}};
}

GridDeclaration mainExamsGrid() {
    return {mainExams(),
            {line("ID", 3, QString()), line("GROUPNAME", 30, QStringLiteral("Sınav Adı")),
             line("DRM", 5, QStringLiteral("Sınav Pasif"))},
            {QStringLiteral("ID;CustomEdit;wwExpandButton2;F"), QStringLiteral("DRM;CheckBox;True;False")}};
}

GridDeclaration mainExamQuestionsGrid() {
    return {mainExamQuestions(),
            {line("question", 120, QStringLiteral("Soru / Soru Grup Başlığı")), line("sts", 5, QStringLiteral("Soru İptal"))},
            {QStringLiteral("sts;CheckBox;True;False"), QStringLiteral("true_answer;CustomEdit;tuans2;F")}};
}

GridDeclaration groupsDialogGrid() {
    return {groupsDialog(), {line("GROUPNAME", 49, QStringLiteral("Grup Adı"))}, {QStringLiteral("DRM;CheckBox;True;False")}};
}

GridProfile groupPicker() {
    // A plain grid: system colours, whole rows, no lines, no indicator. Its
    // cells are not edited and it adds no rows, but Ctrl+Delete deletes the
    // highlighted group after the grid's own question.
    GridProfile p;
    p.Options = GridOptions{dgEditing,       dgTitles,      dgColumnResize, dgTabs, dgRowSelect, dgAlwaysShowSelection,
                            dgConfirmDelete, dgCancelOnExit};
    p.KeyOptions = dgAllowDelete;
    const QPalette palette = QApplication::palette();
    p.GridColor = palette.color(QPalette::Active, QPalette::Base);
    p.TitleColor = palette.color(QPalette::Active, QPalette::Button);
    return p;
}

GridDeclaration groupPickerGrid() {
    GridProfile p = groupPicker();
    // 250 pixels, written in characters of the cell font.
    return {p, {line("GROUPNAME", charsForPixels(250, p.zeroWidth()), QStringLiteral("Soru Grupları"))}, {}};
}

GridDeclaration addGroupsGrid() {
    return {addGroups(), {line("GROUPNAME", 30, QStringLiteral("Soru Grubu"))}, {QStringLiteral("DRM;CheckBox;True;False")}};
}

GridDeclaration addExamsGrid() {
    return {addExams(), {line("GROUPNAME", 30, QStringLiteral("Sınav Adı"))}, {QStringLiteral("DRM;CheckBox;True;False")}};
}

GridDeclaration addQuestionsGrid() {
    return {addQuestions(),
            {line("question", 115, QStringLiteral("Soru/Soru Grup Başlığı")), line("sts", 5, QStringLiteral("Soru İptal")),
             line("answer1", 50, QStringLiteral("Cevap A")), line("answer2", 50, QStringLiteral("Cevap  B")),
             line("answer3", 50, QStringLiteral("Cevap C")), line("answer4", 50, QStringLiteral("Cevap D")),
             line("true_answer", 5, QStringLiteral("Doğru"))},
            {QStringLiteral("sts;CheckBox;True;False"), QStringLiteral("true_answer;CustomEdit;tre_ans;F"),
             QStringLiteral("ID;CustomEdit;wwExpandButton1;F")}};
}

GridDeclaration importGroupsGrid() { return {importGroups(), {line("GROUPNAME", 49, QStringLiteral("Grup Adı"))}, {}}; }

GridDeclaration importQuestionsGrid() {
    return {importQuestions(),
            {line("rid", 10, QStringLiteral("rid")), line("question", 80, QStringLiteral("question")),
             line("answer1", 50, QStringLiteral("answer1")), line("answer2", 50, QStringLiteral("answer2")),
             line("answer3", 50, QStringLiteral("answer3")), line("answer4", 50, QStringLiteral("answer4")),
             line("true_answer", 10, QStringLiteral("true_answer")), line("sts", 5, QStringLiteral("sts")),
             line("qgrp", 10, QStringLiteral("qgrp"))},
            {QStringLiteral("question;RichEdit;wwDBRichEdit1;F")}};
}

GridDeclaration questionEntryGrid() {
    return {questionEntry(),
            {line("question", 60, QStringLiteral("Soru / Resimli Soru {resim.uzantı} / ~<?>Soru Grup Başlığı")),
             line("answer1", 28, QStringLiteral("Cevap A")), line("answer2", 28, QStringLiteral("Cevap B")),
             line("answer3", 28, QStringLiteral("Cevap C")), line("answer4", 28, QStringLiteral("Cevap D")),
             line("true_answer", 8, QStringLiteral("Doğru~Cevap")), line("sts", 5, QStringLiteral("Soru~İptal"))},
            {QStringLiteral("question;RichEdit;wwDBRichEdit1;F"), QStringLiteral("true_answer;CustomEdit;tre_ans;F"),
             QStringLiteral("sts;CheckBox;True;False")}};
}

void apply(DataGrid& grid, const GridDeclaration& declaration) {
    grid.setProfile(declaration.profile);
    grid.setControlType(declaration.controlType);
    grid.setSelected(declaration.selected);
}

DataGrid* makeGrid(const QString& name, QWidget* parent, const GridDeclaration& declaration, storage::RecordSet* recordSet) {
    auto* g = new DataGrid(parent);
    g->setObjectName(name);
    apply(*g, declaration);
    g->setRecordSet(recordSet);
    return g;
}

}  // namespace grid::profiles
