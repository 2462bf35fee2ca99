#pragma once

#include <functional>

class QWidget;

// Every message box of the grid's widgets goes through here.
//
// Failures reach the user at the widgets' event entry points (event handlers,
// slots, signal lambdas).
namespace grid {

// Runs a command at an entry point: a failure shows the default error box, a
// silent abort ends it quietly.
void atEntry(const std::function<void()>& command);

// The questions the grid's keys ask; true when the user goes ahead.
bool confirmDelete(QWidget* owner);   // Ctrl+Delete: "Delete record?"
bool confirmDiscard(QWidget* owner);  // Esc on a changed row: "Discard changes to this record?"

}  // namespace grid
