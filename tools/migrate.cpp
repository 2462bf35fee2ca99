// Moves a whole question bank from an old Access file into a new database
// file of this program, keeping every number, and verifies the copy.
// Usage: quorvel-migrate ACCESS_FILE NEW_FILE
#include "storage/access_migration.h"
#include "storage/errors.h"
#include "tools/command_line.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    const char* const usage =
        "Kullanım: quorvel-migrate ACCESS_DOSYASI YENI_DOSYA\n"
        "Access dosyasındaki soru bankasını (soru grupları, sorular, sınavlar ve sınav soruları; bütün\n"
        "numaralarıyla) bu programın biçiminde yeni bir dosyaya taşır. Var olan bir dosyanın üzerine yazmaz.\n";
    if (const auto end = tools::checkArguments(args.mid(1), usage)) return *end;
    if (args.size() != 3) {
        err << usage;
        return 2;
    }
    QElapsedTimer sinceLast;
    sinceLast.start();
    qint64 lastShown = -1;
    const auto progress = [&](qint64 rows) {
        // A large bank takes a while: say how far it got, twice a second.
        if (rows == lastShown || (lastShown >= 0 && sinceLast.elapsed() < 500)) return;
        err << "Okunan kayıt: " << rows << '\n';
        err.flush();
        lastShown = rows;
        sinceLast.restart();
    };
    try {
        const storage::access::MigrationReport report = storage::access::migrateBank(args.at(1), args.at(2), progress);
        for (const QString& file : report.removedLeftovers)
            out << "Yarım kalmış bir önceki taşımadan kalan dosya silindi: \"" << file << "\"\n";
        out << "Taşındı: \"" << args.at(1) << "\" -> \"" << args.at(2) << "\"\n";
        for (const auto& t : report.tables) {
            out << "  " << t.name << ": " << t.rows << " kayıt";
            if (t.name == QLatin1String("tqmaster") && report.richTextQuestions > 0)
                out << " (" << report.richTextQuestions << " zengin metin soru olduğu gibi)";
            if (!t.emptyColumns.isEmpty())
                out << "; Access'te olmayan alanlar boş: " << t.emptyColumns.join(QStringLiteral(", "));
            out << '\n';
        }
        for (const QString& t : report.missingTables) out << "  " << t << ": Access dosyasında yok, boş bırakıldı\n";
        out << "Doğrulandı: kayıt sayıları ve her alanın sağlama toplamı Access dosyasıyla aynı.\n";
    } catch (const storage::Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
