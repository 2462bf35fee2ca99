#include "storage/access_snapshot.h"

#include "storage/errors.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace storage::access {

namespace {

constexpr int kFailedWithText = 3;

void appendField(QByteArray* out, char tag, const QByteArray& bytes) {
    out->append(tag);
    const qint64 n = bytes.size();
    out->append(reinterpret_cast<const char*>(&n), sizeof n);
    out->append(bytes);
}

QString declaredType(const Column& c, bool* keyTaken) {
    if (c.autoNumber && !*keyTaken) {
        *keyTaken = true;
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    switch (c.kind) {
        case FieldKind::Text:
            return QStringLiteral("VARCHAR(%1)").arg(c.size);
        case FieldKind::Boolean:
            return QStringLiteral("BOOLEAN");
        case FieldKind::AutoNumber:
        case FieldKind::Integer:
            return QStringLiteral("INTEGER");
        case FieldKind::Float:
            return QStringLiteral("REAL");
        case FieldKind::Memo:
            break;
    }
    return QStringLiteral("TEXT");
}

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
        default:
            sqlite3_bind_null(st, index);
            break;
    }
}

void sendLine(int fd, const QByteArray& line) {
    QByteArray data = line;
    data.replace('\n', ' ');
    data.append('\n');
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= n;
    }
}

// Runs in the child: reads the Access file and writes the snapshot.
void copyTables(const QString& path, const QString& snapshotPath, const QStringList& required, const QStringList& optional,
                int fd) {
    File file(path);
    for (const QString& name : required)
        if (file.table(name).isEmpty())
            throw Error(QStringLiteral("\"%1\" Access dosyasında %2 tablosu yok; dosya bir soru bankası değil ya da bozuk.")
                            .arg(path, name));
    RawDb out(QStringLiteral("Geçici kopya yazılamıyor"));
    if (sqlite3_open_v2(QFile::encodeName(snapshotPath).constData(), &out.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        throw Error(QStringLiteral("Geçici kopya oluşturulamıyor: %1").arg(snapshotPath));
    out.exec(
        QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
                       "CREATE TABLE access_summary (name TEXT, access_name TEXT, columns TEXT, rows INTEGER, checksum BLOB)"));
    qint64 total = 0;
    for (const QString& name : required + optional) {
        const QString accessName = file.table(name);
        if (accessName.isEmpty()) continue;
        const std::vector<Column> columns = file.columns(accessName);
        QStringList defs, names, marks;
        bool keyTaken = false;
        for (const Column& c : columns) {
            defs << quoted(c.name) + u' ' + declaredType(c, &keyTaken);
            names << c.name;
            marks << QStringLiteral("?");
        }
        out.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(name), defs.join(QStringLiteral(", "))));
        sqlite3_stmt* insert = nullptr;
        const QByteArray sql = QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(quoted(name), marks.join(u',')).toUtf8();
        if (sqlite3_prepare_v2(out.db, sql.constData(), -1, &insert, nullptr) != SQLITE_OK)
            throw Error(QStringLiteral("Geçici kopya yazılamıyor: %1").arg(QString::fromUtf8(sqlite3_errmsg(out.db))));
        Checksum sum;
        try {
            file.readRows(accessName, [&](const std::vector<QVariant>& values) {
                for (size_t i = 0; i < values.size(); ++i) bindValue(insert, int(i) + 1, values[i]);
                if (sqlite3_step(insert) != SQLITE_DONE)
                    throw Error(QStringLiteral("\"%1\" Access dosyasındaki %2 tablosunun %3. kaydı kopyalanamıyor: %4")
                                    .arg(path, accessName)
                                    .arg(sum.rows() + 1)
                                    .arg(QString::fromUtf8(sqlite3_errmsg(out.db))));
                sqlite3_reset(insert);
                sum.addRow(values);
                if (++total % 256 == 0) sendLine(fd, "P " + QByteArray::number(total));
            });
        } catch (...) {
            sqlite3_finalize(insert);
            throw;
        }
        sqlite3_finalize(insert);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(out.db, "INSERT INTO access_summary VALUES (?,?,?,?,?)", -1, &st, nullptr);
        const QByteArray n = name.toUtf8(), a = accessName.toUtf8(), c = names.join(u'\t').toUtf8(), digest = sum.result();
        sqlite3_bind_text(st, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, a.constData(), int(a.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, c.constData(), int(c.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 4, sum.rows());
        sqlite3_bind_blob(st, 5, digest.constData(), int(digest.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) throw Error(QStringLiteral("Geçici kopya yazılamıyor."));
    }
    out.exec(QStringLiteral("COMMIT"));
    sendLine(fd, "P " + QByteArray::number(total));
}

std::vector<TableSummary> readSummary(const QString& snapshotPath) {
    RawDb db(QStringLiteral("Geçici kopya okunamıyor"));
    std::vector<TableSummary> out;
    if (sqlite3_open_v2(QFile::encodeName(snapshotPath).constData(), &db.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw Error(QStringLiteral("Geçici kopya açılamıyor: %1").arg(snapshotPath));
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.db, "SELECT name, access_name, columns, rows, checksum FROM access_summary ORDER BY rowid", -1, &st,
                           nullptr) != SQLITE_OK)
        throw Error(QStringLiteral("Geçici kopya okunamıyor: %1").arg(snapshotPath));
    while (sqlite3_step(st) == SQLITE_ROW) {
        TableSummary t;
        t.name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        t.accessName = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        t.columns = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2))).split(u'\t');
        t.rows = sqlite3_column_int64(st, 3);
        t.checksum = QByteArray(static_cast<const char*>(sqlite3_column_blob(st, 4)), sqlite3_column_bytes(st, 4));
        out.push_back(t);
    }
    sqlite3_finalize(st);
    return out;
}

}  // namespace

