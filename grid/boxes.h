#pragma once

#include <exception>
#include <functional>

class QWidget;

// Every message box of the grid's widgets goes through here.
//
// Failures reach the user at the widgets' event entry points (event handlers,
// slots, signal lambdas) only. Setters, which windows call while they are
// built, throw to their caller instead, and that includes failures that Qt
// routes back into an entry point while the setter runs (a geometry update, a
// scroll, a focus change, a record set signal the setter set off).
namespace grid {

// Runs a command at an entry point: a failure shows the default error box, a
// silent abort ends it quietly. While a setter runs, the failure is kept
// for the setter to throw instead.
void atEntry(const std::function<void()>& command);

// Runs the body of a setter. It throws the first failure of the body or of
// any entry point reached meanwhile.
void asSetter(const std::function<void()>& body);

// Runs steps that must all run even when one of them fails, then throws the
// first failure.
class FirstFailure {
public:
    void run(const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
            if (!first_) first_ = std::current_exception();
        }
    }
    void rethrow() const {
        if (first_) std::rethrow_exception(first_);
    }

private:
    std::exception_ptr first_;
};

// The questions the grid's keys ask; true when the user goes ahead.
bool confirmDelete(QWidget* owner);   // Ctrl+Delete: "Delete record?"
bool confirmDiscard(QWidget* owner);  // Esc on a changed row: "Discard changes to this record?"

}  // namespace grid
