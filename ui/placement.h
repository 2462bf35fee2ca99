#pragma once

class QWidget;

namespace ui {

// Puts a window in the middle of the screen it is on (the primary screen
// before it is shown), as dialogs that are centred on the screen open.
void centreOnScreen(QWidget* window);

}  // namespace ui
