#pragma once

#include "grid/profiles.h"

// The grids of Tsoru_gir (frm_soru_gir.cpp): columns, cell controls and profile.
namespace bank {

// wwDBGrid2 over ADOTable1: always in edit mode, inserts, deletes.
grid::profiles::GridDeclaration questionEntryGrid();

}  // namespace bank
