#pragma once

#include <QString>

// While a long statement runs, or waits for another program's lock, the event
// loop does not run and the window would look frozen. This shows that the
// program is alive: a busy cursor and a status line at the foot of the active
// window, painted at once, gone when the work ends.
namespace ui {

class BusyStatus {
public:
    explicit BusyStatus(const QString& text);
    ~BusyStatus();
    BusyStatus(const BusyStatus&) = delete;
    BusyStatus& operator=(const BusyStatus&) = delete;

private:
    QString previous_;
};

}  // namespace ui
