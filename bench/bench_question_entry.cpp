// The entry window over a group of 100,000 questions: opening it, paging to
// the end and posting one edit must each stay interactive. Not part of ctest;
// run it from a release build: bench_question_entry -minimumvalue 20
#include "app/forms.h"
#include "bank/frm_soru_gir.h"
#include "bench/support/scratch.h"
#include "grid/datagrid.h"
#include "grid/richcell.h"
#include "storage/session.h"
#include "storage/statements.h"

#include <QApplication>
#include <QTest>

namespace {

const QString kSeed = QStringLiteral(
    "INSERT INTO tqgroup (GROUPNAME) VALUES ('Büyük');"
    "INSERT INTO tqmaster WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000) "
    "SELECT x, 'Soru ' || x, 'a', 'b', 'c', 'd', '1', 0, 1 FROM c;");

struct Big : bench::ScratchProgram {
    Tsoru_gir* w;
    Big() : bench::ScratchProgram(kSeed), w(forms().soru_gir) {
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
};

QTEST_MAIN(BenchQuestionEntry)
#include "bench_question_entry.moc"
