#pragma once

#include <QString>

// While a statement waits for another program's lock the event loop does not
// run, so the window would look frozen. This shows that the program is alive:
// a busy cursor and a status line at the foot of the active window, painted
// at once, gone when the wait ends. The message about the lock, if the wait
// runs out, follows as usual.
namespace ui {

// A storage::Connection::LockWaitNotifier: true when a wait starts, false when it ends.
void showLockWait(bool waiting);

// The status line's text.
QString lockWaitText();

}  // namespace ui
