#pragma once

#include "app/forms.h"
#include "storage/connection.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class Tmain;
namespace storage {
class Session;
}

// What the benchmarks stand on: a bank of their own and the program over it,
// made the way the program makes them (the tests keep their own fixtures).
namespace bench {

// A bank file made from the schema in a temporary folder of its own (under
// the folder given, the system's temporary folder when none is), with the
// program's connection open on it.
class ScratchBank {
public:
    explicit ScratchBank(const QString& under = QString());
    QString folder() const { return dir_.path() + QLatin1Char('/'); }
    QString path() const { return path_; }
    storage::Connection& connection() { return *connection_; }
    // Runs statements (separated by ";") on the file through the connection.
    void exec(const QString& sql);
    // The first column of the first row of a query, as a whole number.
    qint64 scalar(const QString& sql);

private:
    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<storage::Connection> connection_;
};

// The program (session and windows, as start-up makes them) over a scratch
// bank seeded with SQL.
struct ScratchProgram {
    ScratchBank bank;
    std::unique_ptr<app::Program> program;
    Tmain* main = nullptr;
    storage::Session* session = nullptr;

    explicit ScratchProgram(const QString& seed = QString(), const QString& under = QString());
    ~ScratchProgram();
    const app::Forms& forms() const { return program->forms(); }
    // Shows the main window and waits until the bank is open and counted.
    void show();
    // Clicks a tab of the main window as a user would.
    void clickTab(int index);
};

// Runs f when the event loop turns again: for driving the modal window that
// the next call opens.
void whenModal(std::function<void()> f);

}  // namespace bench
