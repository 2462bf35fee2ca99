// Takes the README's picture of the main window over a small sample bank.
// Usage (under a display, e.g. xvfb-run): quorvel-screenshot OUT.png [exam|expanded|entry]
#include "app/forms.h"
#include "app/frm_main.h"
#include "bank/frm_soru_gir.h"
#include "exams/exam_question_list.h"
#include "storage/database_file.h"
#include "storage/session.h"
#include "storage/statements.h"

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) return 2;
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Quorvel.mdb");
    storage::createDatabase(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(
        db,
        "INSERT INTO tqgroup (GROUPNAME) VALUES ('Matematik - Kesirler'),('Fen Bilgisi - Canlılar'),"
        "('Türkçe - Sözcükte Anlam'),('Sosyal Bilgiler - İlk Türk Devletleri'),('İngilizce - Unit 3');"
        "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, true_answer, sts, qgrp) VALUES"
        " (1,'<?>Kesirler',  'a','b','c','d','1',0,1),"
        " (2,'1/2 + 1/4 kaçtır?','3/4','2/6','1/8','1','1',0,1),"
        " (3,'Hangisi bir bileşik kesirdir?','1/3','5/3','2/7','3/8','2',0,1);"
        "INSERT INTO qgroup (GROUPNAME, GROUPPASS, DRM) VALUES ('5-A Birinci Yazılı','1234',0),('5-B Birinci Yazılı','5678',1);"
        "INSERT INTO qquestion VALUES (1,1,2),(2,1,3);",
        nullptr, nullptr, nullptr);
    sqlite3_close(db);

    app::Program program(dir.path() + QStringLiteral("/Quorvel.exe"));
    program.forms().main->show();
    if (argc > 2) program.forms().main->PageControl1->setCurrentIndex(1);
    if (argc > 2 && QByteArray(argv[2]) == "expanded")
        QTimer::singleShot(200, [&] { program.forms().main->examQuestions()->expand(); });
    QWidget* shot = program.forms().main;
    if (argc > 2 && QByteArray(argv[2]) == "entry") {
        program.session().ADOTable1.setCommandText(storage::sql::questionsOfGroup(1));
        auto* entry = program.forms().soru_gir;
        entry->show();
        shot = entry;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTimer::singleShot(500, [&] {
        shot->grab().save(out);
        program.forms().main->close();
        QApplication::quit();
    });
    return application.exec();
}
