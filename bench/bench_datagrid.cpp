// Drawing speed of the data grid over a large record set: 100,000 bank
// questions, every tenth stored as rich text, in the question entry grid's
// layout. Painting must cost the rows on screen, never the whole set.
//
// Not part of ctest. Run it from a release build, for instance:
//   QT_QPA_PLATFORM=offscreen bench_datagrid -minimumvalue 50
#include "bank/frm_soru_gir_grids.h"
#include "bench/support/scratch.h"
#include "grid/datagrid.h"
#include "grid/profiles.h"
#include "storage/recordset.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using namespace grid;

class BenchDataGrid : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void openAndBind();
    void paintScreen();
    void pageDown();
    void scrollBarJump();
    void firstAndLastRow();
    void cleanupTestCase();

private:
    void paint() { grid_->viewport()->repaint(); }

    std::unique_ptr<bench::ScratchBank> db_;
    std::unique_ptr<storage::RecordSet> rs_;
    std::unique_ptr<QWidget> window_;
    DataGrid* grid_ = nullptr;
};

void BenchDataGrid::initTestCase() {
    db_ = std::make_unique<bench::ScratchBank>();
    QString rich = QStringLiteral("{\\rtf1\\ansi\\ansicpg1254{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs20 ");
    while (rich.size() < 2000) rich += QStringLiteral("Soru metni \\b kal\\'fdn\\b0  ve \\i e\\'f0ik\\i0  yaz\\'fd.\\par ");
    rich += u'}';
    rich.replace(QLatin1String("'"), QLatin1String("''"));  // an SQL literal
    db_->exec(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 100000) "
                             "INSERT INTO tqmaster SELECT x, CASE WHEN x % 10 = 0 THEN '%1' "
                             "ELSE 'Soru ' || x || ': uzunca bir soru metni, birkaç satıra bölünür ve hücreye sığmaz.' END, "
                             "'Cevap A ' || x, 'Cevap B', 'Cevap C', 'Cevap D', '' || (1 + x % 4), x % 2, 1 FROM n")
                  .arg(rich));
    rs_ = std::make_unique<storage::RecordSet>(QStringLiteral("ADOTable1"), &db_->connection());
    rs_->setCommandText(QStringLiteral("Select * from tqmaster Where qgrp = 1 Order By rid"));

    window_ = std::make_unique<QWidget>();
    window_->resize(1200, 800);
    auto* layout = new QVBoxLayout(window_.get());
    grid_ = new DataGrid(window_.get());
    layout->addWidget(grid_);
    auto* richEdit = new QTextEdit(window_.get());
    richEdit->setObjectName(QStringLiteral("wwDBRichEdit1"));
    profiles::apply(*grid_, bank::questionEntryGrid());
    grid_->adoptControls();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void BenchDataGrid::openAndBind() {
    QElapsedTimer t;
    QBENCHMARK_ONCE {
        rs_->close();
        grid_->setRecordSet(nullptr);
        t.start();
        rs_->open();
        const qint64 opened = t.elapsed();
        grid_->setRecordSet(rs_.get());
        paint();
        qInfo("open %lld ms, bind and first paint %lld ms, %d rows", opened, t.elapsed() - opened, rs_->recordCount());
    }
    QCOMPARE(grid_->model()->rowCount(), 100000);
}

void BenchDataGrid::paintScreen() {
    QBENCHMARK { paint(); }
}

void BenchDataGrid::pageDown() {
    // Through the record set, as the key does: move, scroll, paint.
    rs_->first();
    QBENCHMARK {
        QTest::keyClick(grid_, Qt::Key_PageDown);
        paint();
    }
    QVERIFY(rs_->recNo() > 1);
}

void BenchDataGrid::scrollBarJump() {
    QScrollBar* bar = grid_->verticalScrollBar();
    QRandomGenerator random(42);
    QBENCHMARK {
        bar->setValue(random.bounded(bar->maximum() + 1));
        paint();
    }
}

void BenchDataGrid::firstAndLastRow() {
    QBENCHMARK {
        QTest::keyClick(grid_, Qt::Key_End, Qt::ControlModifier);
        paint();
        QTest::keyClick(grid_, Qt::Key_Home, Qt::ControlModifier);
        paint();
    }
}

void BenchDataGrid::cleanupTestCase() {
    window_.reset();
    rs_.reset();
    db_.reset();
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchDataGrid bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_datagrid.moc"
