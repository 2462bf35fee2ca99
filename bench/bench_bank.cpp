// The program's own record-set paths on a generated bank, each paired in the
// same run with bare sqlite3 doing the same database work. Prints the median
// and the spread (min..max) of several runs, the ratio, and peak memory of the
// runs that start in a fresh process.
//
// Usage: bench_bank [data folder] [sizes...]   e.g. bench_bank build/bench/data 10000 100000 1000000
#include "bench/generate.h"
#include "bench/stats.h"
#include "storage/connection.h"
#include "storage/database_file.h"
#include "storage/recordset.h"
#include "storage/statements.h"
#include "storage/transaction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using bench::Stats;
using bench::stats;

using Clock = QElapsedTimer;

double ms(const Clock& t) { return double(t.nsecsElapsed()) / 1e6; }

// Resident and peak resident memory of this process in kB.
long statusKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLong();
    return -1;
}

struct Sample {
    double ms = 0;
    long addedKb = 0;  // memory the work added over the process before it
    long keptKb = 0;   // memory still held after the work closed
    long peakKb = 0;
};

// Runs work in a fresh process, so that a first open is really a first open
// and memory is the work's own.
Sample fresh(const std::function<Sample()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Sample s = work();
        s.peakKb = statusKb("VmHWM:");
        if (write(fds[1], &s, sizeof s) != ssize_t(sizeof s)) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    Sample s;
    if (read(fds[0], &s, sizeof s) != ssize_t(sizeof s)) s.ms = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return s;
}

void report(const char* work, int size, const std::vector<double>& program, const std::vector<double>& bare,
            const QString& extra = {}) {
    const Stats p = stats(program), b = stats(bare);
    if (bare.empty()) {
        std::printf("%-34s %8d  program %10.3f ms [%.3f..%.3f]  %s\n", work, size, p.median, p.lo, p.hi, qPrintable(extra));
        std::fflush(stdout);
        return;
    }
    std::printf("%-34s %8d  program %10.3f ms [%.3f..%.3f]  bare %10.3f ms [%.3f..%.3f]  ratio %6.2f %s\n", work, size, p.median,
                p.lo, p.hi, b.median, b.lo, b.hi, b.median > 0 ? p.median / b.median : 0.0, qPrintable(extra));
    std::fflush(stdout);
}

struct Program {
    storage::Connection c;
    explicit Program(const QString& path) {
        c.setConnectionString(storage::connectionString(path));
        c.open();
    }
};

sqlite3* bareOpen(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    return db;
}

qint64 bareScalar(sqlite3* db, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr);
    qint64 v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_finalize(st);
    return v;
}

void bareExec(sqlite3* db, const QString& sql) { sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr); }

// Steps a statement through every row, reading each value where SQLite
// holds it without copying it out (as the program's reader does).
size_t bareStep(sqlite3* db, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    size_t rows = 0;
    const int columns = sqlite3_column_count(st);
    std::int64_t touched = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    touched += sqlite3_column_int64(st, c);
                    break;
                case SQLITE_FLOAT:
                    touched += std::int64_t(sqlite3_column_double(st, c));
                    break;
                case SQLITE_NULL:
                    break;
                default: {
                    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, c));
                    touched += sqlite3_column_bytes(st, c) + (bytes ? bytes[0] : 0);
                    break;
                }
            }
        }
    }
    if (touched == -1) std::printf(" ");  // keeps the reads from being dropped
    sqlite3_finalize(st);
    return rows;
}

// Each pair runs its two sides in turn, the program first on even runs and
// bare first on odd ones, so that neither always finds the caches warm.
void inTurn(int run, const std::function<void()>& program, const std::function<void()>& bare) {
    if (run % 2 == 0) {
        program();
        bare();
    } else {
        bare();
        program();
    }
}

constexpr int kScreen = 30;  // rows the entry grid shows

