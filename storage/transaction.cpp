#include "storage/transaction.h"

#include "storage/connection.h"
#include "storage/errors.h"

namespace storage {

namespace {
const QByteArray kUnit = QByteArrayLiteral("quorvel_unit");
}  // namespace

Transaction::Transaction(Connection& connection) : connection_(connection) {
    driver::Database& db = connection_.database();
    nested_ = db.inTransaction();
    run([&] { nested_ ? db.savepoint(kUnit) : db.begin(); });
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
    // The unit is undone as far as the database can, and the error that
    // brought us here is the one the user reads.
    driver::Database& db = *connection_.database_;
    return nested_ ? db.rollbackTo(kUnit) : db.rollback();
}

void Transaction::commit() {
    driver::Database& db = connection_.database();
    run([&] { nested_ ? db.release(kUnit) : db.commit(); });
    leave();
}

void Transaction::run(const std::function<void()>& step) const {
    try {
        step();
    } catch (const driver::Failure& f) {
        connection_.fail(f);
    }
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
