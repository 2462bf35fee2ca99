// What a teacher waits for when questions go in by the group: "Grubu Aktar"
// of the add window (a whole bank group into an exam) and "Veri al" of the
// entry window (a group of another file into the bank), each driven through
// the real windows as a user drives them, from the click to the end of the
// run. Beside each, in the same run, the floor: bare sqlite3 writing the same
// rows with the same statements in one transaction, on the program's journal
// and sync settings. The sides take turns at running first.
//
// Not part of ctest; run it from a release build:
//   QT_QPA_PLATFORM=offscreen bench_import [folder...]
// Each folder is where the banks are made (/dev/shm for tmpfs, a folder on a
// disk, where the syncs of every commit show); none means the system's
// temporary folder. QUORVEL_BENCH_QUESTIONS gives the sizes (comma-separated,
// default 10000), QUORVEL_BENCH_RUNS the runs per size (default 5),
// QUORVEL_BENCH_PATHS the paths (transfer, import; default both);
// QUORVEL_BENCH_PER_ROW=1 adds a third side, the bare statements with a
// commit per question.
#include "app/forms.h"
#include "app/frm_main.h"
#include "bank/frm_qimport.h"
#include "bank/frm_soru_gir.h"
#include "bench/stats.h"
#include "bench/support/scratch.h"
#include "exams/frm_sinav_soru_ekle.h"
#include "storage/session.h"
#include "storage/sqlite/sqlite_database.h"
#include "storage/statements.h"
#include "ui/filedialog.h"
#include "ui/msgbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTest>
#include <QToolButton>

#include <sqlite3.h>

#include <cstdio>
#include <functional>

namespace {

// One bank group of n questions of about 150 bytes of Turkish text, one in
// seven cancelled.
QString groupOf(const QString& name, int n) {
    return QStringLiteral(
               "INSERT INTO tqgroup (GROUPNAME) VALUES ('%1');"
               "INSERT INTO tqmaster WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %2) "
               "SELECT x, 'Soru ' || x || ': Osmanlı Devleti hangi yılda kuruldu ve ilk başkenti neresidir?', "
               "'cevap A ' || x, 'İznik', 'Söğüt', 'Bursa', '2', x % 7 = 0, 1 FROM c;")
        .arg(name)
        .arg(n);
}

// The transfer's bank: the group and an empty exam.
QString transferSeed(int n) {
    return groupOf(QStringLiteral("Tarih"), n) + QStringLiteral("INSERT INTO qgroup (GROUPNAME) VALUES ('Vize');");
}

// The import's bank (one group, one question) and the file it copies from.
const QString kImportBank = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
    "INSERT INTO tqmaster VALUES (1,'a','','','','','1',0,1);");

void check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) qFatal("sqlite: %s", sqlite3_errmsg(db));
}

void checkCount(bench::ScratchBank& bank, const QString& table, qint64 expected) {
    const qint64 n = bank.scalar(QStringLiteral("select count(*) from ") + table);
    if (n != expected) qFatal("%s holds %lld rows, not %lld", qPrintable(table), n, expected);
}

// Answers the boxes of a run: yes to the transfer's question; any other box
// is a failure of the run and ends the benchmark once the run is over.
struct Boxes {
    QStringList unexpected;
    Boxes() {
        msgbox::setInterceptor([this](const msgbox::Box& box) {
            if (box.caption == QStringLiteral("Dikkat") && box.buttons.contains(msgbox::Button::Yes)) return msgbox::Button::Yes;
            unexpected << box.caption + QStringLiteral(": ") + box.text;
            return box.escapeButton;
        });
    }
    ~Boxes() { msgbox::setInterceptor({}); }
    void verify() const {
        if (!unexpected.isEmpty()) qFatal("a box interrupted the run: %s", qPrintable(unexpected.join(u'\n')));
    }
};

double msSince(const QElapsedTimer& clock) { return double(clock.nsecsElapsed()) / 1e6; }

