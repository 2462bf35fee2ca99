#pragma once

#include "app/forms.h"
#include "tests/support/temp_db.h"

#include <QString>

#include <functional>
#include <memory>

class Tmain;
namespace storage {
class Session;
}

// The whole program over a fresh database file in a folder of its own: the
// session and the nine windows, as start-up makes them. Seed the file with SQL.
struct ProgramFixture {
    TempDb db;
    std::unique_ptr<app::Program> program;
    Tmain* main = nullptr;
    storage::Session* session = nullptr;

    // withFile false: the program looks for its file in a folder that has none.
    explicit ProgramFixture(const QString& seed = QString(), bool withFile = true);
    ~ProgramFixture();
    const app::Forms& forms() const { return program->forms(); }
    // Shows the main window (which opens the file) and waits until it is up
    // and its caption has its count.
    void show();
    // Clicks a tab of the main window as a user would.
    void clickTab(int index);
};

// Runs f as soon as the event loop turns again: for driving a modal window
// that the next call opens. The modal window is made the active one first, so
// keys go where a user's would; if the test fails inside f, the window is
// closed so that the run goes on instead of waiting on it.
void whenModal(std::function<void()> f);
