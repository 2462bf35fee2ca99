// Mutation run over the Access reading path: takes the Access fixtures,
// damages their pages at random (bytes, whole fields, copied pages, cut
// files), and reads each result the way the import window does. Every file
// must end either read or refused with a message, within the stall limit;
// a crash or hang of this process is a finding. The reader library itself
// runs in a child process and may die there: that is counted, not a finding.
//
// Usage: access_mutate SECONDS SEED LOG_FILE FIXTURE...
#include "storage/access_file.h"
#include "storage/access_snapshot.h"
#include "storage/errors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray mutate(QByteArray file, QRandomGenerator& rng) {
    const int pageSize = file.size() > 0x14 && file.at(0x14) == 0 ? 2048 : 4096;
    const int pages = int(file.size() / pageSize);
    if (pages < 1) return file;
    const auto somePage = [&] {
        // Mostly pages that hold something; page 0 (the header) now and then.
        for (int tries = 0; tries < 16; ++tries) {
            const int p = int(rng.bounded(pages));
            if (file.at(qsizetype(p) * pageSize) != 0 || p == 0) return p;
        }
        return int(rng.bounded(pages));
    };
    switch (rng.bounded(6)) {
        case 0:
        case 1: {  // a few bytes of one page
            const int p = somePage();
            const int n = 1 + int(rng.bounded(8));
            for (int i = 0; i < n; ++i) {
                const qsizetype at = qsizetype(p) * pageSize + rng.bounded(pageSize);
                if (at >= 0x15) file[at] = char(rng.bounded(256));
            }
            break;
        }
        case 2: {  // a 16- or 32-bit field set to a telling value
            static const quint32 values[] = {0,      1,      0xff,       0x100,      0x7fff,     0x8000,    0xffff,
                                             0x1000, 0x0fff, 0x7fffffff, 0xffffffff, 0x80000000, 0x40000000};
            const int p = somePage();
            const qsizetype at = qsizetype(p) * pageSize + rng.bounded(pageSize - 4);
            const quint32 v = values[rng.bounded(int(sizeof values / sizeof *values))];
            if (at >= 0x18) std::memcpy(file.data() + at, &v, rng.bounded(2) ? 2 : 4);
            break;
        }
        case 3: {  // one page copied over another
            const int from = somePage(), to = int(rng.bounded(pages));
            if (to != 0)
                std::memcpy(file.data() + qsizetype(to) * pageSize, file.constData() + qsizetype(from) * pageSize,
                            size_t(pageSize));
            break;
        }
        case 4:  // cut at a page boundary
            file.truncate(qsizetype(1 + rng.bounded(pages)) * pageSize);
            break;
        default:  // cut anywhere
            file.truncate(rng.bounded(int(file.size())));
            break;
    }
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: access_mutate SECONDS SEED LOG_FILE FIXTURE...\n");
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    QRandomGenerator rng(quint32(std::strtoul(argv[2], nullptr, 10)));
    QList<QByteArray> seeds;
    for (int i = 4; i < argc; ++i) {
        QFile f(QString::fromLocal8Bit(argv[i]));
        if (!f.open(QIODevice::ReadOnly)) return 2;
        seeds << f.readAll();
    }
    // The reader library and the child's sanitizer reports talk on stderr;
    // keep them out of the summary.
    const int log = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int console = ::dup(2);
    if (log >= 0) ::dup2(log, 2);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mutated.mdb"));
    const QString copy = dir.filePath(QStringLiteral("copy.sqlite"));
    QMap<QString, int> outcomes;
    qint64 runs = 0, slowest = 0;
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < qint64(seconds) * 1000) {
        const QByteArray bytes = mutate(seeds.at(int(rng.bounded(int(seeds.size())))), rng);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 2;
        f.write(bytes);
        f.close();
        QFile::remove(copy);
        // What the window checks before it starts the child.
        (void)storage::access::refusalText(path, storage::access::readHeader(bytes.left(4096)));
        QElapsedTimer one;
        one.start();
        QString outcome = QStringLiteral("read");
        try {
            storage::access::snapshot(
                path, copy, {QStringLiteral("tqgroup")},
                {QStringLiteral("tqmaster"), QStringLiteral("qgroup"), QStringLiteral("qquestion"), QStringLiteral("Table")}, {},
                5);
        } catch (const storage::Error& e) {
            if (e.message().isEmpty()) std::abort();
            outcome = e.message().contains(QStringLiteral("okuyucu durdu"))    ? QStringLiteral("reader died in the child")
                      : e.message().contains(QStringLiteral("ilerlemedi"))     ? QStringLiteral("reader stalled, stopped")
                      : e.message().contains(QStringLiteral("kesilmiş"))       ? QStringLiteral("refused: cut file")
                      : e.message().contains(QStringLiteral("Access dosyası")) ? QStringLiteral("refused: damaged or not a bank")
                                                                               : QStringLiteral("refused: other");
        }
        slowest = std::max(slowest, one.elapsed());
        ++outcomes[outcome];
        ++runs;
    }
    if (log >= 0) ::dup2(console, 2);
    std::fprintf(stderr, "access_mutate: %lld files in %lld s, slowest %lld ms\n", runs, total.elapsed() / 1000, slowest);
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        std::fprintf(stderr, "  %-34s %d\n", qPrintable(it.key()), it.value());
    return 0;
}
