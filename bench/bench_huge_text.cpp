// One question with a huge text (30 MB by default), shown the ways the
// program shows a question: the entry grid painted, its question cell made
// current (the rich-text cell control shows it), the cell's hint, and the
// plain-text window beside the entry window. One step per run, so that the
// peak memory of the process (/usr/bin/time -v) belongs to that step.
// Not part of ctest; run it from a release build:
//   QT_QPA_PLATFORM=offscreen /usr/bin/time -v bench_huge_text grid 30 plain
// Steps: grid, cell, hint, detail. Kinds: plain, rtf. Prints the step's
// time in milliseconds.
#include "app/forms.h"
#include "bank/frm_qeditx.h"
#include "bank/frm_soru_gir.h"
#include "bench/support/scratch.h"
#include "grid/datagrid.h"
#include "grid/richcell.h"
#include "storage/session.h"
#include "storage/statements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QTextEdit>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString step = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("grid");
    const qint64 megabytes = argc > 2 ? QByteArray(argv[2]).toLongLong() : 30;
    const bool rich = argc > 3 && QByteArray(argv[3]) == "rtf";
    // Words of 11 characters, so that lines can break: what a pasted book would be.
    const QString words = QStringLiteral("replace(hex(zeroblob(%1)), '00', 'soru metni ')").arg(megabytes * 1000 * 1000 / 11);
    const QString text = rich ? QStringLiteral("'{\\rtf1\\ansi ' || %1 || '}'").arg(words) : words;
    bench::ScratchProgram p(QStringLiteral("INSERT INTO tqgroup (GROUPNAME) VALUES ('Büyük');"
                                           "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, "
                                           "true_answer, sts, qgrp) VALUES (1, %1, 'a', 'b', 'c', 'd', '1', 0, 1);")
                                .arg(text));
    p.show();
    Tsoru_gir* w = p.forms().soru_gir;
    p.session->ADOTable1.setCommandText(storage::sql::questionsOfGroup(1));
    grid::DataGrid* grid = w->wwDBGrid2;
    QElapsedTimer clock;
    if (step != QLatin1String("grid")) {
        w->show();
        grid->setCurrentColumn(1);  // off the question
        QApplication::processEvents();
    }
    clock.start();
    if (step == QLatin1String("grid")) {
        w->show();
        grid->setCurrentColumn(1);
        grid->grab();
    } else if (step == QLatin1String("cell")) {
        grid->setFocus();
        grid->setCurrentColumn(0);
        QApplication::processEvents();
        w->wwDBRichEdit1->grab();
    } else if (step == QLatin1String("hint")) {
        const QRect cell = grid->visualRect(grid->model()->index(0, 0));
        QHelpEvent help(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(grid->viewport(), &help);
        QApplication::processEvents();
    } else if (step == QLatin1String("detail")) {
        w->SoruGoster1->trigger();
        QApplication::processEvents();
        p.forms().qeditx->grab();
    }
    const qint64 ms = clock.elapsed();
    std::printf("%s %lld MB %s: %lld ms\n", qPrintable(step), megabytes, rich ? "rtf" : "plain", ms);
    return 0;
}
