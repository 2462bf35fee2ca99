#include "storage/access_snapshot.h"

#include "storage/errors.h"
#include "storage/sqlite/snapshot_file.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
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
    sqlite::SnapshotWriter out(snapshotPath);
    qint64 total = 0;
    for (const QString& name : required + optional) {
        const QString accessName = file.table(name);
        if (accessName.isEmpty()) continue;
        const std::vector<Column> columns = file.columns(accessName);
        TableSummary read;
        read.name = name;
        read.accessName = accessName;
        for (const Column& c : columns) read.columns << c.name;
        out.beginTable(name, columns);
        Checksum sum;
        file.readRows(accessName, [&](const std::vector<QVariant>& values) {
            if (!out.addRow(values))
                throw Error(QStringLiteral("\"%1\" Access dosyasındaki %2 tablosunun %3. kaydı kopyalanamıyor: %4")
                                .arg(path, accessName)
                                .arg(sum.rows() + 1)
                                .arg(out.lastError()));
            sum.addRow(values);
            if (++total % 256 == 0) sendLine(fd, "P " + QByteArray::number(total));
        });
        read.rows = sum.rows();
        read.checksum = sum.result();
        out.endTable(read);
    }
    out.commit();
    sendLine(fd, "P " + QByteArray::number(total));
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
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return sqlite::readSnapshotSummary(snapshotPath);
    if (!message.isEmpty()) throw Error(message);
    throw Error(QStringLiteral("\"%1\" Access dosyası bozuk; okunurken okuyucu durdu.").arg(path));
}

}  // namespace storage::access
