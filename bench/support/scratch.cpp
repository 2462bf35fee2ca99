#include "bench/support/scratch.h"

#include "app/frm_main.h"
#include "storage/database_file.h"
#include "storage/driver.h"
#include "storage/recordset.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace bench {

ScratchBank::ScratchBank() {
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

ScratchProgram::ScratchProgram(const QString& seed) {
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
