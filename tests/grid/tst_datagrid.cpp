#include "grid/datagrid.h"
#include "grid/profiles.h"
#include "storage/recordset.h"
#include "tests/support/box_script.h"
#include "tests/support/temp_db.h"

#include <QTest>

using namespace grid;
using storage::RecordSet;

class TestDataGrid : public QObject {
    Q_OBJECT
private slots:
    void showsGroups() {
        TempDb db;
        db.exec(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('A'), ('B')"));
        RecordSet tgrp(QStringLiteral("tgrp"), &db.connection());
        tgrp.setTableName(QStringLiteral("tqgroup"));
        tgrp.open();
        DataGrid grid;
        profiles::apply(grid, profiles::mainGroupsGrid());
        grid.setRecordSet(&tgrp);
        QCOMPARE(grid.columnCount(), 2);
        QCOMPARE(grid.cellText(1, 1), QStringLiteral("B"));
    }
};

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
