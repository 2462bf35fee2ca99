#include "storage/access_snapshot.h"
#include "storage/connection.h"
#include "storage/errors.h"
#include "storage/sqlite/sqlite_database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace storage {

void Connection::openAccess() {
    if (!readsAccessFiles_)
        throw Error(
            QStringLiteral("\"%1\" bir Access veritabanı dosyası (eski biçimde bir soru bankası); program bu dosyayla "
                           "çalışamaz. Bankayı bu programın biçiminde yeni bir dosyaya taşımak için programın "
                           "yanındaki taşıma aracını çalıştırın:\r\n\r\nquorvel-migrate \"%1\" \"%2\"\r\n\r\nsonra Access "
                           "dosyasını başka bir yere alıp yeni dosyaya onun adını verin.")
                .arg(QDir::toNativeSeparators(path_),
                     QDir::toNativeSeparators(QFileInfo(path_).absolutePath() + QStringLiteral("/yeni-banka.mdb"))));
    const access::Header header = access::headerOf(path_);
    const QString refusal = access::refusalText(path_, header);
    if (!refusal.isEmpty()) throw Error(refusal);
    // The copy is private: it goes away when the file is closed (at once,
    // since it is unlinked as soon as it is open).
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/quorvel-access-XXXXXX.sqlite"));
    if (!copy.open()) throw Error(QStringLiteral("Geçici dosya oluşturulamıyor (%1).").arg(QDir::tempPath()));
    copy.close();
    access::snapshot(path_, copy.fileName(), {QStringLiteral("tqgroup"), QStringLiteral("tqmaster")}, {});
    // The copy is an SQLite file whatever drives the connection otherwise.
    auto db = std::make_unique<sqlite::Database>();
    db->openCopy(copy.fileName());
    use(std::move(db));
    ++opens_;
}

}  // namespace storage
