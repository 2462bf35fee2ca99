#pragma once

#include "grid/datagrid.h"

#include <QStringList>

// The grids of the program: their profiles, and their designed column and
// cell control lists. Windows take a declaration and apply it to their grid:
//
//     grid::profiles::apply(*wwDBGrid1, grid::profiles::mainGroupsGrid());
//
// Profiles need a running application (the import grids use system colours).
namespace grid::profiles {

// Tmain: groups (row select), exams (edited in place), exam questions (read-only).
GridProfile mainGroups();
GridProfile mainExams();
GridProfile mainExamQuestions();
// Tgrpx: the groups dialog (edits, inserts, deletes).
GridProfile groupsDialog();
// Tsinav_soru_ekle: groups, exams, the current group's questions (read-only).
GridProfile addGroups();
GridProfile addExams();
GridProfile addQuestions();
// Tqimport: the other file's groups and questions (field-definition mode).
GridProfile importGroups();
GridProfile importQuestions();
// Tsoru_gir: question entry (always in edit mode, inserts, deletes).
GridProfile questionEntry();
// Tsgrpx: the group picker's plain grid (whole rows; deletes only, after asking).
GridProfile groupPicker();

struct GridDeclaration {
    GridProfile profile;
    QStringList selected;     // column list
    QStringList controlType;  // cell control list
};

GridDeclaration mainGroupsGrid();         // Tmain wwDBGrid1 over tgrp
GridDeclaration mainExamsGrid();          // Tmain wwDBGrid3 over tsinav
GridDeclaration mainExamQuestionsGrid();  // Tmain wwDBGrid4 over tQuestions
GridDeclaration groupsDialogGrid();       // Tgrpx wwDBGrid1 over tgrp
GridDeclaration groupPickerGrid();        // Tsgrpx's plain grid over tgrp
GridDeclaration addGroupsGrid();          // Tsinav_soru_ekle wwDBGrid1
GridDeclaration addExamsGrid();           // Tsinav_soru_ekle wwDBGrid3
GridDeclaration addQuestionsGrid();       // Tsinav_soru_ekle wwDBGrid2 over ADOTable1
GridDeclaration importGroupsGrid();       // Tqimport wwDBGrid1
GridDeclaration importQuestionsGrid();    // Tqimport wwDBGrid2
GridDeclaration questionEntryGrid();      // Tsoru_gir wwDBGrid2 over ADOTable1

// Profile first, then control list, then column list.
void apply(DataGrid& grid, const GridDeclaration& declaration);

// A grid of a window: named, declared and bound to its record set.
DataGrid* makeGrid(const QString& name, QWidget* parent, const GridDeclaration& declaration, storage::RecordSet* recordSet);

}  // namespace grid::profiles
