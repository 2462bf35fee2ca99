#pragma once

namespace grid {

// Registers how a data grid shows in the accessibility tree (gridaccessible.cpp):
// a table numbered as Qt numbers an item view's children (the corner, the
// column titles, then per row its indicator cell and its cells), whose
// check-box cells are check boxes, and which, while a cell is edited, holds
// the editor or cell control over it so that what is typed can be read back.
// Safe to call more than once; the grid calls it as it is made.
void installGridAccessibility();

}  // namespace grid
