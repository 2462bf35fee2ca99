#include "grid/boxes.h"

#include "ui/msgbox.h"

#include <utility>

namespace grid {

namespace {

// Setters running now, and the failures kept for the innermost of them. The
// grid's widgets live on the GUI thread only.
int runningSetters = 0;
FirstFailure kept;

msgbox::Button ask(QWidget* owner, const QString& text, msgbox::Button yes, msgbox::Button no) {
    msgbox::Box box;
    box.caption = QStringLiteral("Confirm");
    box.text = text;
    box.icon = msgbox::Icon::Question;
    box.buttons = {yes, no};
    box.defaultButton = yes;
    box.escapeButton = no;
    box.owner = owner;
    return msgbox::show(box);
}

}  // namespace

void atEntry(const std::function<void()>& command) {
    if (runningSetters == 0) return msgbox::guard(command);
    kept.run(command);
}

void asSetter(const std::function<void()>& body) {
    FirstFailure outer = std::exchange(kept, FirstFailure());
    ++runningSetters;
    kept.run(body);
    --runningSetters;
    std::exchange(kept, std::move(outer)).rethrow();
}

bool confirmDelete(QWidget* owner) {
    return ask(owner, QStringLiteral("Delete record?"), msgbox::Button::OK, msgbox::Button::Cancel) != msgbox::Button::Cancel;
}

bool confirmDiscard(QWidget* owner) {
    return ask(owner, QStringLiteral("Discard changes to this record?"), msgbox::Button::Yes, msgbox::Button::No) ==
           msgbox::Button::Yes;
}

}  // namespace grid
