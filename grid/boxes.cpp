#include "grid/boxes.h"

#include "ui/msgbox.h"

namespace grid {

namespace {

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

void atEntry(const std::function<void()>& command) { msgbox::guard(command); }

bool confirmDelete(QWidget* owner) {
    return ask(owner, QStringLiteral("Delete record?"), msgbox::Button::OK, msgbox::Button::Cancel) != msgbox::Button::Cancel;
}

bool confirmDiscard(QWidget* owner) {
    return ask(owner, QStringLiteral("Discard changes to this record?"), msgbox::Button::Yes, msgbox::Button::No) ==
           msgbox::Button::Yes;
}

}  // namespace grid