QString quoted(const QString& name) {
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

void Checksum::addRow(const std::vector<QVariant>& values) {
    QByteArray row;
    for (const QVariant& v : values) {
        switch (v.typeId()) {
            case QMetaType::LongLong:
            case QMetaType::Int:
            case QMetaType::Bool:
                appendField(&row, 'I', QByteArray::number(v.toLongLong()));
                break;
            case QMetaType::Double:
                appendField(&row, 'R', QByteArray::number(v.toDouble(), 'g', 17));
                break;
            case QMetaType::QString:
                appendField(&row, 'T', v.toString().toUtf8());
                break;
            case QMetaType::QByteArray:
                appendField(&row, 'B', v.toByteArray());
                break;
            default:
                appendField(&row, 'N', {});
                break;
        }
    }
    rows_.push_back(QCryptographicHash::hash(row, QCryptographicHash::Sha256));
}

QByteArray Checksum::result() {
    std::sort(rows_.begin(), rows_.end());
    QCryptographicHash all(QCryptographicHash::Sha256);
    for (const QByteArray& r : rows_) all.addData(r);
    return all.result();
}

QByteArray checksumOf(sqlite3* db, const QString& table, const QStringList& columns, qint64* rows) {
    QStringList names;
    for (const QString& c : columns) names << quoted(c);
    const QByteArray sql = QStringLiteral("SELECT %1 FROM %2").arg(names.join(u','), quoted(table)).toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        throw Error(QStringLiteral("%1 tablosu okunamıyor: %2").arg(table, QString::fromUtf8(sqlite3_errmsg(db))));
    Checksum sum;
    std::vector<QVariant> values(size_t(columns.size()));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int i = 0; i < int(values.size()); ++i) {
            switch (sqlite3_column_type(st, i)) {
                case SQLITE_INTEGER:
                    values[size_t(i)] = QVariant(qint64(sqlite3_column_int64(st, i)));
                    break;
                case SQLITE_FLOAT:
                    values[size_t(i)] = QVariant(sqlite3_column_double(st, i));
                    break;
                case SQLITE_TEXT:
                    values[size_t(i)] = QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                                                   sqlite3_column_bytes(st, i)));
                    break;
                case SQLITE_BLOB:
                    values[size_t(i)] =
                        QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i)));
                    break;
                default:
                    values[size_t(i)] = QVariant();
                    break;
            }
        }
        sum.addRow(values);
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw Error(QStringLiteral("%1 tablosu okunamıyor: %2").arg(table, QString::fromUtf8(sqlite3_errstr(rc))));
    if (rows) *rows = sum.rows();
    return sum.result();
}

RawDb::~RawDb() { sqlite3_close_v2(db); }

void RawDb::exec(const QString& sql) const {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        throw Error(QStringLiteral("%1: %2").arg(failure_, text));
    }
}

QStringList RawDb::columns(const QString& table) const {
    QStringList out;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QStringLiteral("PRAGMA main.table_info(%1)").arg(quoted(table)).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    return out;
}

qint64 RawDb::scalar(const QString& sql) const {
    sqlite3_stmt* st = nullptr;
    qint64 v = 0;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return v;
}

std::vector<TableSummary> snapshot(const QString& path, const QString& snapshotPath, const QStringList& required,
                                   const QStringList& optional, const std::function<void(qint64)>& progress, int stallSeconds) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw Error(QStringLiteral("Access dosyası okunamıyor: işlem başlatılamadı."));
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw Error(QStringLiteral("Access dosyası okunamıyor: işlem başlatılamadı."));
    }
    if (pid == 0) {
        ::close(fds[0]);
        int code = 0;
        try {
            copyTables(path, snapshotPath, required, optional, fds[1]);
        } catch (const Error& e) {
            sendLine(fds[1], "E " + e.message().toUtf8());
            code = kFailedWithText;
        } catch (...) {
            code = kFailedWithText + 1;
        }
        ::close(fds[1]);
        _exit(code);
    }
    ::close(fds[1]);
    QByteArray pending;
    QString message;
    int quiet = 0;
    bool stalled = false;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, 1000);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            if (++quiet >= stallSeconds) {
                stalled = true;
                kill(pid, SIGKILL);
                break;
            }
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        quiet = 0;
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line.startsWith("P ") && progress) progress(line.mid(2).toLongLong());
            if (line.startsWith("E ")) message = QString::fromUtf8(line.mid(2));
        }
    }
    ::close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (stalled)
        throw Error(
            QStringLiteral("\"%1\" Access dosyası okunurken okuma %2 saniye ilerlemedi ve durduruldu; dosya bozuk olabilir.")
                .arg(path)
                .arg(stallSeconds));
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return readSummary(snapshotPath);
    if (!message.isEmpty()) throw Error(message);
    throw Error(QStringLiteral("\"%1\" Access dosyası bozuk; okunurken okuyucu durdu.").arg(path));
}

}  // namespace storage::access
