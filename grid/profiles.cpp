#include "grid/profiles.h"

#include <QApplication>
#include <QPalette>

namespace grid::profiles {

namespace {

const QColor kGrid(0xF4, 0xF3, 0xEA);
const QColor kTitle(0xDC, 0xD7, 0xBA);
const QColor kAlternate(0xE9, 0xE7, 0xD1);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kDarkBlue(0x00, 0x40, 0x80);

}  // namespace

// What the grids of the program share.
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

QString line(const char* field, int width, const QString& title, const char* flag) {
    return QString::fromUtf8(field) + u'\t' + QString::number(width) + u'\t' + title + u'\t' + QString::fromUtf8(flag);
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
    if (recordSet) g->setRecordSet(recordSet);
    return g;
}

}  // namespace grid::profiles
