#pragma once

#include "grid/profiles.h"

// The grids of Tqimport (frm_qimport.cpp): columns, cell controls and profile.
namespace bank {

// wwDBGrid1: the other file's groups.
grid::profiles::GridDeclaration importGroupsGrid();
// wwDBGrid2: the other file's questions (field-definition mode).
grid::profiles::GridDeclaration importQuestionsGrid();

}  // namespace bank
