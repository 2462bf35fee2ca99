#pragma once

#include "grid/profiles.h"

// The grids of Tgrpx (frm_grp.cpp): columns, cell controls and profile.
namespace bank {

// wwDBGrid1 over tgrp: edits, inserts and deletes groups.
grid::profiles::GridDeclaration groupsDialogGrid();

}  // namespace bank