// "Sınava Soru Ekle" on the main window, then "Grubu Aktar" with the whole
// group, answered yes; timed from the click on "Grubu Aktar" until the
// window shows its question list again.
double transferThroughWindow(const QString& under, int n) {
    bench::ScratchProgram p(transferSeed(n), under);
    p.show();
    p.clickTab(1);
    Tsinav_soru_ekle* w = p.forms().sinav_soru_ekle;
    Boxes boxes;
    double ms = -1;
    bench::whenModal([&] {
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(w->RzButton1, Qt::LeftButton);
        // Whether the run ends inside the click or later, it ends when the
        // progress panel goes.
        while (w->Panel1->isVisible() && clock.elapsed() < 3600000) QTest::qWait(1);
        ms = msSince(clock);
        w->close();
    });
    QTest::mouseClick(p.main->ToolButton19, Qt::LeftButton);
    boxes.verify();
    if (ms < 0) qFatal("the add window did not open");
    if (w->added() != n) qFatal("the add window counted %d, not %d", w->added(), n);
    checkCount(p.bank, QStringLiteral("qquestion"), n);
    return ms;
}

// The floor of the transfer: the group's questions read, then per question
// whether the exam holds it, whether the bank still does, the highest entry
// number and the insert, all prepared, in one transaction (perRow: one per
// question, as the window's unit of work was).
double transferBare(const QString& under, int n, bool perRow) {
    bench::ScratchBank bank(under);
    bank.exec(transferSeed(n));
    sqlite3* db = storage::sqlite::handleOf(bank.connection());
    sqlite3_stmt *rids = nullptr, *holds = nullptr, *inBank = nullptr, *max = nullptr, *insert = nullptr;
    check(db, sqlite3_prepare_v2(db, "select rid from tqmaster where qgrp = 1 order by rid", -1, &rids, nullptr));
    check(db, sqlite3_prepare_v2(db, "select count(qqID) from qquestion where group_id = 1 and question_id = ?", -1, &holds,
                                 nullptr));
    check(db, sqlite3_prepare_v2(db, "select count(rid) from tqmaster where rid = ?", -1, &inBank, nullptr));
    check(db, sqlite3_prepare_v2(db, "select max(qqID) from qquestion", -1, &max, nullptr));
    check(db,
          sqlite3_prepare_v2(db, "insert into qquestion (qqID, group_id, question_id) values (?, 1, ?)", -1, &insert, nullptr));
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> group;
    while (sqlite3_step(rids) == SQLITE_ROW) group.push_back(sqlite3_column_int64(rids, 0));
    const auto unit = [db](const char* sql) { check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); };
    if (!perRow) unit("BEGIN IMMEDIATE");
    for (qint64 rid : group) {
        if (perRow) unit("BEGIN IMMEDIATE");
        const auto endUnit = qScopeGuard([&] {
            if (perRow) unit("COMMIT");
        });
        sqlite3_bind_int64(holds, 1, rid);
        check(db, sqlite3_step(holds));
        const bool held = sqlite3_column_int64(holds, 0) > 0;
        sqlite3_reset(holds);
        if (held) continue;
        sqlite3_bind_int64(inBank, 1, rid);
        check(db, sqlite3_step(inBank));
        const bool gone = sqlite3_column_int64(inBank, 0) == 0;
        sqlite3_reset(inBank);
        if (gone) continue;
        check(db, sqlite3_step(max));
        const qint64 next = sqlite3_column_int64(max, 0) + 1;
        sqlite3_reset(max);
        sqlite3_bind_int64(insert, 1, next);
        sqlite3_bind_int64(insert, 2, rid);
        check(db, sqlite3_step(insert));
        sqlite3_reset(insert);
    }
    if (!perRow) unit("COMMIT");
    const double ms = msSince(clock);
    for (sqlite3_stmt* st : {rids, holds, inBank, max, insert}) sqlite3_finalize(st);
    checkCount(bank, QStringLiteral("qquestion"), n);
    return ms;
}

