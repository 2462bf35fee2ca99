#include "storage/access_migration.h"

#include "storage/access_snapshot.h"
#include "storage/database_file.h"
#include "storage/errors.h"
#include "storage/sqlite/snapshot_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <unistd.h>

namespace storage::access {

namespace {

// Our column of the same name, ignoring case, or empty.
QString ours(const QStringList& columns, const QString& name) {
    for (const QString& c : columns)
        if (c.compare(name, Qt::CaseInsensitive) == 0) return c;
    return {};
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

    QTemporaryFile snap(QDir::tempPath() + QStringLiteral("/quorvel-migrate-XXXXXX.sqlite"));
    if (!snap.open()) throw Error(QStringLiteral("Geçici dosya oluşturulamıyor (%1).").arg(QDir::tempPath()));
    snap.close();
    const std::vector<TableSummary> read =
        snapshot(source, snap.fileName(), {QStringLiteral("tqgroup"), QStringLiteral("tqmaster")},
                 {QStringLiteral("qgroup"), QStringLiteral("qquestion")}, progress);

    // The copy is built beside the target under another name and renamed
    // when verified, so a half-made file never carries the target's name.
    const QString part = target + QStringLiteral(".part");
    if (QFileInfo::exists(part))
        throw Error(QStringLiteral("\"%1\" zaten var (yarım kalmış bir taşıma?); silip yeniden deneyin.").arg(part));
    createDatabase(part);
    MigrationReport report;
    try {
        sqlite::BankFromSnapshot out(part, snap.fileName());
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
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    // link() fails when the target exists, where a rename would replace it.
    if (::link(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(part);
        throw Error(QStringLiteral("\"%1\" oluşturulamadı (aynı adla bir dosya oluşmuş olabilir).").arg(target));
    }
    QFile::remove(part);
    return report;
}

}  // namespace storage::access
