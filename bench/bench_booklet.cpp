// Printing a 200-question exam in four booklets with shuffled answers: loading
// the entries, planning the booklets and drawing every booklet and the keys
// into PDF files, as "PDF olarak kaydet" does. Not part of ctest; run it from
// a release build: QT_QPA_PLATFORM=offscreen bench_booklet [questions] [runs]
#include "bench/support/scratch.h"
#include "booklet/plan.h"
#include "booklet/render.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cstdio>

using namespace booklet;

namespace {

// A realistic mix: a heading every 25 questions, one question in eight rich
// text, one in twenty with a picture, answers short and long.
QString seed(int questions) {
    QString sql = QStringLiteral("BEGIN; INSERT INTO qgroup (GROUPNAME) VALUES ('Deneme Sınavı');");
    int qq = 1;
    for (int i = 1; i <= questions; ++i) {
        if (i % 25 == 1)
            sql += QStringLiteral(
                       "INSERT INTO tqmaster (rid, question, true_answer, sts, qgrp) VALUES (%1, '<?>Bölüm %2', '1', 0, 1);"
                       "INSERT INTO qquestion VALUES (%3, 1, %1);")
                       .arg(100000 + i)
                       .arg(i / 25 + 1)
                       .arg(qq++);
        QString text = QStringLiteral(
                           "Soru %1: Osmanlı Devleti hangi yılda kuruldu ve ilk başkenti neresidir? "
                           "Aşağıdakilerden hangisi doğrudur?")
                           .arg(i);
        if (i % 8 == 0)
            text = QStringLiteral(
                       "{\\rtf1\\ansi\\ansicpg1254{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs20 Soru %1: \\b kal\\'fdn\\b0  ve "
                       "\\i e\\'f0ik\\i0  yaz\\'fd ile uzun bir soru metni\\par ikinci sat\\'fdr\\par}")
                       .arg(i)
                       .replace(u'\'', QStringLiteral("''"));
        if (i % 20 == 0) text += QStringLiteral(" {sekil.png}");
        const QString longAnswer =
            i % 3 == 0 ? QStringLiteral(" ve bu cevap bir satırı dolduracak kadar uzun yazılmış bir seçenektir") : QString();
        sql += QStringLiteral(
                   "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, true_answer, sts, qgrp) "
                   "VALUES (%1, '%2', '1299%3', 'İznik%3', 'Söğüt', 'Bursa', '%4', 0, 1);"
                   "INSERT INTO qquestion VALUES (%5, 1, %1);")
                   .arg(i)
                   .arg(text, longAnswer)
                   .arg(i % 4 + 1)
                   .arg(qq++);
    }
    return sql + QStringLiteral("COMMIT;");
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const int questions = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    const int runs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    bench::ScratchBank db;
    db.exec(seed(questions));
    QDir(db.folder()).mkpath(QStringLiteral("Pictures"));
    QImage picture(800, 500, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    picture.save(db.folder() + QStringLiteral("Pictures/sekil.png"));

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const ExamContent content = loadExam(db.connection(), 1);
        const auto variants = plan(content, {4, true, 123456});
        Renderer renderer(content,
                          {QStringLiteral("Atatürk Lisesi"), QStringLiteral("Deneme Sınavı"), QStringLiteral("10.12.2026"),
                           QStringLiteral("80 dakika"), 123456},
                          db.folder() + QStringLiteral("Pictures"));
        renderer.resetProgress(Renderer::steps(content, 4));
        for (const Variant& v : variants) {
            QPdfWriter writer(db.folder() + QStringLiteral("booklet_") + v.letter + QStringLiteral(".pdf"));
            writer.setResolution(300);
            Renderer::preparePage(writer);
            QPainter painter(&writer);
            renderer.drawBooklet(painter, writer, v, false);
        }
        {
            QPdfWriter writer(db.folder() + QStringLiteral("key.pdf"));
            writer.setResolution(300);
            Renderer::preparePage(writer);
            QPainter painter(&writer);
            renderer.drawKeys(painter, writer, variants, false);
        }
        times.push_back(clock.nsecsElapsed() / 1e6);
        std::printf("run %d: %.0f ms (%d questions, 4 booklets, A PDF %lld bytes)\n", run + 1, times.back(),
                    content.questionCount(), QFileInfo(db.folder() + QStringLiteral("booklet_A.pdf")).size());
    }
    std::sort(times.begin(), times.end());
    std::printf("min %.0f ms, median %.0f ms over %d runs\n", times.front(), times[times.size() / 2], runs);
    return 0;
}
