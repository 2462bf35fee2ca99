#pragma once

#include "grid/profiles.h"

// The grids of Tsinav_soru_ekle (frm_sinav_soru_ekle.cpp): columns, cell controls and profile.
namespace exams {

// wwDBGrid1: the bank's groups.
grid::profiles::GridDeclaration addGroupsGrid();
// wwDBGrid3: the exams.
grid::profiles::GridDeclaration addExamsGrid();
// wwDBGrid2 over ADOTable1: the current group's questions, read-only.
grid::profiles::GridDeclaration addQuestionsGrid();

}  // namespace exams
