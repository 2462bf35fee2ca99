#include "storage/database_file.h"

#include "storage/errors.h"
#include "storage/part_file.h"
#include "storage/sqlite/file_db.h"

#include <QFile>
#include <QFileInfo>

namespace storage {

extern const char* const kSchemaSql;

namespace {
const QString kPrefix = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
const QString kSuffix = QStringLiteral(";Persist Security Info=False");
}  // namespace

DatabaseLocation locateDatabase(const QString& executablePath) {
    const QFileInfo info(executablePath);
    DatabaseLocation location;
    location.programFolder = info.absolutePath();
    if (!location.programFolder.endsWith(u'/')) location.programFolder += u'/';
    const QString name = info.fileName();
    if (name.size() > 4) location.databaseFileName = name.left(name.size() - 4) + QStringLiteral(".mdb");
    return location;
}

QString connectionString(const QString& databasePath) { return kPrefix + databasePath + kSuffix; }

QString dataSourceOf(const QString& text) {
    // Read the string as the provider does: "key=value" pairs split at every
    // semicolon, nothing quoted. A semicolon inside the path leaves a piece
    // without "=" behind, and the whole string is refused.
    QString source;
    const auto pieces = text.split(u';');
    for (const QString& piece : pieces) {
        if (piece.trimmed().isEmpty()) continue;
        const qsizetype eq = piece.indexOf(u'=');
        if (eq < 0)
            throw Error(QStringLiteral("Bağlantı metni kullanılamıyor: \"%1\" bir ayar değil. Adında noktalı virgül "
                                       "olan bir klasör ya da dosya veritabanını barındıramaz.")
                            .arg(piece));
        if (piece.left(eq).trimmed().compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0) source = piece.mid(eq + 1);
    }
    return source;
}

bool isAccessDatabase(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(19);
    if (head.size() < 19 || !head.startsWith(QByteArray("\x00\x01\x00\x00", 4))) return false;
    const QByteArray kind = head.mid(4);
    return kind == "Standard Jet DB" || kind == "Standard ACE DB";
}

const char* schemaSql() { return kSchemaSql; }

void createDatabase(const QString& path) {
    if (QFileInfo::exists(path)) throw Error(QStringLiteral("\"%1\" zaten var; üzerine yazılmadı.").arg(path));
    PartFile part(path);
    createDatabase(part);
    part.publishNew();
}

void createDatabase(PartFile& part) { sqlite::createFile(part.path(), kSchemaSql, sqlite::Existing::EmptyFile); }

}  // namespace storage
