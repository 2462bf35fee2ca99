#include "storage/access_migration.h"

#include "storage/access_snapshot.h"
#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/part_file.h"
#include "storage/sqlite/snapshot_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace storage::access {

namespace {

// Our column of the same name, ignoring case, or empty.
QString ours(const QStringList& columns, const QString& name) {
    for (const QString& c : columns)
        if (c.compare(name, Qt::CaseInsensitive) == 0) return c;
    return {};
}

const QString kCopyPrefix = QStringLiteral("quorvel-migrate-");

// Removes the copies in the temporary folder that runs of this user left when
// they were killed: those nobody holds.
QStringList removeUnusedCopies() {
    QStringList removed;
    const QFileInfoList copies =
        QDir(QDir::tempPath()).entryInfoList({kCopyPrefix + QStringLiteral("*.sqlite")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& copy : copies) {
        if (copy.ownerId() != ::geteuid()) continue;
        const QByteArray name = QFile::encodeName(copy.filePath());
        const int fd = ::open(name.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(name.constData()) == 0) removed << copy.filePath();
        ::close(fd);
    }
    return removed;
}

}  // namespace

MigrationReport migrateBank(const QString& source, const QString& target, const std::function<void(qint64)>& progress) {
    if (QFileInfo::exists(target))
        throw Error(
            QStringLiteral("\"%1\" zaten var; var olan bir dosyanın üzerine yazılmaz. Yeni bir dosya adı verin.").arg(target));
    if (!QFileInfo(source).isFile()) throw Error(QStringLiteral("\"%1\" dosyası yok.").arg(source));
    const Header header = headerOf(source);
    if (header.format == Format::NotAccess)
        throw Error(QStringLiteral("\"%1\" bir Access veritabanı dosyası değil; yalnızca Access dosyaları taşınır.").arg(source));

    MigrationReport report;
    report.removedLeftovers = removeUnusedCopies();
    QTemporaryFile snap(QDir::tempPath() + QStringLiteral("/") + kCopyPrefix + QStringLiteral("XXXXXX.sqlite"));
    if (!snap.open()) throw Error(QStringLiteral("Geçici dosya oluşturulamıyor (%1).").arg(QDir::tempPath()));
    // Held while this run lasts (and by the child that fills it), so that a
    // later run removes only copies nobody holds.
    ::flock(snap.handle(), LOCK_EX | LOCK_NB);
    const std::vector<TableSummary> read =
        snapshot(source, snap.fileName(), {QStringLiteral("tqgroup"), QStringLiteral("tqmaster")},
                 {QStringLiteral("qgroup"), QStringLiteral("qquestion")}, progress);

    // The copy is built beside the target under another name and takes the
    // target's name when verified, so a half-made file never carries it. A
    // part left by a run that was killed is taken over.
    PartFile part(target);
    if (part.tookOverLeftover()) report.removedLeftovers << part.path();
    createDatabase(part);
    {
        sqlite::BankFromSnapshot out(part.path(), snap.fileName());
        out.begin();
        for (const TableSummary& t : read) {
            const QStringList mine = out.columns(t.name);
            QStringList to;
            for (const QString& c : t.columns) {
                const QString match = ours(mine, c);
                if (match.isEmpty())
                    throw Error(QStringLiteral("\"%1\" Access dosyasındaki %2 tablosunun %3 alanı bu programın bankasında yok; "
                                               "bu alan taşınamayacağı için taşıma yapılmadı.")
                                    .arg(source, t.accessName, c));
                to << match;
            }
            MigratedTable m;
            m.name = t.name;
            m.rows = t.rows;
            for (const QString& c : mine)
                if (ours(t.columns, c).isEmpty()) m.emptyColumns << c;
            try {
                out.copy(t.name, to, t.columns);
            } catch (const Error& e) {
                throw Error(QStringLiteral("%1 tablosu kopyalanamadı (%2). Access dosyasında aynı numara iki kayıtta olabilir.")
                                .arg(t.name, e.message()));
            }
            report.tables.push_back(m);
        }
        out.commit();
        for (const QString& name : {QStringLiteral("qgroup"), QStringLiteral("qquestion")}) {
            bool found = false;
            for (const TableSummary& t : read) found = found || t.name == name;
            if (!found) report.missingTables << name;
        }
        // Verify what the new file holds against what was read from the
        // Access file: row counts and every field.
        for (const TableSummary& t : read) {
            QStringList mine;
            for (const QString& c : t.columns) mine << ours(out.columns(t.name), c);
            qint64 rows = 0;
            const QByteArray sum = out.checksum(t.name, mine, &rows);
            if (rows != t.rows || sum != t.checksum)
                throw Error(QStringLiteral("Doğrulama başarısız: yeni dosyadaki %1 tablosu Access dosyasındakiyle aynı değil "
                                           "(%2 kayıt okundu, %3 kayıt yazıldı). Yeni dosya oluşturulmadı.")
                                .arg(t.name)
                                .arg(t.rows)
                                .arg(rows));
        }
        report.richTextQuestions = out.richTextQuestions();
    }
    part.publishNew();
    return report;
}

}  // namespace storage::access
