#include "storage/transaction.h"

#include "storage/connection.h"
#include "storage/errors.h"

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
    ++connection_.unitDepth_;
}

Transaction::~Transaction() { rollback(); }

void Transaction::leave() {
    open_ = false;
    if (connection_.unitDepth_ > 0) --connection_.unitDepth_;
}

bool Transaction::rollback() noexcept {
    if (!open_) return false;
    leave();
    if (!connection_.connected()) return false;
    // The unit is undone as far as SQLite can, and the error that brought us
    // here is the one the user reads.
    sqlite3* db = connection_.db_;
    bool undone = false;
    if (nested_) {
        undone = sqlite3_exec(db, kRollbackToSavepoint, nullptr, nullptr, nullptr) == SQLITE_OK;
        undone = sqlite3_exec(db, kRelease, nullptr, nullptr, nullptr) == SQLITE_OK && undone;
    } else {
        // SQLite may already have rolled back after some errors (a full disk).
        if (sqlite3_get_autocommit(db) == 0) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        undone = sqlite3_get_autocommit(db) != 0;
    }
    connection_.lockWaitOver();
    return undone;
}

void Transaction::commit() {
    run(nested_ ? kRelease : "COMMIT");
    leave();
}

void Transaction::run(const char* statement) const {
    const int rc = sqlite3_exec(connection_.handle(), statement, nullptr, nullptr, nullptr);
    connection_.lockWaitOver();
    if (rc != SQLITE_OK) connection_.fail(rc);
}

void atomically(Connection& connection, const std::function<void()>& work) {
    Transaction unit(connection);
    try {
        work();
        unit.commit();
    } catch (const Error& e) {
        const bool undone = unit.rollback();
        // Only the outermost unit knows that the file is as it was.
        if (unit.nested()) throw;
        if (undone) throw Error(withSentence(e.message(), Connection::nothingChangedText()));
        throw Error(
            withSentence(e.message(), QStringLiteral("Yapılan değişiklikler geri alınamadı; dosyayı yeniden açıp son durumu "
                                                     "denetleyin.")));
    }
}

}  // namespace storage
