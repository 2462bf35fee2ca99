#pragma once

#include "grid/datagrid.h"
#include "grid/profiles.h"
#include "storage/recordset.h"
#include "tests/support/temp_db.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QWidget>

namespace grid {
class MappedCombo;
}

// One window holding one grid over one record set of a fresh database: seed
// the table, then open and apply a grid declaration, show, and work the grid
// as a user would.
struct GridHarness {
    TempDb db;
    storage::RecordSet rs{QStringLiteral("rs"), &db.connection()};
    QWidget window;
    grid::DataGrid* grid;

    GridHarness();

    // --- data: the set reads the table seeded -------------------------------
    // Groups "Grup 1".."Grup n".
    void groups(int count);
    // Exams, each an SQL tuple (GROUPNAME, DRM).
    void exams(const QStringList& values);
    // Questions of group 1; true_answer and sts as given (SQL literals), in rid order.
    void questions(const QList<QPair<QString, QString>>& answersAndSts);

    // --- the grid ------------------------------------------------------------
    // Applies the declaration and binds the grid to the set.
    void apply(const grid::profiles::GridDeclaration& d);
    // Opens the set and applies the declaration.
    void open(const grid::profiles::GridDeclaration& d);
    // Shows the window and makes it active; false when it did not become active.
    bool show();
    // Opens, applies and shows: the grid ready for keys and clicks.
    bool start(const grid::profiles::GridDeclaration& d);
    // The answer picker that the entry grid adopts for true_answer
    // ("tre_ans"), mapping A..D to 1..4 unless told otherwise.
    grid::MappedCombo* answerBox(const QStringList& items = {QStringLiteral("A\t1"), QStringLiteral("B\t2"),
                                                             QStringLiteral("C\t3"), QStringLiteral("D\t4")});

    // --- the user ------------------------------------------------------------
    // The centre of a cell, scrolled into view.
    QPoint center(int row, int column) const;
    // Keys go where the focus is, as typing does.
    void type(const QString& text);
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {});
    void click(int row, int column);
    // What the platform delivers for a double-click: the second press comes
    // right after the first click, then the double-click event.
    void doubleClick(int row, int column);
    QColor pixel(const QPoint& p);
    QString dbText(const QString& sql) const { return db.text(sql); }
};
