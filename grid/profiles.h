#pragma once

#include "grid/datagrid.h"

#include <QStringList>

// How a window declares a grid: its profile, its column list and its cell
// control list, and the profiles that the program's grids are made from. Each
// window declares its grids beside itself (frm_<word>_grids.h) and builds them
// with makeGrid:
//
//     wwDBGrid1 = grid::profiles::makeGrid(QStringLiteral("wwDBGrid1"), this, groupsDialogGrid(), recordSet);
//
// Profiles need a running application (some take the system colours).
namespace grid::profiles {

struct GridDeclaration {
    GridProfile profile;
    QStringList selected;     // column list
    QStringList controlType;  // cell control list
};

// A column list line: field, width in characters, title, read-only flag.
QString line(const char* field, int width, const QString& title, const char* flag = "F");

// What the grids of the program share: titles, resizable columns, word wrap,
// the house colours.
GridProfile common();
// Group and exam lists: navy titles on the left, rows 125 %; whole rows or cells.
GridProfile nameList(bool rowSelect);
// Question lists: dark blue centred titles, flat, rich text loaded.
GridProfile questionList();
// A question list to read: whole rows, rows 120 %, memos shown, not edited.
GridProfile readOnlyQuestions();
// Another file's rows: system colours, lines, no cell hints, field definitions.
GridProfile importList();

// Profile first, then control list, then column list.
void apply(DataGrid& grid, const GridDeclaration& declaration);

// A grid of a window: named, declared and bound to its record set (none yet
// when recordSet is null).
DataGrid* makeGrid(const QString& name, QWidget* parent, const GridDeclaration& declaration, storage::RecordSet* recordSet);

}  // namespace grid::profiles
