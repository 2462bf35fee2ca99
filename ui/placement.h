#pragma once

class QRect;
class QSize;
class QWidget;

namespace ui {

// Puts a window in the middle of the screen it is on (the primary screen
// before it is shown), as dialogs that are centred on the screen open.
void centreOnScreen(QWidget* window);

// Gives a window a designed outer size, its frame included: when the window
// system has first framed it, its inside is made that much smaller than the
// frame. Later sizes, the user's or the window's own, stay as they are.
void setOuterSize(QWidget* window, const QSize& outer);

// Shrinks a window whose frame is larger than the area and moves it so that
// all of it, title bar and close box included, lies inside the area.
void fitInto(QWidget* window, const QRect& area);

// From now on every window that is shown opens inside the available area of
// its screen (shrunk to it when larger) and takes its designed outer size.
void installPlacement();

}  // namespace ui
