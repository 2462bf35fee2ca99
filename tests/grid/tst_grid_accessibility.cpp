#include "app/frm_main_grids.h"
#include "bank/frm_soru_gir_grids.h"
#include "grid/datagrid.h"
#include "grid/mappedcombo.h"
#include "grid/profiles.h"
#include "storage/recordset.h"
#include "tests/grid/grid_harness.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QTest>

using namespace grid;

namespace {

// What a screen reader is told when a widget takes the focus: the node the
// widget's focus notice resolves to.
QAccessibleInterface* focusNoticeOf(QWidget* widget) {
    QAccessibleEvent notice(widget, QAccessible::Focus);
    return notice.accessibleInterface();
}

QAccessibleInterface* interfaceOf(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

// The node of a widget found by walking down the tree from `node`, as a
// screen reader browsing the table does; null when it is not there.
QAccessibleInterface* findBelow(QAccessibleInterface* node, const QObject* widget, int depth = 3) {
    if (!node || depth == 0) return nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child) continue;
        if (child->object() == widget) return child;
        if (QAccessibleInterface* found = findBelow(child, widget, depth - 1)) return found;
    }
    return nullptr;
}

bool hasAncestor(QAccessibleInterface* node, QAccessibleInterface* ancestor) {
    for (int hops = 0; node && hops < 10; ++hops) {
        node = node->parent();
        if (node == ancestor) return true;
    }
    return false;
}

// Each node between `node` and `ancestor` is found again by its parent.
bool linkedBothWays(QAccessibleInterface* node, QAccessibleInterface* ancestor) {
    for (; node && node != ancestor; node = node->parent()) {
        QAccessibleInterface* up = node->parent();
        if (!up || up->child(up->indexOfChild(node)) != node) return false;
    }
    return node == ancestor;
}

}  // namespace

class TestGridAccessibility : public QObject {
    Q_OBJECT
private slots:
    void lineEditorIsInTheTreeWhileEditing() {
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 1)"), QStringLiteral("('Final', NULL)")});
        QVERIFY(h.start(app::mainExamsGrid()));
        QAccessibleInterface* table = interfaceOf(h.grid);
        QLineEdit* editor = h.grid->cellEditor();
        const int children = table->childCount();
        QVERIFY(!findBelow(table, editor));

