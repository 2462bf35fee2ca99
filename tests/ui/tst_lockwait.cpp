#include "storage/recordset.h"
#include "tests/support/error_of.h"
#include "tests/support/temp_db.h"
#include "ui/lockwait.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>

#include <sqlite3.h>

// While a change waits for another program's lock, the window shows a busy
// cursor and a status line; both go when the wait ends, and the message
// about the lock still follows.
class TestLockWait : public QObject {
    Q_OBJECT
private slots:
    void busyCursorAndStatusWhileWaiting() {
        QWidget window;
        window.resize(400, 300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        TempDb db;
        db.connection().setBusyTimeout(150);
        Qt::CursorShape cursor = Qt::ArrowCursor;
        QString status;
        db.connection().setLockWaitNotifier([&](bool waiting) {
            ui::showLockWait(waiting);
            if (!waiting) return;
            if (QGuiApplication::overrideCursor()) cursor = QGuiApplication::overrideCursor()->shape();
            if (auto* line = window.findChild<QLabel*>(QStringLiteral("busyStatus")))
                status = line->isVisible() ? line->text() : QString();
        });

        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(db.path().toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        storage::RecordSet change(QStringLiteral("ADOQuery2"), &db.connection());
        change.setCommandText(QStringLiteral("Update tqmaster set sts = true"));
        const QString message = errorOf([&] { change.execute(); });
        sqlite3_close(other);

        QCOMPARE(cursor, Qt::WaitCursor);
        QCOMPARE(status, ui::lockWaitText());
        QVERIFY2(message.contains(QStringLiteral("başka bir program tarafından kilitli")), qPrintable(message));
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!window.findChild<QLabel*>(QStringLiteral("busyStatus")));
    }
};

QTEST_MAIN(TestLockWait)
#include "tst_lockwait.moc"
