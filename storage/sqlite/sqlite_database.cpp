#include "storage/sqlite/sqlite_database.h"

#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/statement_writer.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>

#include <sqlite3.h>

namespace storage::sqlite {

namespace {

using driver::Failure;
using driver::FailureKind;
using Tag = RawView::Tag;

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

class Prepared final : public driver::Prepared {
public:
    Prepared(const Database& db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~Prepared() override { sqlite3_finalize(stmt_); }

    bool empty() const override { return stmt_ == nullptr; }

    std::vector<driver::Column> columns() const override {
        const int count = sqlite3_column_count(stmt_);
        std::vector<driver::Column> out(static_cast<size_t>(count));
        for (int c = 0; c < count; ++c) {
            driver::Column& col = out[size_t(c)];
            col.name = QString::fromUtf8(sqlite3_column_name(stmt_, c));
            const char* decl = sqlite3_column_decltype(stmt_, c);
            const char* tab = sqlite3_column_table_name(stmt_, c);
            const char* origin = sqlite3_column_origin_name(stmt_, c);
            col.typed = decl != nullptr;
            if (decl) col.kind = kindOfDeclaredType(QString::fromUtf8(decl), &col.size);
            if (!tab || !origin) continue;
            col.table = QString::fromUtf8(tab);
            col.originColumn = QString::fromUtf8(origin);
            int notNull = 0, primaryKey = 0, autoIncrement = 0;
            const char* type = nullptr;
            const char* collation = nullptr;
            if (sqlite3_table_column_metadata(db_.handle(), sqlite3_column_database_name(stmt_, c), tab, origin, &type,
                                              &collation, &notNull, &primaryKey, &autoIncrement) == SQLITE_OK)
                col.autoNumber = autoIncrement ||
                                 (primaryKey && type && QString::fromUtf8(type).trimmed().toUpper() == QLatin1String("INTEGER"));
        }
        return out;
    }

    void bind(int index, const RawView& v) override { bindOne(index, v); }

    void bind(int first, std::span<const RawView> values) override {
        for (const RawView& v : values) bindOne(first++, v);
    }

    bool readRow(std::span<RawView> row) override {
        if (!step()) return false;
        const size_t columns = row.size();
        for (size_t c = 0; c < columns; ++c) {
            const int i = int(c);
            RawView& v = row[c];
            switch (sqlite3_column_type(stmt_, i)) {
                case SQLITE_INTEGER:
                    v = {.tag = Tag::Int, .integer = sqlite3_column_int64(stmt_, i)};
                    break;
                case SQLITE_FLOAT:
                    v = {.tag = Tag::Real, .real = sqlite3_column_double(stmt_, i)};
                    break;
                case SQLITE_NULL:
                    v = {};
                    break;
                case SQLITE_BLOB:
                    v = {.tag = Tag::Blob, .bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, i))};
                    v.size = std::uint32_t(sqlite3_column_bytes(stmt_, i));
                    break;
                default:
                    v = {.tag = Tag::Text, .bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i))};
                    v.size = std::uint32_t(sqlite3_column_bytes(stmt_, i));
                    break;
            }
        }
        return true;
    }

    void run() override {
        while (step()) {
        }
    }

    void reset(bool clearBindings) override {
        sqlite3_reset(stmt_);
        if (clearBindings) sqlite3_clear_bindings(stmt_);
    }

private:
    void bindOne(int index, const RawView& v) {
        switch (v.tag) {
            case Tag::Null:
                sqlite3_bind_null(stmt_, index);
                break;
            case Tag::Int:
                sqlite3_bind_int64(stmt_, index, v.integer);
                break;
            case Tag::Real:
                sqlite3_bind_double(stmt_, index, v.real);
                break;
            case Tag::Text:
                sqlite3_bind_text64(stmt_, index, v.bytes, v.size, SQLITE_STATIC, SQLITE_UTF8);
                break;
            case Tag::Blob:
                sqlite3_bind_blob64(stmt_, index, v.bytes, v.size, SQLITE_STATIC);
                break;
        }
    }

    bool step() {
        const int rc = sqlite3_step(stmt_);
        db_.lockWaitOver();
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) throw db_.failure(rc);
        return false;
    }

    const Database& db_;
    sqlite3_stmt* stmt_;
};

}  // namespace