// "Veri al" in the entry window on group 1: the import window chooses the
// other file and its group and presses "Aktar"; timed from the click on
// "Veri al" until the copy has ended.
double importThroughWindow(const QString& under, int n) {
    bench::ScratchBank other(under);
    other.exec(groupOf(QStringLiteral("Kaynak"), n));
    bench::ScratchProgram p(kImportBank, under);
    p.show();
    Tsoru_gir* w = p.forms().soru_gir;
    Tqimport* imp = p.forms().qimport;
    p.session->ADOTable1.setCommandText(storage::sql::questionsOfGroup(1));
    w->show();
    Boxes boxes;
    filedialog::setInterceptor([&](const QString&, const QString&) { return other.path(); });
    const auto noMoreFiles = qScopeGuard([] { filedialog::setInterceptor({}); });
    bench::whenModal([imp] {
        QTest::mouseClick(imp->Button1, Qt::LeftButton);
        QTest::mouseClick(imp->Button2, Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(w->BtnImport, Qt::LeftButton);
    while (w->ProgressBar1->isVisible() && clock.elapsed() < 3600000) QTest::qWait(1);
    const double ms = msSince(clock);
    boxes.verify();
    checkCount(p.bank, QStringLiteral("tqmaster"), n + 1);
    w->close();
    p.session->ADOTable1.close();
    return ms;
}

// The floor of the import: the other file's group read, then per question
// the bank's highest number and the insert, prepared, in one transaction
// (perRow: one per question).
double importBare(const QString& under, int n, bool perRow) {
    bench::ScratchBank other(under);
    other.exec(groupOf(QStringLiteral("Kaynak"), n));
    bench::ScratchBank bank(under);
    bank.exec(kImportBank);
    struct Row {
        QByteArray question, a1, a2, a3, a4, answer;
        int sts;
    };
    sqlite3* src = storage::sqlite::handleOf(other.connection());
    sqlite3* db = storage::sqlite::handleOf(bank.connection());
    sqlite3_stmt *read = nullptr, *max = nullptr, *insert = nullptr;
    check(src, sqlite3_prepare_v2(src, "select * from tqmaster where qgrp = 1 order by qgrp", -1, &read, nullptr));
    check(db, sqlite3_prepare_v2(db, "select max(rid) from tqmaster", -1, &max, nullptr));
    check(db, sqlite3_prepare_v2(db, "insert into tqmaster values (?,?,?,?,?,?,?,?,1)", -1, &insert, nullptr));
    QElapsedTimer clock;
    clock.start();
    std::vector<Row> rows;
    const auto text = [read](int c) { return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(read, c))); };
    while (sqlite3_step(read) == SQLITE_ROW)
        rows.push_back({text(1), text(2), text(3), text(4), text(5), text(6), sqlite3_column_int(read, 7)});
    const auto unit = [db](const char* sql) { check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); };
    if (!perRow) unit("BEGIN IMMEDIATE");
    for (const Row& r : rows) {
        if (perRow) unit("BEGIN IMMEDIATE");
        check(db, sqlite3_step(max));
        const qint64 rid = sqlite3_column_int64(max, 0) + 1;
        sqlite3_reset(max);
        sqlite3_bind_int64(insert, 1, rid);
        int c = 2;
        for (const QByteArray* t : {&r.question, &r.a1, &r.a2, &r.a3, &r.a4, &r.answer})
            sqlite3_bind_text(insert, c++, t->constData(), int(t->size()), SQLITE_STATIC);
        sqlite3_bind_int(insert, 8, r.sts);
        check(db, sqlite3_step(insert));
        sqlite3_reset(insert);
        if (perRow) unit("COMMIT");
    }
    if (!perRow) unit("COMMIT");
    const double ms = msSince(clock);
    sqlite3_finalize(read);
    sqlite3_finalize(max);
    sqlite3_finalize(insert);
    checkCount(bank, QStringLiteral("tqmaster"), n + 1);
    return ms;
}

struct Path {
    const char* name;  // for QUORVEL_BENCH_PATHS
    const char* work;  // for the report
    double (*window)(const QString&, int);
    double (*bare)(const QString&, int, bool perRow);
};

