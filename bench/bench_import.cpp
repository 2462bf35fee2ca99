// Importing 10,000 questions through the entry window (record set, rich-text
// control, post rule, grid, progress) against the bare statements the import
// stands for: per question the bank's maximum rid and one insert, each change
// its own transaction on the program's connection settings. Not part of ctest;
// run it from a release build: bench_import. On tmpfs (TMPDIR=/dev/shm) it
// shows the program's own cost; on a disk the syncs of every insert dominate.
#include "app/forms.h"
#include "bank/frm_qimport.h"
#include "bank/frm_soru_gir.h"
#include "bench/support/scratch.h"
#include "storage/session.h"
#include "storage/sqlite/sqlite_database.h"
#include "storage/statements.h"
#include "ui/filedialog.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>

#include <sqlite3.h>

namespace {

// QUORVEL_BENCH_QUESTIONS sets another count (the syncs of a real disk make
// 10,000 take minutes on either side).
const int kQuestions =
    qEnvironmentVariableIsSet("QUORVEL_BENCH_QUESTIONS") ? qEnvironmentVariableIntValue("QUORVEL_BENCH_QUESTIONS") : 10000;

const QString kBank = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Tarih');"
    "INSERT INTO tqmaster VALUES (1,'a','','','','','1',0,1);");

QString sourceSeed() {
    return QStringLiteral(
               "INSERT INTO tqgroup (GROUPNAME) VALUES ('Kaynak');"
               "INSERT INTO tqmaster WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "
               "SELECT x, 'Kaynak sorusu ' || x || ': Osmanlı Devleti hangi yılda kuruldu?', 'cevap A ' || x, "
               "'cevap B', 'cevap C', 'cevap D', '2', x % 7 = 0, 1 FROM c;")
        .arg(kQuestions);
}

void check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) qFatal("sqlite: %s", sqlite3_errmsg(db));
}

}  // namespace

class BenchImport : public QObject {
    Q_OBJECT
private slots:
    void throughTheEntryWindow() {
        bench::ScratchBank other;
        other.exec(sourceSeed());
        bench::ScratchProgram p(kBank);
        p.show();
        Tsoru_gir* w = p.forms().soru_gir;
        Tqimport* imp = p.forms().qimport;
        p.session->ADOTable1.setCommandText(storage::sql::questionsOfGroup(1));
        w->show();
        filedialog::setInterceptor([&](const QString&, const QString&) { return other.path(); });
        const auto noMoreFiles = qScopeGuard([] { filedialog::setInterceptor({}); });
        bench::whenModal([imp] {
            QTest::mouseClick(imp->Button1, Qt::LeftButton);
            QTest::mouseClick(imp->Button2, Qt::LeftButton);
        });
        QBENCHMARK_ONCE { QTest::mouseClick(w->BtnImport, Qt::LeftButton); }
        QCOMPARE(p.bank.scalar(QStringLiteral("select count(*) from tqmaster")), kQuestions + 1);
        w->close();
        p.session->ADOTable1.close();
    }

    void bareStatements() {
        bench::ScratchBank other;
        other.exec(sourceSeed());
        bench::ScratchBank bank;
        bank.exec(kBank);
        struct Row {
            QByteArray question, a1, a2, a3, a4, answer;
            int sts;
        };
        sqlite3* db = storage::sqlite::handleOf(bank.connection());  // journal and sync settings of the program
        sqlite3_stmt* max = nullptr;
        sqlite3_stmt* insert = nullptr;
        check(db, sqlite3_prepare_v2(db, "select max(rid) as MRI FROM tqmaster", -1, &max, nullptr));
        check(db, sqlite3_prepare_v2(db, "insert into tqmaster values (?,?,?,?,?,?,?,?,1)", -1, &insert, nullptr));
        // Both sides read the source group first, as the import window does.
        QBENCHMARK_ONCE {
            std::vector<Row> rows;
            sqlite3_stmt* st = nullptr;
            sqlite3* src = storage::sqlite::handleOf(other.connection());
            check(src, sqlite3_prepare_v2(src, "select * from tqmaster where qgrp = 1 order by qgrp", -1, &st, nullptr));
            auto text = [&](int c) { return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, c))); };
            while (sqlite3_step(st) == SQLITE_ROW)
                rows.push_back({text(1), text(2), text(3), text(4), text(5), text(6), sqlite3_column_int(st, 7)});
            sqlite3_finalize(st);
            for (const Row& r : rows) {
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
            }
        }
        sqlite3_finalize(max);
        sqlite3_finalize(insert);
        QCOMPARE(bank.scalar(QStringLiteral("select count(*) from tqmaster")), kQuestions + 1);
    }
};

QTEST_MAIN(BenchImport)
#include "bench_import.moc"
