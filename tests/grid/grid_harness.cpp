#include "tests/grid/grid_harness.h"

#include "grid/mappedcombo.h"
#include "tests/support/keys.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

GridHarness::GridHarness() {
    window.resize(900, 420);
    auto* layout = new QVBoxLayout(&window);
    grid = new grid::DataGrid(&window);
    grid->setObjectName(QStringLiteral("wwDBGrid1"));
    layout->addWidget(grid);
}

void GridHarness::groups(int count) {
    for (int i = 0; i < count; ++i) db.exec(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Grup %1')").arg(i + 1));
    rs.setTableName(QStringLiteral("tqgroup"));
}

void GridHarness::exams(const QStringList& values) {
    for (const QString& v : values) db.exec(QStringLiteral("INSERT INTO qgroup (GROUPNAME, DRM) VALUES %1").arg(v));
    rs.setTableName(QStringLiteral("qgroup"));
}

void GridHarness::questions(const QList<QPair<QString, QString>>& answersAndSts) {
    int rid = 1;
    for (const auto& [answer, sts] : answersAndSts)
        db.exec(QStringLiteral("INSERT INTO tqmaster VALUES (%1, 'Soru %1', 'a', 'b', 'c', 'd', %2, %3, 1)")
                    .arg(rid++)
                    .arg(answer, sts));
    rs.setCommandText(QStringLiteral("Select * from tqmaster Where qgrp = 1 Order By rid"));
}

void GridHarness::apply(const grid::profiles::GridDeclaration& d) {
    grid::profiles::apply(*grid, d);
    grid->setRecordSet(&rs);
}

void GridHarness::open(const grid::profiles::GridDeclaration& d) {
    rs.open();
    apply(d);
}

bool GridHarness::show() {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

bool GridHarness::start(const grid::profiles::GridDeclaration& d) {
    open(d);
    return show();
}

grid::MappedCombo* GridHarness::answerBox(const QStringList& items) {
    auto* box = new grid::MappedCombo(&window);
    box->setObjectName(QStringLiteral("tre_ans"));
    box->setMapList(items);
    return box;
}

QPoint GridHarness::center(int row, int column) const {
    grid->scrollTo(grid->model()->index(row, column));
    return grid->cellRect(row, column).center();
}

void GridHarness::type(const QString& text) { typeText(grid, text); }

void GridHarness::key(Qt::Key k, Qt::KeyboardModifiers mods) { QTest::keyClick(QApplication::focusWidget(), k, mods); }

void GridHarness::click(int row, int column) { QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, center(row, column)); }

void GridHarness::doubleClick(int row, int column) {
    const QPoint p = center(row, column);
    QWidget* vp = grid->viewport();
    static quint64 t = 1'000'000;
    t += 10'000;
    auto send = [&](QEvent::Type type, Qt::MouseButtons buttons, quint64 at) {
        QMouseEvent e(type, p, vp->mapToGlobal(p), Qt::LeftButton, buttons, {});
        e.setTimestamp(at);
        QApplication::sendEvent(vp, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, t);
    send(QEvent::MouseButtonRelease, Qt::NoButton, t + 30);
    send(QEvent::MouseButtonPress, Qt::LeftButton, t + 90);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton, t + 90);
    send(QEvent::MouseButtonRelease, Qt::NoButton, t + 120);
}

QColor GridHarness::pixel(const QPoint& p) { return grid->viewport()->grab().toImage().pixelColor(p); }
