// The entry window over a group of 100,000 questions: opening it, paging to
// the end and posting one edit must each stay interactive; the first new row
// (F2) and moving the middle question up, each once, with the peak memory.
// Not part of ctest; run it from a release build:
// bench_question_entry -minimumvalue 20 (QUORVEL_BENCH_QUESTIONS=1000000 for
// another size).
#include "app/forms.h"
#include "bank/frm_soru_gir.h"
#include "bench/support/scratch.h"
#include "grid/datagrid.h"
#include "grid/richcell.h"
#include "storage/session.h"
#include "storage/statements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <functional>

namespace {

int questions() {
    const int n = qEnvironmentVariableIntValue("QUORVEL_BENCH_QUESTIONS");
    return n > 0 ? n : 100000;
}

QString seed() {
    return QStringLiteral(
               "INSERT INTO tqgroup (GROUPNAME) VALUES ('Büyük');"
               "INSERT INTO tqmaster WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "
               "SELECT x, 'Soru ' || x, 'a', 'b', 'c', 'd', '1', 0, 1 FROM c;")
        .arg(questions());
}

// Peak resident memory of this process in MB.
double peakMb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

// Runs work once and prints its time and the peak memory before and after.
void once(const char* what, const std::function<void()>& work) {
    const double before = peakMb();
    QElapsedTimer t;
    t.start();
    work();
    const double took = double(t.nsecsElapsed()) / 1e6;
    std::printf("%s, %d questions: %.3f ms, peak memory %.1f -> %.1f MB\n", what, questions(), took, before, peakMb());
    std::fflush(stdout);
}

struct Big : bench::ScratchProgram {
    Tsoru_gir* w;
    Big() : bench::ScratchProgram(seed()), w(forms().soru_gir) {
        show();
        session->ADOTable1.setCommandText(storage::sql::questionsOfGroup(1));
    }
    void open() {
        w->show();
        QApplication::processEvents();
    }
    void close() {
        w->close();
        session->ADOTable1.close();
    }
};

}  // namespace

class BenchQuestionEntry : public QObject {
    Q_OBJECT
private slots:
    void openOnAHundredThousand() {
        Big b;
        QBENCHMARK {
            b.open();
            b.close();
        }
    }
    void pageToTheEnd() {
        Big b;
        b.open();
        QBENCHMARK {
            b.session->ADOTable1.first();
            for (int i = 0; i < 50; ++i) QTest::keyClick(b.w->wwDBGrid2, Qt::Key_PageDown);
            QTest::keyClick(b.w->wwDBGrid2, Qt::Key_End, Qt::ControlModifier);
            QApplication::processEvents();
        }
        b.close();
    }
    void postOneEdit() {
        Big b;
        b.open();
        int n = 0;
        QBENCHMARK {
            b.session->ADOTable1.edit();
            b.session->ADOTable1.field(QStringLiteral("answer1")).setAsString(QString::number(++n));
            b.session->ADOTable1.post();
            QApplication::processEvents();
        }
        b.close();
    }
    // F2 on the last screen, with the group open and nothing else done.
    void firstNewRow() {
        Big b;
        b.open();
        QTest::keyClick(b.w->wwDBGrid2, Qt::Key_End, Qt::ControlModifier);
        QApplication::processEvents();
        once("first new row (F2)", [&] {
            QTest::keyClick(b.w->wwDBGrid2, Qt::Key_F2);
            QApplication::processEvents();
        });
        QCOMPARE(b.session->ADOTable1.state(), storage::RecordState::Insert);
        b.session->ADOTable1.cancel();
        b.close();
    }
    void moveUpInTheMiddle() {
        Big b;
        b.open();
        b.session->ADOTable1.setRecNo(questions() / 2);
        QApplication::processEvents();
        once("move up in the middle", [&] {
            QTest::mouseClick(b.w->BtnUp, Qt::LeftButton);
            QApplication::processEvents();
        });
        QCOMPARE(b.session->ADOTable1.field(QStringLiteral("rid")).asKey(), qint64(questions() / 2 - 1));
        b.close();
    }
};

QTEST_MAIN(BenchQuestionEntry)
#include "bench_question_entry.moc"
