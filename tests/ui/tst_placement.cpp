#include "ui/placement.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

// Windows open inside the area they are given and shrink to it: a small
// screen, or a large one at a high scale factor, leaves less room than the
// windows were drawn for.
class TestPlacement : public QObject {
    Q_OBJECT
private slots:
    void windowsFitTheArea_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("window");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<QRect>("expected");
        // 1280 x 900 at a scale factor of 2 leaves 640 x 450 (less a panel).
        QTest::newRow("larger than the area, off its top left")
            << QRect(0, 0, 640, 420) << QRect(-387, -154, 1026, 623) << false << QRect(0, 0, 640, 420);
        QTest::newRow("fits, but hangs over the bottom right")
            << QRect(0, 0, 1366, 728) << QRect(900, 500, 810, 649) << false << QRect(556, 79, 810, 649);
        QTest::newRow("fixed-size dialog on a laptop at 150 %")
            << QRect(0, 32, 911, 480) << QRect(8, 8, 895, 549) << true << QRect(8, 32, 895, 480);
        QTest::newRow("area not at the origin")
            << QRect(1280, 24, 800, 576) << QRect(10, 10, 340, 247) << false << QRect(1280, 24, 340, 247);
        QTest::newRow("already inside: stays")
            << QRect(0, 0, 800, 600) << QRect(50, 60, 300, 200) << false << QRect(50, 60, 300, 200);
    }
    void windowsFitTheArea() {
        QFETCH(QRect, area);
        QFETCH(QRect, window);
        QFETCH(bool, fixed);
        QFETCH(QRect, expected);
        QDialog w;
        if (fixed)
            w.setFixedSize(window.size());
        else
            w.resize(window.size());
        w.move(window.topLeft());
        ui::fitInto(&w, area);
        QCOMPARE(QRect(w.pos(), w.size()), expected);
    }

    // Shown windows are placed on their screen's available area by
    // themselves, and keep a designed outer size where there is room.
    void shownWindowsArePlacedOnTheirScreen() {
        ui::installPlacement();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget w;
        ui::setOuterSize(&w, area.size() + QSize(300, 200));
        w.move(area.topLeft() - QPoint(150, 100));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(area.contains(w.frameGeometry()));
        QWidget small;
        ui::setOuterSize(&small, QSize(200, 100));
        small.show();
        QVERIFY(QTest::qWaitForWindowExposed(&small));
        QCOMPARE(small.frameGeometry().size(), QSize(200, 100));
        // The designed size is the first one only: a size the user gave stays.
        small.resize(300, 150);
        small.hide();
        small.show();
        QVERIFY(QTest::qWaitForWindowExposed(&small));
        QCOMPARE(small.size(), QSize(300, 150));
    }
};

QTEST_MAIN(TestPlacement)
#include "tst_placement.moc"
