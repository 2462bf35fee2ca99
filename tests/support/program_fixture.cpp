#include "tests/support/program_fixture.h"

#include "app/frm_main.h"

#include <QApplication>
#include <QPointer>
#include <QScopeGuard>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

ProgramFixture::ProgramFixture(const QString& seed, bool withFile) {
    if (!seed.isEmpty()) db.exec(seed);
    const QString folder = withFile ? db.folder() : db.folder() + QStringLiteral("elsewhere/");
    program = std::make_unique<app::Program>(folder + QStringLiteral("Quorvel.exe"));
    main = program->forms().main;
    session = &program->session();
}

ProgramFixture::~ProgramFixture() = default;

void ProgramFixture::show() {
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    QTRY_VERIFY(!main->captionAwaitsFirstFrame());
}

void ProgramFixture::clickTab(int index) {
    QTabBar* bar = main->PageControl1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

void whenModal(std::function<void()> f) {
    QTimer::singleShot(0, [f = std::move(f)] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (modal) {
            // The offscreen platform does not always hand activation to a
            // dialog that has a parent window; a window manager would.
            modal->activateWindow();
            QApplication::setActiveWindow(modal);
            if (!QTest::qWaitForWindowActive(modal) || !modal->isActiveWindow())
                qWarning("the modal window did not become active");
        }
        const auto closeOnFailure = qScopeGuard([modal] {
            if (QTest::currentTestFailed() && modal && modal->isVisible()) modal->close();
        });
        f();
    });
}
