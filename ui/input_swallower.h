#pragma once

#include <QObject>

class QEvent;

namespace ui {

// Eats every key, mouse, wheel, touch and tablet event of the application
// while it lives. Long work that keeps its window painted (a copy, drawing
// pages) holds one around each processEvents, so that input cannot start a
// second command or type into a row being written, and none is left waiting
// to answer a box the work may show.
class InputSwallower : public QObject {
public:
    InputSwallower();
    ~InputSwallower() override;
    InputSwallower(const InputSwallower&) = delete;
    InputSwallower& operator=(const InputSwallower&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Whether the event is one the user caused with a key, a pointer or a pen.
bool isUserInput(const QEvent* event);

}  // namespace ui
