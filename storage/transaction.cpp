#include "storage/transaction.h"

#include "storage/connection.h"

#include <sqlite3.h>

namespace storage {

namespace {
const char* const kSavepoint = "SAVEPOINT quorvel_unit";
const char* const kRelease = "RELEASE quorvel_unit";
const char* const kRollbackToSavepoint = "ROLLBACK TO quorvel_unit";
}  // namespace

Transaction::Transaction(Connection& connection) : connection_(connection) {
    nested_ = sqlite3_get_autocommit(connection_.handle()) == 0;
    run(nested_ ? kSavepoint : "BEGIN IMMEDIATE");
    open_ = true;
}

Transaction::~Transaction() {
    if (!open_ || !connection_.connected()) return;
    // Never throws: the unit is undone as far as SQLite can, and the error
    // that brought us here is the one the user reads.
    sqlite3* db = connection_.handle();
    if (nested_) {
        sqlite3_exec(db, kRollbackToSavepoint, nullptr, nullptr, nullptr);
        sqlite3_exec(db, kRelease, nullptr, nullptr, nullptr);
    } else if (sqlite3_get_autocommit(db) == 0) {
        // SQLite may already have rolled back after some errors (a full disk).
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    run(nested_ ? kRelease : "COMMIT");
    open_ = false;
}

void Transaction::run(const char* statement) const {
    const int rc = sqlite3_exec(connection_.handle(), statement, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) connection_.fail(rc);
}

void atomically(Connection& connection, const std::function<void()>& work) {
    Transaction unit(connection);
    work();
    unit.commit();
}

}  // namespace storage
