#pragma once

#include "grid/profiles.h"

// The grids of Tmain (frm_main.cpp): columns, cell controls and profile.
namespace app {

// wwDBGrid1 over tgrp: the question groups (whole rows).
grid::profiles::GridDeclaration mainGroupsGrid();
// wwDBGrid3 over tsinav: the exams, edited in place.
grid::profiles::GridDeclaration mainExamsGrid();
// wwDBGrid4 over tQuestions: the expanded exam's questions, read-only.
grid::profiles::GridDeclaration mainExamQuestionsGrid();

}  // namespace app
