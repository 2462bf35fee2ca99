#include "storage/transaction.h"

#include "storage/connection.h"
#include "storage/errors.h"

namespace storage {

namespace {
const QByteArray kUnit = QByteArrayLiteral("quorvel_unit");
}  // namespace

Transaction::Transaction(Connection& connection) : connection_(connection) {
    // Another command's unit never joins a batch left open between its
    // units: it would be reported before the batch is in the file.
    commitOpenBatch(connection_);
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

void commitOpenBatch(const Connection& connection) {
    if (connection.idleBatch_) connection.idleBatch_->commit();
}

Batch::Batch(Connection& connection, std::function<void()> committed, std::function<void()> undone)
    : connection_(connection), committed_(std::move(committed)), undone_(std::move(undone)) {}

Batch::~Batch() {
    try {
        commit();
    } catch (...) {
        // What was committed is reported, and nothing else; the error that
        // stopped the caller is the one the user reads.
    }
    setIdle(false);
}

void Batch::setIdle(bool idle) {
    if (idle && open_)
        connection_.idleBatch_ = this;
    else if (connection_.idleBatch_ == this)
        connection_.idleBatch_ = nullptr;
}

void Batch::run(std::function<void()> unit) {
    setIdle(false);
    if (!open_) {
        open_ = std::make_unique<Transaction>(connection_);
        age_.start();
    }
    try {
        atomically(connection_, unit);
    } catch (const Error& e) {
        commit();
        // The unit was undone and the ones before it are in the file.
        throw Error(withSentence(e.message(), Connection::nothingChangedText()));
    } catch (...) {
        commit();
        throw;
    }
    units_.push_back(std::move(unit));
    if (int(units_.size()) >= kMaxUnits || age_.elapsed() >= kMaxMilliseconds) commit();
    setIdle(true);
}

void Batch::commit() {
    setIdle(false);
    if (!open_) return;
    // A failed write or sync may have undone the whole transaction already.
    if (!connection_.database().inTransaction()) {
        redoOneByOne();
        return;
    }
    try {
        open_->commit();
    } catch (const Error&) {
        // The units are saved one by one as far as they go; the failure is
        // still told, as a commit of each would have told it.
        redoOneByOne();
        throw;
    }
    open_.reset();
    units_.clear();
    if (committed_) committed_();
}

void Batch::redoOneByOne() {
    open_.reset();  // undoes what is left of the batch
    if (undone_) undone_();
    const std::vector<std::function<void()>> units = std::move(units_);
    units_.clear();
    for (const auto& unit : units) {
        try {
            atomically(connection_, unit);
        } catch (...) {
            if (undone_) undone_();
            throw;
        }
        if (committed_) committed_();
    }
}

}  // namespace storage
