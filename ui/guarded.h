#pragma once

#include "ui/msgbox.h"

#include <QAbstractButton>
#include <QAction>
#include <QObject>

#include <functional>
#include <type_traits>

// Connections from a control's signal to a command, run at an event entry:
// the command's failure shows the default error box (msgbox::guard) and never
// crosses the signal. Templates, so in the header.
namespace ui {

// Connects signal to command, run for receiver (which also ends the
// connection): a member function of receiver, or anything callable without
// arguments. The signal's arguments are not passed on.
template <typename Sender, typename Signal, typename Receiver, typename Command>
void onSignal(Sender* sender, Signal signal, Receiver* receiver, Command command) {
    QObject::connect(sender, signal, receiver, [receiver, command = std::move(command)] {
        msgbox::guard([&] {
            if constexpr (std::is_member_function_pointer_v<Command>)
                (receiver->*command)();
            else
                command();
        });
    });
}

// A button's click runs command.
template <typename Receiver, typename Command>
void onClick(QAbstractButton* button, Receiver* receiver, Command command) {
    onSignal(button, &QAbstractButton::clicked, receiver, std::move(command));
}

// A menu command's trigger runs command.
template <typename Receiver, typename Command>
void onClick(QAction* action, Receiver* receiver, Command command) {
    onSignal(action, &QAction::triggered, receiver, std::move(command));
}

}  // namespace ui