// The caption count as the main window runs it, and bare.
void captionCount(const QString& path, int size) {
    Program p(path);
    storage::RecordSet rcx(QStringLiteral("rcxxx"), &p.c);
    sqlite3* db = bareOpen(path);
    std::vector<double> a, b;
    for (int i = 0; i < 9; ++i) {
        qint64 n = 0, m = 0;
        inTurn(
            i,
            [&] {
                Clock t;
                t.start();
                rcx.close();
                rcx.setCommandText(storage::sql::groupQuestionCount(1));
                rcx.open();
                n = rcx.field(QStringLiteral("RCX")).asKey();
                rcx.close();
                a.push_back(ms(t));
            },
            [&] {
                Clock t;
                t.start();
                m = bareScalar(db, storage::sql::groupQuestionCount(1));
                b.push_back(ms(t));
            });
        if (n != m) std::printf("count mismatch %lld %lld\n", n, m);
    }
    sqlite3_close(db);
    report("caption count", size, a, b);
}

// Reads every value of a screen of rows of a bare statement, as the program
// reads a screen (each value into its own QVariant).
size_t bareScreen(sqlite3* db, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    size_t bytes = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < columns; ++c)
            bytes += size_t(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)), sqlite3_column_bytes(st, c)).size());
    sqlite3_finalize(st);
    return bytes;
}

// Opens the entry grid's set in a fresh process and reads its last screen;
// bare counts the group and reads the same last screen.
void openLastScreen(const QString& path, int size) {
    std::vector<double> a, b;
    Sample last;
    for (int i = 0; i < 5; ++i) {
        inTurn(
            i,
            [&] {
                last = fresh([&] {
                    Program p(path);
                    storage::RecordSet rs(QStringLiteral("ADOTable1"), &p.c);
                    rs.setCommandText(storage::sql::questionsOfGroup(1));
                    const long before = statusKb("VmRSS:");
                    Clock t;
                    t.start();
                    rs.open();
                    rs.last();
                    size_t bytes = 0;
                    for (int row = std::max(0, rs.recordCount() - kScreen); row < rs.recordCount(); ++row)
                        for (int f = 0; f < rs.fieldCount(); ++f) bytes += size_t(rs.rowValue(row, f).toString().size());
                    Sample s{ms(t), statusKb("VmRSS:") - before, 0, 0};
                    rs.close();
                    s.keptKb = statusKb("VmRSS:") - before;
                    return bytes ? s : Sample{};
                });
                a.push_back(last.ms);
            },
            [&] {
                const Sample bare = fresh([&] {
                    sqlite3* db = bareOpen(path);
                    Clock t;
                    t.start();
                    const qint64 count = bareScalar(db, storage::sql::groupQuestionCount(1));
                    const size_t bytes =
                        bareScreen(db, QStringLiteral("select * from (select * from tqmaster where qgrp = 1 order by rid desc "
                                                      "limit %1) order by rid")
                                           .arg(kScreen));
                    Sample s{ms(t), 0, 0, 0};
                    sqlite3_close(db);
                    return count > 0 && bytes ? s : Sample{};
                });
                b.push_back(bare.ms);
            });
    }
    report("open + last screen (fresh process)", size, a, b,
           QStringLiteral("bare: count + last screen; memory +%1 MB, %2 MB kept after close, peak %3 MB")
               .arg(double(last.addedKb) / 1024, 0, 'f', 1)
               .arg(double(last.keptKb) / 1024, 0, 'f', 1)
               .arg(double(last.peakKb) / 1024, 0, 'f', 1));
}

// Opens the set and reads every field of every row, as a transfer does.
void readEverything(const QString& path, int size) {
    std::vector<double> a, b;
    for (int i = 0; i < 3; ++i) {
        inTurn(
            i,
            [&] {
                Program p(path);
                storage::RecordSet rs(QStringLiteral("ADOTable1"), &p.c);
                rs.setCommandText(storage::sql::questionsOfGroup(1));
                Clock t;
                t.start();
                rs.open();
                size_t bytes = 0;
                for (int row = 0; row < rs.recordCount(); ++row)
                    for (int f = 0; f < rs.fieldCount(); ++f) bytes += size_t(rs.rowValue(row, f).isValid());
                a.push_back(ms(t));
            },
            [&] {
                sqlite3* db = bareOpen(path);
                Clock t;
                t.start();
                bareStep(db, storage::sql::questionsOfGroup(1));
                b.push_back(ms(t));
                sqlite3_close(db);
            });
    }
    report("open + read every field", size, a, b, QStringLiteral("bare reads each value without copying it"));
}

