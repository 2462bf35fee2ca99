#include "ui/accessibility.h"

#include <QAccessible>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QVBoxLayout>

namespace {
// A program window built on a plain widget, as the main window is.
class Tplain : public QWidget {
    Q_OBJECT
};
}  // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installAccessibility(); }

    // Fields are built without a parent and put into a window afterwards;
    // their interface may be made in between. They stay fields, named by
    // their label, whenever it was made.
    void qtWidgetsKeepTheirRolesWhereverTheyWereMade() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* edit = new QLineEdit;
        auto* progress = new QProgressBar;
        edit->setAccessibleName(QStringLiteral("Okul Adı"));
        QAccessible::queryAccessibleInterface(edit);  // made while it is a window
        QAccessible::queryAccessibleInterface(progress);
        layout->addWidget(edit);
        layout->addWidget(progress);
        edit->setText(QStringLiteral("Gökçe Ortaokulu"));
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(edit);
        QCOMPARE(i->role(), QAccessible::EditableText);
        QCOMPARE(i->text(QAccessible::Name), QStringLiteral("Okul Adı"));
        QVERIFY(i->textInterface());
        QCOMPARE(i->textInterface()->text(0, i->textInterface()->characterCount()), QStringLiteral("Gökçe Ortaokulu"));
        QCOMPARE(QAccessible::queryAccessibleInterface(progress)->role(), QAccessible::ProgressBar);
    }

    void programWindowsOnPlainWidgetsAreFrames() {
        Tplain window;
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
