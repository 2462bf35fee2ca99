#include "bench/support/scratch.h"

#include "app/frm_main.h"
#include "storage/database_file.h"
#include "storage/driver.h"
#include "storage/recordset.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace bench {

ScratchBank::ScratchBank(const QString& under)
    : dir_(under.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench-XXXXXX") : under + QStringLiteral("/bench-XXXXXX")) {
    if (!dir_.isValid()) qFatal("no scratch folder under %s: %s", qPrintable(under), qPrintable(dir_.errorString()));
    path_ = dir_.path() + QStringLiteral("/Quorvel.mdb");
    storage::createDatabase(path_);
    connection_ = std::make_unique<storage::Connection>();
    connection_->setConnectionString(storage::connectionString(path_));
    connection_->open();
}

void ScratchBank::exec(const QString& sql) { connection_->database().runScript(sql.toUtf8()); }

qint64 ScratchBank::scalar(const QString& sql) {
    storage::RecordSet query(QStringLiteral("bench"), connection_.get());
    query.setCommandText(sql);
    query.open();
    return query.rowValue(0, 0).toLongLong();
}

ScratchProgram::ScratchProgram(const QString& seed, const QString& under) : bank(under) {
    if (!seed.isEmpty()) bank.exec(seed);
    program = std::make_unique<app::Program>(bank.folder() + QStringLiteral("Quorvel.exe"));
    main = program->forms().main;
    session = &program->session();
}

ScratchProgram::~ScratchProgram() = default;

void ScratchProgram::show() {
    main->show();
    QElapsedTimer clock;
    clock.start();
    while (main->captionAwaitsFirstFrame() && clock.elapsed() < 30000) QCoreApplication::processEvents();
    if (main->captionAwaitsFirstFrame()) qFatal("the main window did not open its bank");
}

void ScratchProgram::clickTab(int index) {
    QTabBar* bar = main->PageControl1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

void whenModal(std::function<void()> f) {
    QTimer::singleShot(0, [f = std::move(f)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->activateWindow();
            QApplication::setActiveWindow(modal);
        }
        f();
    });
}

}  // namespace bench