// locate on rid, and one post of a changed answer, on an open set.
void locateAndPost(const QString& path, int size) {
    Program p(path);
    storage::RecordSet rs(QStringLiteral("ADOTable1"), &p.c);
    rs.setCommandText(storage::sql::questionsOfGroup(1));
    rs.open();
    sqlite3* db = bareOpen(path);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(db, "update tqmaster set answer2 = ?1 where rid = ?2", -1, &update, nullptr);
    std::vector<double> a, b, pa, pb;
    for (int i = 0; i < 101; ++i) {
        // The program posts odd rids, bare updates the even one after: bare
        // never changes a row the program has read and posts later (its
        // post would find the row changed and refuse, as it must).
        const qint64 rid = 1 + 2 * ((qint64(i) * 7919 * 131) % std::max(1, size / 2));
        bool found = false;
        inTurn(
            i,
            [&] {
                Clock t;
                t.start();
                found = rs.locate(QStringLiteral("rid"), rid);
                a.push_back(ms(t));
            },
            [&] {
                Clock t;
                t.start();
                bareScalar(db, QStringLiteral("select rowid from tqmaster where qgrp = 1 and rid = ") + QString::number(rid));
                b.push_back(ms(t));
            });
        if (!found) std::printf("rid %lld not found\n", rid);

        const QString answer = QStringLiteral("Değişen cevap %1").arg(i);
        inTurn(
            i,
            [&] {
                Clock t;
                t.start();
                rs.edit();
                rs.field(QStringLiteral("answer1")).setAsString(answer);
                rs.post();
                pa.push_back(ms(t));
            },
            [&] {
                Clock t;
                t.start();
                const QByteArray text = answer.toUtf8();
                sqlite3_bind_text(update, 1, text.constData(), int(text.size()), SQLITE_STATIC);
                sqlite3_bind_int64(update, 2, rid + 1);
                sqlite3_step(update);
                sqlite3_reset(update);
                pb.push_back(ms(t));
            });
    }
    sqlite3_finalize(update);
    sqlite3_close(db);
    report("locate rid", size, a, b, QStringLiteral("bare: indexed select"));
    report("one post", size, pa, pb, QStringLiteral("bare: prepared UPDATE by rid"));
}

// The first locate after a fresh open, each on a new connection: it cannot
// lean on keys read by earlier searches. The keys lie between a fifth and four
// fifths of the list, where reading from either end costs most; bare finds
// the row and its place in the list (the rows before it), on a new
// connection of its own.
void firstLocate(const QString& path, int size) {
    std::vector<double> a, b;
    for (int i = 0; i < 7; ++i) {
        const qint64 rid = qint64(size) / 5 + qint64(i) * (qint64(size) / 10);
        inTurn(
            i,
            [&] {
                Program p(path);
                storage::RecordSet rs(QStringLiteral("ADOTable1"), &p.c);
                rs.setCommandText(storage::sql::questionsOfGroup(1));
                rs.open();
                Clock t;
                t.start();
                const bool found = rs.locate(QStringLiteral("rid"), rid);
                a.push_back(ms(t));
                if (!found || rs.field(QStringLiteral("rid")).asKey() != rid) std::printf("rid %lld not found\n", rid);
            },
            [&] {
                sqlite3* db = bareOpen(path);
                Clock t;
                t.start();
                const QString r = QString::number(rid);
                bareScalar(db, QStringLiteral("select (select count(*) from tqmaster where qgrp = 1 and rid < ") + r +
                                   QStringLiteral(") from tqmaster where qgrp = 1 and rid = ") + r);
                b.push_back(ms(t));
                sqlite3_close(db);
            });
    }
    report("first locate rid after open", size, a, b, QStringLiteral("7 fresh opens; bare: the row and its place"));
}

// The first new row (F2) on a group open at its last screen, in a fresh
// process: the time of the append and what it adds to memory. Nothing goes
// to the file until a post, so there is no bare side.
void firstNewRow(const QString& path, int size) {
    std::vector<double> a;
    Sample last;
    for (int i = 0; i < 5; ++i) {
        last = fresh([&] {
            Program p(path);
            storage::RecordSet rs(QStringLiteral("ADOTable1"), &p.c);
            rs.setCommandText(storage::sql::questionsOfGroup(1));
            rs.open();
            rs.last();
            for (int f = 0; f < rs.fieldCount(); ++f) rs.value(f);
            const long before = statusKb("VmRSS:");
            Clock t;
            t.start();
            rs.append();
            Sample s{ms(t), statusKb("VmRSS:") - before, 0, 0};
            rs.cancel();
            return s;
        });
        a.push_back(last.ms);
    }
    report("first new row (F2)", size, a, {},
           QStringLiteral("fresh process; memory +%1 MB, peak %2 MB")
               .arg(double(last.addedKb) / 1024, 0, 'f', 1)
               .arg(double(last.peakKb) / 1024, 0, 'f', 1));
}