        h.click(0, 1);
        h.type(QStringLiteral("Bütünleme"));
        QVERIFY(h.grid->editorVisible());
        QAccessibleInterface* node = findBelow(table, editor);
        QVERIFY(node);
        QCOMPARE(table->childCount(), children + 1);
        QCOMPARE(node->role(), QAccessible::EditableText);
        QCOMPARE(node->text(QAccessible::Name), QStringLiteral("Sınav Adı"));
        QAccessibleTextInterface* text = node->textInterface();
        QVERIFY(text);
        QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("Bütünleme"));
        // Up from the editor: the table, then the window.
        QVERIFY(linkedBothWays(node, table));
        QVERIFY(hasAncestor(table, interfaceOf(&h.window)));
        QCOMPARE(table->focusChild(), node);
        QCOMPARE(focusNoticeOf(editor), node);

        h.key(Qt::Key_Return);
        QVERIFY(!h.grid->editorVisible());
        QVERIFY(!findBelow(table, editor));
        QCOMPARE(table->childCount(), children);
        QCOMPARE(table->tableInterface()->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("Bütünleme"));
    }

    void cellControlIsInTheTreeWhileShown() {
        GridHarness h;
        h.questions({{QStringLiteral("'3'"), QStringLiteral("0")}});
        auto* box = h.answerBox();
        h.window.layout()->addWidget(box);
        h.open(bank::questionEntryGrid());
        h.grid->adoptControls();
        QVERIFY(h.show());
        QAccessibleInterface* table = interfaceOf(h.grid);
        QVERIFY(!findBelow(table, box));

        h.click(0, 5);
        QAccessibleInterface* node = findBelow(table, box);
        QVERIFY(node);
        QCOMPARE(node->role(), QAccessible::ComboBox);
        QCOMPARE(node->text(QAccessible::Value), QStringLiteral("C"));
        // Its caption, where a screen reader on Linux looks for it: its label.
        const auto labels = node->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->text(QAccessible::Name), QStringLiteral("Doğru Cevap"));
        h.type(QStringLiteral("A"));
        QCOMPARE(node->text(QAccessible::Value), QStringLiteral("A"));
        QVERIFY(linkedBothWays(node, table));
        QCOMPARE(focusNoticeOf(box), node);

        h.key(Qt::Key_Escape);  // closes the list
        h.click(0, 1);
        QVERIFY(box->isHidden());
        QVERIFY(!findBelow(table, box));
    }

    void checkBoxCellIsACheckBox() {
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 1)"), QStringLiteral("('Final', NULL)")});
        QVERIFY(h.start(app::mainExamsGrid()));
        QAccessibleTableInterface* t = interfaceOf(h.grid)->tableInterface();
        QAccessibleInterface* ticked = t->cellAt(0, 2);
        QCOMPARE(ticked->role(), QAccessible::CheckBox);
        QCOMPARE(ticked->text(QAccessible::Name), QStringLiteral("Sınav Pasif"));
        QVERIFY(ticked->state().checkable);
        QVERIFY(ticked->state().checked);
        QCOMPARE(t->cellAt(0, 1)->role(), QAccessible::Cell);

        QAccessibleInterface* clear = t->cellAt(1, 2);
        QVERIFY(!clear->state().checked);
        QAccessibleActionInterface* actions = clear->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        actions->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(h.rs.currentRow(), 1);
        QCOMPARE(h.rs.field(QStringLiteral("DRM")).asString(), QStringLiteral("True"));
        QVERIFY(t->cellAt(1, 2)->state().checked);
        QTest::keyClick(h.grid, Qt::Key_Space);
        QVERIFY(!t->cellAt(1, 2)->state().checked);

        // A read-only grid offers no toggle.
        GridProfile readOnly = app::mainExamsGrid().profile;
        readOnly.ReadOnly = true;
        h.grid->setProfile(readOnly);
        QVERIFY(!t->cellAt(0, 2)->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    }

    // The view tells of the current cell by Qt's numbering of an item view's
    // children; the grid's tree answers to the same numbers, with and
    // without the indicator column.
    void cellsKeepTheViewsNumbering_data() {
        QTest::addColumn<bool>("indicator");
        QTest::newRow("indicator shown") << true;
        QTest::newRow("indicator hidden") << false;
    }
    void cellsKeepTheViewsNumbering() {
        QFETCH(bool, indicator);
        GridHarness h;
        h.exams({QStringLiteral("('Vize', 1)"), QStringLiteral("('Final', NULL)"), QStringLiteral("('Büt', 0)")});
        profiles::GridDeclaration d = app::mainExamsGrid();
        d.profile.Options.setFlag(dgIndicator, indicator);
        QVERIFY(h.start(d));
        QCOMPARE(h.grid->verticalHeader()->isVisible(), indicator);
        QAccessibleInterface* table = interfaceOf(h.grid);
        QAccessibleTableInterface* t = table->tableInterface();
        QCOMPARE(table->childCount(), (3 + 1) * (3 + 1));
        QCOMPARE(table->child(0)->role(), QAccessible::Pane);
        QCOMPARE(table->child(2)->role(), QAccessible::ColumnHeader);
        QCOMPARE(table->child(2)->text(QAccessible::Name), QStringLiteral("Sınav Adı"));
        QCOMPARE(table->child(2 * 4)->role(), QAccessible::RowHeader);
        QCOMPARE(table->child(2 * 4)->text(QAccessible::Name), QStringLiteral("Satır 2"));
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column) {
                QAccessibleInterface* cell = t->cellAt(row, column);
                QCOMPARE(table->child((row + 1) * 4 + column + 1), cell);
                QCOMPARE(table->indexOfChild(cell), (row + 1) * 4 + column + 1);
                QCOMPARE(cell->tableCellInterface()->rowIndex(), row);
                QCOMPARE(cell->tableCellInterface()->columnIndex(), column);
                QCOMPARE(cell->parent(), table);
            }

        h.click(2, 1);
        QCOMPARE(h.rs.currentRow(), 2);
        QCOMPARE(table->focusChild(), t->cellAt(2, 1));
        QVERIFY(t->cellAt(2, 1)->state().focused);
        QCOMPARE(t->rowDescription(2), QStringLiteral("Satır 3, geçerli"));
        // Rows that go drop their cells, as the view's notice says; the rest still answer.
        h.rs.remove();
        QAccessibleTableModelChangeEvent removed(h.grid, QAccessibleTableModelChangeEvent::RowsRemoved);
        removed.setFirstRow(2);
        removed.setLastRow(2);
        t->modelChange(&removed);
        QCOMPARE(t->rowCount(), 2);
        QCOMPARE(table->childCount(), (2 + 1) * (3 + 1));
        QCOMPARE(t->cellAt(1, 1)->text(QAccessible::Name), QStringLiteral("Final"));
    }
};

QTEST_MAIN(TestGridAccessibility)
#include "tst_grid_accessibility.moc"