Database::~Database() { close(); }

QString Database::folder() const { return QFileInfo(path_).absolutePath(); }

// SQLite's own waiting, counted here so that whoever shows the program's
// state hears when a wait starts and ends: the same short sleeps, growing,
// until the busy timeout is used up.
int Database::onBusy(void* self, int count) {
    auto* d = static_cast<Database*>(self);
    if (!d->waiting_) {
        d->waiting_ = true;
        d->waitedMs_ = 0;
        if (d->lockWaitNotifier_) {
            try {
                d->lockWaitNotifier_(true);
            } catch (...) {
            }
        }
    }
    const int timeout = std::max(0, d->busyTimeoutMs_);
    if (d->waitedMs_ >= timeout) {
        d->lockWaitOver();
        return 0;
    }
    static constexpr std::array<int, 12> kSleeps = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    const int ms = std::min(kSleeps[size_t(std::min(count, int(kSleeps.size()) - 1))], timeout - d->waitedMs_);
    sqlite3_sleep(ms);
    d->waitedMs_ += ms;
    return 1;
}

void Database::lockWaitOver() const {
    if (!waiting_) return;
    waiting_ = false;
    if (lockWaitNotifier_) {
        try {
            lockWaitNotifier_(false);
        } catch (...) {
        }
    }
}

QString Database::errorText(int rc) const {
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

driver::Failure Database::failure(int rc) const {
    const QString own = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
    FailureKind kind = FailureKind::Other;
    QString clash;
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            kind = FailureKind::Busy;
            break;
        case SQLITE_READONLY:
            kind = FailureKind::ReadOnly;
            break;
        case SQLITE_FULL:
            kind = FailureKind::DiskFull;
            break;
        default:
            break;
    }
    if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
        kind = FailureKind::UniqueClash;
        // "UNIQUE constraint failed: table.column"
        if (db_) clash = own.section(u':', 1).trimmed().toLower();
    }
    return Failure(kind, errorText(rc), own, clash);
}

void Database::open(const QString& connectionString, const std::function<void(driver::Database&)>& verify) {
    if (db_) return;
    path_ = dataSourceOf(connectionString);
    if (path_.isEmpty()) throw Error(QStringLiteral("Bağlantı metni bir veritabanı dosyası adı içermiyor."));
    if (!QFileInfo(path_).isFile()) throw Error(QStringLiteral("\"%1\" veritabanı dosyası yok.").arg(path_));

    // A file marked read-only is opened for reading only, also for a user who
    // could write it anyway: changes are then refused, not made behind a mark.
    // So is a file in a folder marked read-only, where no journal can be made.
    readOnly_ = !markedWritable(path_)      ? ReadOnly::File
                : !markedWritable(folder()) ? ReadOnly::Folder
                : readingOnly_              ? ReadOnly::Chosen
                                            : ReadOnly::No;
    // Known before the open, which makes them for a reader of a WAL file.
    const bool walFilesWere =
        QFileInfo::exists(path_ + QStringLiteral("-wal")) || QFileInfo::exists(path_ + QStringLiteral("-shm"));
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
    sqlite3_busy_handler(db_, &Database::onBusy, this);
    sqlite3_extended_result_codes(db_, 1);
    try {
        if (verify) verify(*this);
        chooseJournalMode();
        madeWalFiles_ = readingOnly_ && !walFilesWere && journalMode_ == QLatin1String("wal");
    } catch (...) {
        lockWaitOver();
        close();
        throw;
    }
}

void Database::openCopy(const QString& path) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        throw Error(QStringLiteral("Geçici kopya açılamıyor: %1").arg(QString::fromUtf8(sqlite3_errstr(rc))));
    }
    sqlite3_extended_result_codes(db, 1);
    path_ = path;
    db_ = db;
    readOnly_ = ReadOnly::File;
    journalMode_ = QStringLiteral("delete");
}

QStringList Database::objects() {
    // SQLite reads lazily: reading the schema makes a file of another kind
    // (an old Access file, garbage), a locked file or one that cannot be read
    // fail here.
    QStringList objects;
    const int rc = readTexts(db_, "SELECT lower(type || ' ' || name) FROM sqlite_master", &objects);
    lockWaitOver();
    if (rc != SQLITE_OK) throw failure(rc);
    return objects;
}

