#include "storage/connection.h"

#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/recordset.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>

#include <sqlite3.h>

namespace storage {

namespace {

constexpr auto kWriteBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

bool markedWritable(const QString& path) { return bool(QFileInfo(path).permissions() & kWriteBits); }

// Bytes 18 and 19 of the header are 2 in a file that is in WAL mode.
bool fileIsInWalMode(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray header = f.read(20);
    return header.size() == 20 && header.at(18) == 2 && header.at(19) == 2;
}

// One text column of every row of a statement on an open handle.
int readTexts(sqlite3* db, const char* sql, QStringList* out) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            *out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    sqlite3_finalize(st);
    return rc;
}

}  // namespace

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

void Connection::setBusyTimeout(int milliseconds) { busyTimeoutMs_ = std::max(0, milliseconds); }

sqlite3* Connection::handle() const {
    if (!db_) throw Error(name_ + QStringLiteral(": Connection is closed"));
    return db_;
}

QString Connection::folder() const { return QFileInfo(path_).absolutePath(); }

// SQLite's own waiting, counted here so that whoever shows the program's
// state hears when a wait starts and ends: the same short sleeps, growing,
// until the busy timeout is used up.
int Connection::onBusy(void* self, int count) {
    auto* c = static_cast<Connection*>(self);
    if (!c->waiting_) {
        c->waiting_ = true;
        c->waitedMs_ = 0;
        if (c->lockWaitNotifier_) {
            try {
                c->lockWaitNotifier_(true);
            } catch (...) {
            }
        }
    }
    if (c->waitedMs_ >= c->busyTimeoutMs_) {
        c->lockWaitOver();
        return 0;
    }
    static constexpr std::array<int, 12> kSleeps = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    const int ms = std::min(kSleeps[size_t(std::min(count, int(kSleeps.size()) - 1))], c->busyTimeoutMs_ - c->waitedMs_);
    sqlite3_sleep(ms);
    c->waitedMs_ += ms;
    return 1;
}

void Connection::lockWaitOver() const {
    if (!waiting_) return;
    waiting_ = false;
    if (lockWaitNotifier_) {
        try {
            lockWaitNotifier_(false);
        } catch (...) {
        }
    }
}

QString Connection::nothingChangedText() { return QStringLiteral("Hiçbir şey değiştirilmedi."); }

QString Connection::errorText(int rc) const {
    const QString file = QStringLiteral("\"%1\" veritabanı dosyası").arg(path_);
    const QString folderText =
        QStringLiteral(
            "\"%1\" veritabanı dosyasının bulunduğu \"%2\" klasörüne yazılamıyor; değişiklikler kaydedilemez "
            "(değişiklik sırasında dosyanın yanına bir günlük dosyası yazılması gerekir).")
            .arg(path_, folder());
    switch (rc) {
        case SQLITE_READONLY_ROLLBACK:
            return QStringLiteral(
                       "%1 salt okunur ve içinde başka bir programın yarım kalmış bir değişikliği var (\"%2-journal\" "
                       "günlük dosyası). Salt okunur dosyada bu değişiklik geri alınamadığından dosya okunamıyor. "
                       "Dosyayı yazılabilir yapıp yeniden açın: yarım değişiklik geri alınır, başka hiçbir şey kaybolmaz.")
                .arg(file, path_);
        case SQLITE_READONLY_CANTINIT:
        case SQLITE_READONLY_CANTLOCK:
        case SQLITE_READONLY_RECOVERY:
            return QStringLiteral(
                       "%1 WAL günlük kipinde ve salt okunur; onu okumak için bile yanındaki \"%2-shm\" paylaşılan "
                       "bellek dosyasının oluşturulabilmesi ya da yazılabilmesi gerekir. Dosyayı ve klasörünü "
                       "yazılabilir yapın.")
                .arg(file, path_);
        case SQLITE_READONLY_DIRECTORY:
            return folderText;
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY: {
            // Our own keys are the next free number: a clash means another
            // program took that number after we computed it.
            const QString what = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)).section(u':', 1).trimmed().toLower() : QString();
            if (what == QLatin1String("tqmaster.rid"))
                return QStringLiteral(
                    "Bu arada başka bir program bankaya bir soru ekledi ve bu soruya verilecek referans numarasını aldı; "
                    "soru kaydedilmedi. Yeniden kaydedin: soruya yeni bir numara verilir.");
            if (what == QLatin1String("qquestion.qqid"))
                return QStringLiteral(
                    "Bu arada başka bir program bir sınava soru ekledi ve bu kayda verilecek numarayı aldı; kayıt "
                    "yapılmadı. Yeniden kaydedin: kayda yeni bir numara verilir.");
            break;
        }
        default:
            break;
    }
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral("%1 başka bir program tarafından kilitli. Biraz sonra yeniden deneyin.").arg(file);
        case SQLITE_READONLY:
            if (readOnly_ == ReadOnly::Folder) return folderText;
            return QStringLiteral("%1 salt okunur; değişiklikler kaydedilemez.").arg(file);
        case SQLITE_NOTADB:
            return QStringLiteral("\"%1\" dosyası bu programın veritabanı dosyası değil.").arg(path_);
        case SQLITE_CORRUPT:
            return QStringLiteral("%1 bozuk.").arg(file);
        case SQLITE_CANTOPEN:
            // Opened, then unable to open its journal beside it: the folder.
            if (db_ && !QFileInfo(folder()).isWritable()) return folderText;
            return QStringLiteral("%1 açılamıyor.").arg(file);
        case SQLITE_FULL:
            return QStringLiteral("Disk dolu.");
        case SQLITE_IOERR:
            return QStringLiteral("%1 okunamıyor ya da yazılamıyor.").arg(file);
        default:
            break;
    }
    if (db_) return QString::fromUtf8(sqlite3_errmsg(db_));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

