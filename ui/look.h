#pragma once

class QColor;
class QFont;
class QWidget;

namespace ui {

// Fills a widget's background with a colour of the design (window surfaces,
// strips, panels) instead of the style's.
void fillBackground(QWidget* widget, const QColor& colour);

// The face and size every window of the program was drawn with: 8-point
// "MS Sans Serif".
QFont programFont();

// Lets the program's free stand-in face take the place of the Windows face
// the windows were drawn with, where that face is missing: the one whose
// widths come closest to the design (and that matches the Arial captions).
// Makes the program's font every window's font.
void installFonts();

}  // namespace ui
