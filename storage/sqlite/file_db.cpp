#include "storage/sqlite/file_db.h"

#include "storage/errors.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace storage::sqlite {

namespace {

void bindValue(sqlite3_stmt* st, int index, const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::LongLong:
            sqlite3_bind_int64(st, index, v.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(st, index, v.toDouble());
            break;
        case QMetaType::QString: {
            const QByteArray utf8 = v.toString().toUtf8();
            sqlite3_bind_text(st, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = v.toByteArray();
            sqlite3_bind_blob(st, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            sqlite3_bind_null(st, index);
            break;
    }
}

QVariant columnValue(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(st, i)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(st, i));
        case SQLITE_TEXT:
            return QVariant(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i)));
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i)));
        default:
            return QVariant();
    }
}

// SQLite's failure in words a user acts on: the common ones in Turkish.
QString reasonOf(int rc, const QString& own) {
    switch (rc & 0xff) {
        case SQLITE_FULL:
            return QStringLiteral("disk dolu");
        case SQLITE_IOERR:
            return QStringLiteral("disk okunamıyor ya da yazılamıyor");
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return QStringLiteral("yazma izni yok");
        case SQLITE_CANTOPEN:
            return QStringLiteral("dosya açılamıyor");
        default:
            return own;
    }
}

}  // namespace

void createFile(const QString& path, const char* schema, Existing existing) {
    const QFileInfo info(path);
    if (info.exists() && (existing == Existing::Refused || info.size() != 0))
        throw Error(QStringLiteral("\"%1\" zaten var; üzerine yazılmadı.").arg(path));
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char* message = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, &message);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, schema, nullptr, nullptr, &message);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, &message);
    QString text;
    if (rc != SQLITE_OK) text = reasonOf(rc, message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc)));
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw Error(QStringLiteral("\"%1\" oluşturulamadı: %2.").arg(path, text));
}

FileDb::~FileDb() { sqlite3_close_v2(db_); }

bool FileDb::open(const QString& path, Mode mode) {
    const int flags = mode == Mode::ReadOnly    ? SQLITE_OPEN_READONLY
                      : mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE
                                                : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    return sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr) == SQLITE_OK;
}

QString FileDb::lastError() const { return reasonOf(sqlite3_extended_errcode(db_), QString::fromUtf8(sqlite3_errmsg(db_))); }

void FileDb::exec(const QString& sql) const {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = reasonOf(rc, QString::fromUtf8(message ? message : sqlite3_errmsg(db_)));
        sqlite3_free(message);
        throw Error(QStringLiteral("%1: %2").arg(failure_, text));
    }
}

QStringList FileDb::columns(const QString& table) const {
    QString quotedName = table;
    quotedName.replace(u'"', QStringLiteral("\"\""));
    QStringList out;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QStringLiteral("PRAGMA main.table_info(\"%1\")").arg(quotedName).toUtf8();
    if (sqlite3_prepare_v2(db_, sql.constData(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    return out;
}

qint64 FileDb::scalar(const QString& sql) const {
    sqlite3_stmt* st = nullptr;
    qint64 v = 0;
    if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return v;
}

bool FileDb::read(const QString& sql, const std::function<void(const std::vector<QVariant>&)>& row, QString* why) const {
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db_, text.constData(), -1, &st, nullptr) != SQLITE_OK) {
        if (why) *why = lastError();
        sqlite3_finalize(st);
        return false;
    }
    std::vector<QVariant> values(size_t(sqlite3_column_count(st)));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int i = 0; i < int(values.size()); ++i) values[size_t(i)] = columnValue(st, i);
        row(values);
    }
    sqlite3_finalize(st);
    if (rc == SQLITE_DONE) return true;
    if (why) *why = QString::fromUtf8(sqlite3_errstr(rc));
    return false;
}

bool FileDb::attach(const QString& path, const QString& name) const {
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QStringLiteral("ATTACH DATABASE ? AS %1").arg(name).toUtf8();
    sqlite3_prepare_v2(db_, sql.constData(), -1, &st, nullptr);
    const QByteArray file = QFile::encodeName(path);
    sqlite3_bind_text(st, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

std::unique_ptr<FileDb::Repeated> FileDb::repeated(const QString& sql) const {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return nullptr;
    }
    return std::unique_ptr<Repeated>(new Repeated(st));
}

FileDb::Repeated::~Repeated() { sqlite3_finalize(st_); }

bool FileDb::Repeated::run(const std::vector<QVariant>& values) {
    for (size_t i = 0; i < values.size(); ++i) bindValue(st_, int(i) + 1, values[i]);
    const int rc = sqlite3_step(st_);
    sqlite3_reset(st_);
    return rc == SQLITE_DONE;
}

}  // namespace storage::sqlite
