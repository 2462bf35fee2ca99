#pragma once

namespace ui {

// Registers how the program's own widgets show in the accessibility tree: a
// top-level window built on a plain widget is a frame there (not a filler),
// as other desktop programs' windows are, and a tool bar's overflow button
// has a name. Safe to call more than once.
void installAccessibility();

}  // namespace ui
