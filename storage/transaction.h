#pragma once

#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <vector>

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

class Batch;

// Commits the batch left open between its units on connection, if any:
// before a command waits on the user (a box), so that the batch neither
// holds the write lock meanwhile nor is reported after what comes next; and
// before any statement runs outside the batch's units (a row the user posts
// in another window while a transfer lets messages through), so that such a
// change is never undone, or redone, with the batch.
void commitOpenBatch(const Connection& connection);

// Runs a long row of small units (one question of a transfer or an import
// each) with a commit every so often instead of one per unit: each commit
// syncs the file, and thousands of syncs take many seconds on a disk. What
// the user reads stays true to the file: the caller reports a unit as done
// only in `committed`, so whatever a failure or a kill leaves, the file holds
// exactly the units reported, as if each unit had been committed on its own.
//
// A unit runs as an inner unit of the open batch. When it fails, the units
// before it are committed and reported, and its error goes on, saying that
// it changed nothing. When the batch itself is lost (a write or sync that
// failed undoes the whole transaction) or its commit fails, `undone` is told
// to forget what was not reported, and the batch's units are run again one
// by one, each committed and reported, up to the one that fails; a failed
// commit is thrown after that all the same.
//
// So a unit must be repeatable: it reads what it needs afresh and puts what
// it would report into the caller's pending list, which `committed` shows and
// `undone` drops. Between units the caller may let messages through; any
// other unit begun on the connection meanwhile commits the batch first, so
// nothing another command does waits on, or is undone with, the batch.
class Batch {
public:
    // A batch is committed once it is this old or holds this many units,
    // whichever comes first. The age bounds how long the web site that
    // shares the file waits for the write lock, and what a kill loses; the
    // count only bounds the units run again when a batch is lost. (At 100
    // units a batch, the syncs of the commits alone took 1.5-2 s per 10,000
    // units on a disk.)
    static constexpr int kMaxUnits = 1000;
    static constexpr int kMaxMilliseconds = 100;

    Batch(Connection& connection, std::function<void()> committed, std::function<void()> undone = {});
    // Commits what is open, as commit() does, but swallows a failure: it
    // runs when the caller stops for another error, the one the user reads.
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Runs unit in the open batch (beginning one when none is open), and
    // commits when the batch is due.
    void run(std::function<void()> unit);
    // Commits the open batch and reports it; on failure, runs its units
    // again one by one as described above and throws.
    void commit();

private:
    void redoOneByOne();
    void setIdle(bool idle);

    Connection& connection_;
    std::function<void()> committed_;
    std::function<void()> undone_;
    std::unique_ptr<Transaction> open_;
    std::vector<std::function<void()>> units_;  // the open batch's, in order
    QElapsedTimer age_;
};

}  // namespace storage
