#pragma once

#include "grid/profiles.h"

// The grids of Tsgrpx (frm_sgrp.cpp): columns, cell controls and profile.
namespace bank {

// DBGrid1 over tgrp: a plain grid of whole rows; deletes only, after asking.
grid::profiles::GridDeclaration groupPickerGrid();

}  // namespace bank