// Moving the middle question of a group up, as the entry window does, in a
// fresh process after the open (the exchange and the list shown again);
// bare runs the three statements of the exchange as one transaction, the
// floor. Each side moves the row back down afterwards, untimed, so the bank
// stays as generated.
void moveUpInTheMiddle(const QString& path, int size) {
    std::vector<double> a, b;
    Sample last;
    const qint64 rid = size / 2;  // rids run 1..size in the one group
    for (int i = 0; i < 5; ++i) {
        inTurn(
            i,
            [&] {
                last = fresh([&] {
                    Program p(path);
                    storage::RecordSet rs(QStringLiteral("ADOTable1"), &p.c), q2(QStringLiteral("ADOQuery2"), &p.c);
                    rs.setCommandText(storage::sql::questionsOfGroup(1));
                    rs.open();
                    if (!rs.locate(QStringLiteral("rid"), rid)) return Sample{};
                    for (int f = 0; f < rs.fieldCount(); ++f) rs.value(f);
                    const long before = statusKb("VmRSS:");
                    Clock t;
                    t.start();
                    storage::sql::swapWithNeighbour(rs, q2, storage::sql::OrderingKey::Rid, -1);
                    size_t bytes = 0;  // the screen around the row, as the grid paints it again
                    for (int row = std::max(0, rs.currentRow() - kScreen / 2); row < rs.currentRow() + kScreen / 2; ++row)
                        for (int f = 0; f < rs.fieldCount(); ++f) bytes += size_t(rs.rowValue(row, f).toString().size());
                    Sample s{ms(t), statusKb("VmRSS:") - before, 0, 0};
                    if (rs.field(QStringLiteral("rid")).asKey() != rid - 1 || !bytes) std::printf("move up went wrong\n");
                    storage::sql::swapWithNeighbour(rs, q2, storage::sql::OrderingKey::Rid, +1);
                    return s;
                });
                a.push_back(last.ms);
            },
            [&] {
                sqlite3* db = bareOpen(path);
                const auto swap = [db](qint64 earlier, qint64 later) {
                    bareExec(db, QStringLiteral("BEGIN"));
                    for (const QString& statement : storage::sql::swapStatements(storage::sql::OrderingKey::Rid, earlier, later))
                        bareExec(db, statement);
                    bareExec(db, QStringLiteral("COMMIT"));
                };
                Clock t;
                t.start();
                swap(rid - 1, rid);
                b.push_back(ms(t));
                swap(rid - 1, rid);
                sqlite3_close(db);
            });
    }
    report("move up in the middle", size, a, b,
           QStringLiteral("fresh process; bare: the exchange alone; memory +%1 MB, peak %2 MB")
               .arg(double(last.addedKb) / 1024, 0, 'f', 1)
               .arg(double(last.peakKb) / 1024, 0, 'f', 1));
}

