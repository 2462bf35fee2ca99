// Journal modes for a file that a web site reads while teachers post: how
// long one post takes on its own, and how long it takes while a web page is
// in the middle of a read that lasts 200 ms.
// Usage: bench_journal [folder] [posts]
// The folder should be on the disk the bank lives on (a RAM disk makes every
// sync free); the default is the current folder.
#include "bench/stats.h"
#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/recordset.h"
#include "storage/sqlite/sqlite_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kReadMs = 200;

struct Mode {
    const char* name;
    const char* pragmas;  // on top of what the connection chooses at open
};

double median(std::vector<double> v) { return bench::stats(std::move(v)).median; }

// One post of a changed question through the record set.
double timedPost(storage::RecordSet& q, int n) {
    QElapsedTimer t;
    t.start();
    q.edit();
    q.field(QStringLiteral("answer1")).setAsString(QStringLiteral("cevap %1").arg(n));
    q.post();
    return double(t.nsecsElapsed()) / 1e6;
}

void measure(const QString& folder, const Mode& mode, int posts) {
    QTemporaryDir dir(folder + QStringLiteral("/bench_journal-XXXXXX"));
    const QString path = dir.path() + QStringLiteral("/Quorvel.mdb");
    storage::createDatabase(path);
    {
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db,
                     "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < 1000) "
                     "INSERT INTO tqmaster (rid, question, qgrp) SELECT i, 'Soru metni ' || i, 1 FROM r",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    storage::Connection c;
    c.setConnectionString(storage::connectionString(path));
    c.open();
    sqlite3_exec(storage::sqlite::handleOf(c), mode.pragmas, nullptr, nullptr, nullptr);
    storage::RecordSet q(QStringLiteral("ADOTable1"), &c);
    q.setCommandText(QStringLiteral("Select * from tqmaster Where qgrp = 1 Order By rid"));
    q.open();

    std::vector<double> alone;
    for (int i = 0; i < posts; ++i) alone.push_back(timedPost(q, i));

    // A web page reads: its read transaction holds the file for kReadMs.
    std::vector<double> duringRead;
    for (int i = 0; i < 9; ++i) {
        std::atomic<bool> reading{false};
        std::thread web([&] {
            sqlite3* db = nullptr;
            sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
            sqlite3_exec(db, "BEGIN; SELECT count(*), max(question) FROM tqmaster;", nullptr, nullptr, nullptr);
            reading = true;
            sqlite3_sleep(kReadMs);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
        while (!reading) std::this_thread::yield();
        duringRead.push_back(timedPost(q, posts + i));
        web.join();
    }
    std::printf("%-24s %10.2f %12.2f %22.1f\n", mode.name, median(alone), *std::max_element(alone.begin(), alone.end()),
                median(duringRead));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const int posts = argc > 2 ? std::max(1, atoi(argv[2])) : 200;
    std::printf("SQLite %s, %d posts of one changed row, folder %s\n", sqlite3_libversion(), posts, qPrintable(folder));
    std::printf("%-24s %10s %12s %22s\n", "mode", "post ms", "slowest ms", "post during read ms");
    const Mode modes[] = {
        {"DELETE, synchronous=FULL", ""},
        {"WAL, synchronous=FULL", "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"},
        {"WAL, synchronous=NORMAL", "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"},
    };
    for (const Mode& m : modes) measure(folder, m, posts);
    return 0;
}
