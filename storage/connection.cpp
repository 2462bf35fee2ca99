#include "storage/connection.h"

#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/recordset.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>

namespace storage {

Connection::Connection(QString name) : name_(std::move(name)) {}

Connection::~Connection() {
    close();
    // Record sets that outlive their connection must not reach back into it.
    for (RecordSet* rs : recordSets_) rs->connection_ = nullptr;
}

void Connection::setConnectionString(const QString& text) {
    if (connected()) throw Error(name_ + QStringLiteral(": Operation is not allowed when the object is open"));
    connectionString_ = text;
}

void Connection::setBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = std::max(0, milliseconds);
    if (database_) database_->setBusyTimeout(busyTimeoutMs_);
}

void Connection::setLockWaitNotifier(LockWaitNotifier notifier) {
    lockWaitNotifier_ = std::move(notifier);
    if (database_) database_->setLockWaitNotifier(lockWaitNotifier_);
}

driver::Database& Connection::database() const {
    if (!connected()) throw Error(name_ + QStringLiteral(": Connection is closed"));
    return *database_;
}

QString Connection::nothingChangedText() { return QStringLiteral("Hiçbir şey değiştirilmedi."); }

namespace {
// Our own keys are the next free number: a clash on one means another
// program took that number after we computed it.
bool ownKeyTaken(const driver::Failure& failure) {
    return failure.kind() == driver::FailureKind::UniqueClash &&
           (failure.clashingKey() == QLatin1String("tqmaster.rid") || failure.clashingKey() == QLatin1String("qquestion.qqid"));
}
}  // namespace

QString Connection::failureText(const driver::Failure& failure) const {
    using driver::FailureKind;
    QString text = failure.message();
    if (ownKeyTaken(failure)) {
        if (failure.clashingKey() == QLatin1String("tqmaster.rid"))
            text = QStringLiteral(
                "Bu arada başka bir program bankaya bir soru ekledi ve bu soruya verilecek referans numarasını aldı; "
                "soru kaydedilmedi. Yeniden kaydedin: soruya yeni bir numara verilir.");
        else
            text = QStringLiteral(
                "Bu arada başka bir program bir sınava soru ekledi ve bu kayda verilecek numarayı aldı; kayıt "
                "yapılmadı. Yeniden kaydedin: kayda yeni bir numara verilir.");
    }
    if (unitDepth_ > 0) return text;
    switch (failure.kind()) {
        case FailureKind::Busy:
        case FailureKind::ReadOnly:
        case FailureKind::DiskFull:
            return withSentence(text, nothingChangedText());
        default:
            return text;
    }
}

void Connection::fail(const driver::Failure& failure) const {
    if (ownKeyTaken(failure)) throw KeyTaken(failureText(failure));
    throw Error(failureText(failure));
}

void Connection::fail(const QString& owner, const driver::Failure& failure) const {
    if (ownKeyTaken(failure)) throw KeyTaken(owner + QStringLiteral(": ") + failureText(failure));
    throw Error(owner + QStringLiteral(": ") + failureText(failure));
}

void Connection::setReadingOnly(bool on) {
    if (connected()) throw Error(name_ + QStringLiteral(": Operation is not allowed when the object is open"));
    readingOnly_ = on;
}

void Connection::use(std::unique_ptr<driver::Database> db) {
    database_ = std::move(db);
    database_->setReadingOnly(readingOnly_);
    database_->setBusyTimeout(busyTimeoutMs_);
    database_->setLockWaitNotifier(lockWaitNotifier_);
}

void Connection::open() {
    if (connected()) return;
    path_ = dataSourceOf(connectionString_);
    if (!path_.isEmpty() && QFileInfo(path_).isFile() && isAccessDatabase(path_)) return openAccess();
    use(driver::forConnectionString(connectionString_));
    ++opens_;
    database_->open(connectionString_, [this](driver::Database& db) { checkQuestionBank(db); });
}

void Connection::checkQuestionBank(driver::Database& database) const {
    // Reading the list of tables now makes a database of another kind, a
    // locked one or one that cannot be read fail here, and an empty database
    // or another program's is told apart from a question bank before any
    // window asks for a table.
    const QStringList objects = database.objects();
    static const std::array<const char*, 5> kRequired = {"table tqgroup", "table tqmaster", "table qgroup", "table qquestion",
                                                         "view Questions"};
    QStringList missing;
    for (const char* object : kRequired) {
        const QString wanted = QString::fromLatin1(object);
        if (!objects.contains(wanted.toLower())) missing << wanted.section(u' ', 1);
    }
    if (missing.isEmpty()) return;
    if (missing.size() == int(kRequired.size()))
        throw Error(QStringLiteral("\"%1\" dosyası boş ya da bir soru bankası değil.").arg(path_));
    throw Error(QStringLiteral("\"%1\" dosyası bir soru bankası değil ya da eksik: %2 bulunamadı.")
                    .arg(path_, missing.join(QStringLiteral(", "))));
}

namespace {
// Enough for the statements of a window's posts, counts and key lookups; texts
// that carry a literal key each are used once and fall out first.
constexpr size_t kKeptStatements = 32;
}  // namespace

std::unique_ptr<driver::Prepared> Connection::takePrepared(const QByteArray& text) const {
    for (auto it = prepared_.rbegin(); it != prepared_.rend(); ++it) {
        if (it->text != text) continue;
        std::unique_ptr<driver::Prepared> prepared = std::move(it->prepared);
        prepared_.erase(std::next(it).base());
        return prepared;
    }
    return nullptr;
}

void Connection::keepPrepared(QByteArray text, std::unique_ptr<driver::Prepared> prepared, std::uint64_t open) const {
    if (!prepared || prepared->empty()) return;
    prepared->reset(true);
    // A statement of an earlier open, or a text kept already (a statement
    // that ran while another of the same text was in use), is not kept.
    const bool same = std::any_of(prepared_.begin(), prepared_.end(), [&](const Kept& p) { return p.text == text; });
    if (!connected() || open != opens_ || same) return;
    if (prepared_.size() >= kKeptStatements) prepared_.erase(prepared_.begin());
    prepared_.push_back({std::move(text), std::move(prepared)});
}

void Connection::close() {
    const auto sets = recordSets_;
    for (RecordSet* rs : sets) rs->close();
    prepared_.clear();
    knownCounts_.clear();
    if (connected()) {
        database_->close();
        unitDepth_ = 0;
    }
}

}  // namespace storage
