#include "tests/support/exam_fixture.h"

#include <QProcess>

namespace {

const QString kBoldRtf = QStringLiteral(
    "{\\rtf1\\ansi\\ansicpg1254{\\fonttbl{\\f0 Tahoma;}}\\f0 Soru%1 \\b kal\\'fdn yaz\\'fd\\b0  \\{r1.png\\}\\par}");

}  // namespace

QString seedExam(int questions) {
    QString sql = QStringLiteral(
        "INSERT INTO tqgroup (GROUPNAME) VALUES ('Türkçe');"
        "INSERT INTO qgroup (GROUPNAME) VALUES ('Türkçe Sınavı'), ('Boş'), ('İptaller');");
    const auto id = [](int i) { return QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')); };
    for (int i = 1; i <= questions; ++i) {
        QString text = QStringLiteral("Soru%1 %2 sorusu").arg(id(i), kTurkish);
        if (i == 9) text = kBoldRtf.arg(id(i)).replace(u'\'', QStringLiteral("''"));
        sql += QStringLiteral(
                   "INSERT INTO tqmaster (rid, question, answer1, answer2, answer3, answer4, true_answer, sts, qgrp) "
                   "VALUES (%1, '%2', 'c%3a', 'c%3b', 'c%3c', 'c%3d', '%4', %5, 1);")
                   .arg(i)
                   .arg(text, id(i))
                   .arg(i % 4 + 1)
                   .arg(i == 5 ? 1 : 0);
    }
    sql += QStringLiteral(
        "INSERT INTO tqmaster (rid, question, true_answer, sts, qgrp) VALUES"
        " (101, '<?>Birinci Bölüm: Dilbilgisi', '1', 0, 1), (102, '<?>İkinci Bölüm: Şiir', '1', 0, 1);");
    // Exam order: 1, heading 101, 2..6, heading 102, 7..12; qqIDs descend by
    // insertion so that only the order by qqID gives this order.
    QList<int> order{1, 101, 2, 3, 4, 5, 6, 102};
    for (int i = 7; i <= questions; ++i) order.append(i);
    order.insert(4, 999);  // a deleted bank question
    int qq = 1000;
    for (int k = int(order.size()) - 1; k >= 0; --k)
        sql += QStringLiteral("INSERT INTO qquestion VALUES (%1, 1, %2);").arg(qq - (int(order.size()) - k)).arg(order[k]);
    sql += QStringLiteral("INSERT INTO qquestion VALUES (2000, 3, 5);");
    return sql;
}

QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        qWarning("pdftotext failed on %s: %s", qPrintable(path), p.readAllStandardError().constData());
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString keyLetters(const QString& page) {
    QString letters;
    for (const QString& line : page.split(u'\n')) {
        if (line.contains(QStringLiteral("Cevap Anahtarı")) || line.contains(QStringLiteral("Sınav"))) continue;
        for (const QString& token : line.split(u' ', Qt::SkipEmptyParts))
            if (token.size() == 1 && QStringLiteral("ABCD-").contains(token)) letters += token;
    }
    return letters;
}
