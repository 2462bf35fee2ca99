#pragma once

#include <QIcon>

// Small toolbar images drawn by the program itself, so they look the same on
// every desktop and need no icon theme.
namespace ui {

enum class Glyph { First, Prior, Next, Last, Up, Down, Import };

// A 16 x 16 image of the glyph (with a 32 x 32 version for dense screens).
QIcon drawnIcon(Glyph glyph);

}  // namespace ui