const Path kPaths[] = {
    {"transfer", "group transfer (Grubu Aktar)", transferThroughWindow, transferBare},
    {"import", "import (Veri al)", importThroughWindow, importBare},
};

QList<int> sizes() {
    const QString given = qEnvironmentVariable("QUORVEL_BENCH_QUESTIONS", QStringLiteral("10000"));
    QList<int> out;
    for (const QString& s : given.split(u',', Qt::SkipEmptyParts)) out << std::max(1, s.toInt());
    return out;
}

bool wanted(const char* path) {
    const QByteArray paths = qgetenv("QUORVEL_BENCH_PATHS");
    return paths.isEmpty() || paths.split(',').contains(QByteArray(path));
}

// The offscreen platform says at every shown window that it cannot pass on
// size hints; that says nothing about the run.
QtMessageHandler standardHandler = nullptr;

void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QStringLiteral("propagateSizeHints"))) standardHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    standardHandler = qInstallMessageHandler(quietOffscreen);
    QApplication app(argc, argv);
    QStringList folders;
    for (int i = 1; i < argc; ++i) folders << QString::fromLocal8Bit(argv[i]);
    if (folders.isEmpty()) folders << QDir::tempPath();
    const int runs =
        std::max(1, qEnvironmentVariableIsSet("QUORVEL_BENCH_RUNS") ? qEnvironmentVariableIntValue("QUORVEL_BENCH_RUNS") : 5);
    // The bare statements with a commit per question: how much of a window's
    // time is committing each question and how much is its own.
    const bool perRow = qEnvironmentVariableIntValue("QUORVEL_BENCH_PER_ROW") != 0;
    std::printf(
        "sqlite %s; window: from the click to the end of the run; floor: bare sqlite3, the same rows in one "
        "transaction; medians [min..max] of %d runs, the sides in turns\n",
        sqlite3_libversion(), runs);
    for (const QString& folder : folders) {
        if (!QDir().mkpath(folder)) qFatal("cannot make %s", qPrintable(folder));
        const QStorageInfo place(folder);
        std::printf("-- %s (%s on %s)\n", qPrintable(folder), place.fileSystemType().constData(), place.device().constData());
        std::fflush(stdout);
        for (int n : sizes()) {
            for (const Path& path : kPaths) {
                if (!wanted(path.name)) continue;
                struct Side {
                    const char* name;
                    std::function<double()> run;
                    std::vector<double> ms;
                };
                std::vector<Side> sides = {{"window", [&] { return path.window(folder, n); }, {}},
                                           {"floor", [&] { return path.bare(folder, n, false); }, {}}};
                if (perRow) sides.push_back({"per-row bare", [&] { return path.bare(folder, n, true); }, {}});
                for (int run = 0; run < runs; ++run) {
                    // Each side runs first in turn.
                    for (size_t k = 0; k < sides.size(); ++k) {
                        Side& side = sides[(size_t(run) + k) % sides.size()];
                        side.ms.push_back(side.run());
                    }
                    std::fprintf(stderr, "  %s %d, run %d:", path.name, n, run + 1);
                    for (const Side& side : sides) std::fprintf(stderr, " %s %.1f ms", side.name, side.ms.back());
                    std::fprintf(stderr, "\n");
                }
                const bench::Stats w = bench::stats(sides[0].ms), f = bench::stats(sides[1].ms);
                std::printf("%-29s %6d  window %9.1f ms [%.1f..%.1f]  floor %7.1f ms [%.1f..%.1f]  ratio %6.1f", path.work, n,
                            w.median, w.lo, w.hi, f.median, f.lo, f.hi, f.median > 0 ? w.median / f.median : 0.0);
                if (perRow) {
                    const bench::Stats r = bench::stats(sides[2].ms);
                    std::printf("  per-row bare %9.1f ms [%.1f..%.1f]  ratio %5.2f", r.median, r.lo, r.hi,
                                r.median > 0 ? w.median / r.median : 0.0);
                }
                std::printf("\n");
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