void Database::chooseJournalMode() {
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
        sqlite3_busy_handler(db_, &Database::onBusy, this);
    }
    rc = sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw Error(errorText(rc));
}

// A connection that only reads cannot do what the last connection to a WAL
// file does as it closes: remove the -wal and -shm. A connection that may
// write does it for the reader, under SQLite's own locks: it opens the WAL as
// any reader does and, if no connection of any program is left, checkpoints
// nothing (the -wal is empty: nobody wrote) and removes both; the file itself
// is not written. If someone wrote meanwhile, or still has the file open, the
// files stay for them.
void Database::removeUnusedWalFiles(const QString& path) {
    const QFileInfo wal(path + QStringLiteral("-wal"));
    if (!wal.exists() || wal.size() != 0) return;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
        SQLITE_OK)
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void Database::finalizeKept() {
    sqlite3_finalize(dataVersion_);
    sqlite3_finalize(cacheSize_);
    dataVersion_ = cacheSize_ = nullptr;
}

void Database::close() {
    finalizeKept();
    scans_ = 0;
    cacheChanged_ = false;
    if (!db_) return;
    // Statements still held elsewhere keep the handle until they go.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    lockWaitOver();
    if (madeWalFiles_) removeUnusedWalFiles(path_);
    madeWalFiles_ = false;
}

std::unique_ptr<driver::Prepared> Database::prepare(const QByteArray& sql) {
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    lockWaitOver();
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw failure(rc);
    }
    return std::make_unique<Prepared>(*this, stmt);
}

void Database::exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    lockWaitOver();
    if (rc != SQLITE_OK) throw failure(rc);
}

void Database::runScript(const QByteArray& sql) { exec(sql.constData()); }

qint64 Database::changes() const { return sqlite3_changes(db_); }
qint64 Database::insertedKey() const { return sqlite3_last_insert_rowid(db_); }

bool Database::inTransaction() const { return sqlite3_get_autocommit(db_) == 0; }
void Database::begin() { exec("BEGIN IMMEDIATE"); }
void Database::commit() { exec("COMMIT"); }

bool Database::rollback() noexcept {
    if (!db_) return false;
    // SQLite may already have rolled back after some errors (a full disk).
    if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    lockWaitOver();
    return sqlite3_get_autocommit(db_) != 0;
}

void Database::savepoint(const QByteArray& name) { exec(QByteArray("SAVEPOINT " + name).constData()); }
void Database::release(const QByteArray& name) { exec(QByteArray("RELEASE " + name).constData()); }

bool Database::rollbackTo(const QByteArray& name) noexcept {
    if (!db_) return false;
    bool undone = sqlite3_exec(db_, QByteArray("ROLLBACK TO " + name).constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    undone = sqlite3_exec(db_, QByteArray("RELEASE " + name).constData(), nullptr, nullptr, nullptr) == SQLITE_OK && undone;
    lockWaitOver();
    return undone;
}

qint64 Database::pragmaValue(sqlite3_stmt** kept, const char* sql) {
    if (!*kept && sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, kept, nullptr) != SQLITE_OK) {
        sqlite3_finalize(*kept);
        *kept = nullptr;
        lockWaitOver();
        return -1;
    }
    const int rc = sqlite3_step(*kept);
    lockWaitOver();
    const qint64 value =
        rc == SQLITE_ROW && sqlite3_column_type(*kept, 0) == SQLITE_INTEGER ? sqlite3_column_int64(*kept, 0) : -1;
    sqlite3_reset(*kept);
    return value;
}

driver::Mark Database::mark() {
    // The file's data version moves when another connection commits; the
    // connection's count of changed rows when this one changes any.
    driver::Mark at;
    if (!db_ || sqlite3_get_autocommit(db_) == 0) return at;
    at.version = pragmaValue(&dataVersion_, "PRAGMA data_version");
    if (at.version < 0) return {};  // the file cannot be read now: the count says why
    at.changes = sqlite3_total_changes64(db_);
    return at;
}