QString Connection::failureText(int rc) const {
    const QString text = errorText(rc);
    if (unitDepth_ > 0) return text;
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case SQLITE_READONLY:
        case SQLITE_FULL:
            return withSentence(text, nothingChangedText());
        default:
            return text;
    }
}

void Connection::fail(int rc) const { throw Error(failureText(rc)); }

void Connection::open() {
    if (db_) return;
    path_ = dataSourceOf(connectionString_);
    if (path_.isEmpty()) throw Error(QStringLiteral("Bağlantı metni bir veritabanı dosyası adı içermiyor."));
    if (!QFileInfo(path_).isFile()) throw Error(QStringLiteral("\"%1\" veritabanı dosyası yok.").arg(path_));
    if (isAccessDatabase(path_)) return openAccess();

    // A file marked read-only is opened for reading only, also for a user who
    // could write it anyway: changes are then refused, not made behind a mark.
    // So is a file in a folder marked read-only, where no journal can be made.
    readOnly_ = !markedWritable(path_) ? ReadOnly::File : !markedWritable(folder()) ? ReadOnly::Folder : ReadOnly::No;
    // Even reading a file in WAL mode needs its shared-memory file; in a
    // read-only folder without one there is no way in. Say so, rather than
    // let SQLite report "attempt to write a readonly database" for a read.
    if (readOnly_ != ReadOnly::No && !markedWritable(folder()) && fileIsInWalMode(path_) &&
        !QFileInfo::exists(path_ + QStringLiteral("-shm")))
        throw Error(errorText(SQLITE_READONLY_CANTINIT));

    const int mode = readOnly_ == ReadOnly::No ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path_.toUtf8().constData(), &db, mode | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = errorText(rc);
        sqlite3_close(db);
        throw Error(text);
    }
    db_ = db;
    sqlite3_busy_handler(db_, &Connection::onBusy, this);
    sqlite3_extended_result_codes(db_, 1);
    try {
        checkQuestionBank();
        chooseJournalMode();
    } catch (...) {
        lockWaitOver();
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

void Connection::checkQuestionBank() {
    // SQLite reads lazily: reading the schema now makes a file of another
    // kind (an old Access file, garbage), a locked file or one that cannot be
    // read fail here, and an empty file or another program's database is
    // told apart from a question bank before any window asks for a table.
    QStringList objects;
    const int rc = readTexts(db_, "SELECT lower(type || ' ' || name) FROM sqlite_master", &objects);
    lockWaitOver();
    if (rc != SQLITE_OK) throw Error(errorText(rc));
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

void Connection::chooseJournalMode() {
    // A rollback journal with full syncs: the file may sit on a network share
    // that the web server reaches too, where WAL's shared memory does not
    // work, and a reader in WAL mode needs write access to the folder.
    QStringList mode;
    int rc = readTexts(db_, "PRAGMA journal_mode", &mode);
    lockWaitOver();
    if (rc != SQLITE_OK) throw Error(errorText(rc));
    journalMode_ = mode.value(0).toLower();
    if (readOnly_ == ReadOnly::No && journalMode_ != QLatin1String("delete")) {
        // Leaving WAL needs the file to itself. If the web site holds it open
        // in WAL mode, both keep using WAL, which is safe on one machine;
        // trying costs no wait.
        sqlite3_busy_handler(db_, nullptr, nullptr);
        QStringList changed;
        if (readTexts(db_, "PRAGMA journal_mode=DELETE", &changed) == SQLITE_OK && !changed.isEmpty())
            journalMode_ = changed.value(0).toLower();
        sqlite3_busy_handler(db_, &Connection::onBusy, this);
    }
    rc = sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw Error(errorText(rc));
}

namespace {
// Enough for the statements of a window's posts, counts and key lookups; texts
// that carry a literal key each are used once and fall out first.
constexpr size_t kKeptStatements = 32;
}  // namespace

sqlite3_stmt* Connection::takePrepared(const QByteArray& text) const {
    for (auto it = prepared_.rbegin(); it != prepared_.rend(); ++it) {
        if (it->text != text) continue;
        sqlite3_stmt* stmt = it->stmt;
        prepared_.erase(std::next(it).base());
        return stmt;
    }
    return nullptr;
}

void Connection::keepPrepared(QByteArray text, sqlite3_stmt* stmt) const {
    if (!stmt) return;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    // A statement of a closed handle, or a text kept already (a statement
    // that ran while another of the same text was in use), is not kept.
    const bool same = std::any_of(prepared_.begin(), prepared_.end(), [&](const Prepared& p) { return p.text == text; });
    if (!db_ || sqlite3_db_handle(stmt) != db_ || same) {
        sqlite3_finalize(stmt);
        return;
    }
    if (prepared_.size() >= kKeptStatements) {
        sqlite3_finalize(prepared_.front().stmt);
        prepared_.erase(prepared_.begin());
    }
    prepared_.push_back({std::move(text), stmt});
}

void Connection::finalizePrepared() {
    for (const Prepared& p : prepared_) sqlite3_finalize(p.stmt);
    prepared_.clear();
}

void Connection::close() {
    const auto sets = recordSets_;
    for (RecordSet* rs : sets) rs->close();
    finalizePrepared();
    knownCounts_.clear();
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        unitDepth_ = 0;
        lockWaitOver();
    }
}

}  // namespace storage
