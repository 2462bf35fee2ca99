#pragma once

class QKeyEvent;
class QLineEdit;
class QWidget;

namespace grid {

// What holds the keys over the current cell.
enum class KeyHolder {
    CellEditor,   // the grid's own line editor
    CellControl,  // a control adopted from the window (drop-down box...)
    RichText,     // an adopted rich-text control: its own Enter, Home, End and Esc
};

// The kind of holder an adopted control is.
KeyHolder holderKind(const QWidget* control);

// Whether a key pressed in the cell's editor or control is the grid's (a
// move, a row command) rather than the holder's own. One table decides for
// every holder: Left and Home go back only with the caret at the very start
// and nothing selected, Right only at the very end with nothing selected, Up
// and Down in a cell control only while all of its text is selected; End
// stays in the text. Any of them goes back with Ctrl. Nothing goes back with
// Alt, nor while a drop-down box shows its list.
bool handsBackToGrid(const QKeyEvent* event, QWidget* holder, KeyHolder kind, bool enterToTab);

// The line editor of a text control (a drop-down box's own, for an editable
// box); null for controls without one.
QLineEdit* lineEditOf(QWidget* control);

}  // namespace grid