// Adds 10,000 questions to an exam the way the add window does (duplicate
// test, max, insert through record sets), and imports 10,000 questions through
// the post rule (max rid, append, post); bare runs the same statements.
void addAndImport(const QString& path, int size) {
    const int n = 10000;
    std::vector<double> a, b, ia, ib;
    const QString copy = path + QStringLiteral(".work");
    const auto program = [&] {
        QFile::remove(copy);
        QFile::copy(path, copy);
        {
            Program p(copy);
            storage::RecordSet q(QStringLiteral("ADOQuery1"), &p.c), ins(QStringLiteral("rcins"), &p.c);
            const auto scalar = [&q](const QString& s) {
                q.close();
                q.setCommandText(s);
                q.open();
                const qint64 v = q.field(QStringLiteral("MRI")).asKeyOr(0);
                q.close();
                return v;
            };
            Clock t;
            t.start();
            storage::atomically(p.c, [&] {
                for (int rid = 1; rid <= n; ++rid)
                    if (scalar(storage::sql::examHoldsQuestion(999, rid)) == 0)
                        storage::sql::executeChange(ins,
                                                    storage::sql::insertExamEntry(scalar(storage::sql::maxQqId()) + 1, 999, rid));
            });
            a.push_back(ms(t));
            storage::RecordSet rs(QStringLiteral("ADOTable1"), &p.c);
            rs.setCommandText(storage::sql::questionsOfGroup(2));
            rs.open();
            t.restart();
            storage::atomically(p.c, [&] {
                for (int i = 0; i < n; ++i) {
                    rs.append();
                    rs.field(QStringLiteral("question")).setAsString(QStringLiteral("Aktarılan soru %1").arg(i));
                    rs.field(QStringLiteral("true_answer")).setAsString(QStringLiteral("A"));
                    rs.field(QStringLiteral("qgrp")).setAsInteger(2);
                    rs.field(QStringLiteral("rid")).setAsInteger(scalar(storage::sql::maxRid()) + 1);
                    rs.post();
                }
            });
            ia.push_back(ms(t));
        }
        QFile::remove(copy);
    };
    const auto bare = [&] {
        QFile::remove(copy);
        QFile::copy(path, copy);
        sqlite3* db = bareOpen(copy);
        Clock t;
        t.start();
        bareExec(db, QStringLiteral("BEGIN"));
        for (int rid = 1; rid <= n; ++rid)
            if (bareScalar(db, storage::sql::examHoldsQuestion(999, rid)) == 0)
                bareExec(db, storage::sql::insertExamEntry(bareScalar(db, storage::sql::maxQqId()) + 1, 999, rid));
        bareExec(db, QStringLiteral("COMMIT"));
        b.push_back(ms(t));
        t.restart();
        bareExec(db, QStringLiteral("BEGIN"));
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, true_answer, sts, qgrp) "
                           "VALUES (?1, ?2, NULL, NULL, NULL, NULL, 'A', NULL, 2)",
                           -1, &st, nullptr);
        for (int i = 0; i < n; ++i) {
            sqlite3_bind_int64(st, 1, bareScalar(db, storage::sql::maxRid()) + 1);
            const QByteArray text = QStringLiteral("Aktarılan soru %1").arg(i).toUtf8();
            sqlite3_bind_text(st, 2, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        bareExec(db, QStringLiteral("COMMIT"));
        ib.push_back(ms(t));
        sqlite3_close(db);
        QFile::remove(copy);
    };
    for (int run = 0; run < 3; ++run) inTurn(run, program, bare);
    report("add 10,000 questions to an exam", size, a, b, QStringLiteral("one transaction each side"));
    report("import 10,000 through post", size, ia, ib, QStringLiteral("bare: max + insert"));
}

// QUORVEL_BENCH_STEPS picks steps (count, open, read, post, new, move, import),
// comma-separated, e.g. to run one under a profiler; unset runs them all.
bool wanted(const char* step) {
    const QByteArray steps = qgetenv("QUORVEL_BENCH_STEPS");
    return steps.isEmpty() || steps.split(',').contains(QByteArray(step));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bench-data");
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::max(1, atoi(argv[i])));
    if (sizes.empty()) sizes = {10000, 100000};
    std::printf("sqlite %s; one group holds every question; times are medians [min..max]\n", sqlite3_libversion());
    for (int size : sizes) {
        Clock t;
        t.start();
        const QString path = bench::cachedBank(folder, {1, size, 5, 200});
        std::printf("-- bank of %d questions (%.0f MB, ready in %.1f s)\n", size, double(QFile(path).size()) / 1048576.0,
                    ms(t) / 1000);
        std::fflush(stdout);
        if (wanted("count")) captionCount(path, size);
        if (wanted("open")) openLastScreen(path, size);
        if (wanted("read")) readEverything(path, size);
        if (wanted("post")) {
            firstLocate(path, size);
            locateAndPost(path, size);
        }
        if (wanted("new")) firstNewRow(path, size);
        if (wanted("move")) moveUpInTheMiddle(path, size);
        if (wanted("import")) addAndImport(path, size);
    }
    return 0;
}
