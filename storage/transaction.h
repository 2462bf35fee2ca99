#pragma once

#include <functional>

namespace storage {

class Connection;

// Makes a run of change statements one unit on a connection: either all of
// them take effect or none does. The web site that shares the file never sees
// the unit half done, and a failure half-way cannot leave, say, an exam
// without its entries or a key parked at its negative. Units may nest; an
// inner unit is a savepoint of the outer one.
class Transaction {
public:
    // Starts the unit; takes the write lock at once (waiting for other
    // programs as any change does), so no statement of the unit waits half-way.
    explicit Transaction(Connection& connection);
    // Undoes the unit unless it was committed.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    // Undoes the unit; never throws. Whether the file is as before the unit
    // (for an inner unit: as before the savepoint).
    bool rollback() noexcept;
    bool nested() const { return nested_; }

private:
    // Runs a step of the unit; a failure throws with the connection's text.
    void run(const std::function<void()>& step) const;
    void leave();

    Connection& connection_;
    bool nested_ = false;
    bool open_ = false;
};

// Runs work as one unit: commits when it returns, undoes everything it did
// when it throws, and lets the exception go on. A storage::Error that leaves
// the outermost unit says that nothing was changed once the unit is undone,
// and says nothing of the kind when it could not be undone.
void atomically(Connection& connection, const std::function<void()>& work);

}  // namespace storage