bool Database::hidesRowLocator(const QString& column) const {
    return column.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0 ||
           column.compare(QLatin1String("oid"), Qt::CaseInsensitive) == 0 ||
           column.compare(QLatin1String("_rowid_"), Qt::CaseInsensitive) == 0;
}

QString Database::blockRead(const QString& table, const QString& condition, int ids) const {
    // NOT INDEXED keeps the planner on the row ids: through an index on the
    // condition it would visit every row of the group for each block.
    QStringList marks;
    for (int p = 1; p <= ids; ++p) marks << QStringLiteral("?") + QString::number(p);
    return QStringLiteral("SELECT rowid, * FROM ") + quoted(table) + QStringLiteral(" NOT INDEXED WHERE rowid IN (") +
           marks.join(u',') + u')' + (condition.isEmpty() ? QString() : QStringLiteral(" AND (") + condition + u')');
}

QString Database::notWholeNumber(const QString& expression) const {
    return QStringLiteral("typeof(") + expression + QStringLiteral(") NOT IN ('integer', 'null')");
}

bool Database::sorts(const QByteArray& query) {
    const auto plan = prepare("EXPLAIN QUERY PLAN " + query);
    std::vector<RawView> row(4);
    bool sorting = false;
    while (plan->readRow(row))
        if (row[3].tag == Tag::Text && QByteArrayView(row[3].bytes, row[3].size).contains("TEMP B-TREE")) sorting = true;
    return sorting;
}

std::vector<QStringList> Database::uniqueKeys(const QString& table) {
    std::vector<QStringList> keys;
    const QByteArray name = table.toUtf8();
    const auto indexes = prepare("SELECT name FROM pragma_index_list(?1) WHERE \"unique\"");
    indexes->bind(1, RawView{.tag = Tag::Text, .bytes = name.constData(), .size = std::uint32_t(name.size())});
    QList<QByteArray> names;
    std::vector<RawView> row(1);
    while (indexes->readRow(row)) names << QByteArray(row[0].bytes, qsizetype(row[0].size));
    for (const QByteArray& index : names) {
        const auto info = prepare("SELECT name FROM pragma_index_info(?1)");
        info->bind(1, RawView{.tag = Tag::Text, .bytes = index.constData(), .size = std::uint32_t(index.size())});
        QStringList columns;
        while (info->readRow(row))
            columns << (row[0].tag == Tag::Null ? QString() : QString::fromUtf8(row[0].bytes, qsizetype(row[0].size)));
        keys.push_back(columns);
    }
    return keys;
}

// A count that reads an index whole passes over thousands of pages once. Kept
// in the page cache they would cost about as much again as reading them (a
// fresh connection allocates each page it keeps) and push out the pages the
// open reads next, so counts run on a cache of a few pages; the connection's
// cache size is put back after, also when the count fails.
void Database::passingScan(bool starts) noexcept {
    if (!db_) return;
    if (starts) {
        if (scans_++ > 0) return;
        cacheBefore_ = pragmaValue(&cacheSize_, "PRAGMA main.cache_size");
        cacheChanged_ = false;
        if (cacheBefore_ == 0 || cacheBefore_ == -1) return;  // already small, or not known
        // The count runs on the cache as it is when this fails.
        cacheChanged_ = sqlite3_exec(db_, "PRAGMA main.cache_size = 0", nullptr, nullptr, nullptr) == SQLITE_OK;
        return;
    }
    if (scans_ == 0 || --scans_ > 0 || !cacheChanged_) return;
    cacheChanged_ = false;
    // Setting the size takes no lock and reads nothing: it does not fail on
    // an open connection, and a smaller cache is only slower.
    const QByteArray restore = "PRAGMA main.cache_size = " + QByteArray::number(cacheBefore_);
    sqlite3_exec(db_, restore.constData(), nullptr, nullptr, nullptr);
}

std::unique_ptr<driver::Database> makeDatabase() { return std::make_unique<Database>(); }

sqlite3* handleOf(const Connection& connection) {
    if (!connection.connected()) return nullptr;
    const auto* db = dynamic_cast<const Database*>(&connection.database());
    return db ? db->handle() : nullptr;
}

}  // namespace storage::sqlite
