// Reading speed of question texts. Grids call the reader on every repaint
// unless they cache, so a 12,000-character question must read in well under
// a millisecond.
#include "text/rtf.h"

#include <QTextDocument>
#include <QtTest>

namespace {

// A rich-edit style Turkish question of about 12,000 characters: escapes for
// every Turkish letter, formatting changes, paragraphs.
QString question12k() {
    QString rtf = QStringLiteral(
        "{\\rtf1\\ansi\\ansicpg1254\\deff0\\deflang1055{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}"
        "{\\f1\\fswiss\\fcharset162{\\*\\fname Arial;}Arial TUR;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ");
    const QString sentence = QStringLiteral(
        "A\\'f0a\\'e7 g\\'f6lgesinde \\b \\'fc\\'e7\\b0  \\'f6\\'f0renci \\cf1\\'fe\\'fdk\\cf0  "
        "\\i se\\'e7ene\\'f0i\\i0  i\\'fearetledi: \\'dd\\'de\\'d0\\'c7\\'d6\\'dc.\\par\r\n");
    while (rtf.size() < 12000) rtf += sentence;
    rtf += u'}';
    return rtf;
}

}  // namespace

class BenchRtf : public QObject {
    Q_OBJECT

private slots:
    void plainText();
    void plainTextPartial();
    void cachedPlainText();
    void document();
};

void BenchRtf::plainText() {
    const QString rtf = question12k();
    QString text;
    QBENCHMARK { text = rtf::plainText(rtf); }
    QVERIFY(text.size() > 4000);
}

void BenchRtf::plainTextPartial() {
    const QString rtf = question12k();
    QString text;
    QBENCHMARK { text = rtf::plainText(rtf, rtf::Limit::Partial); }
    QVERIFY(!text.isEmpty());
}

void BenchRtf::cachedPlainText() {
    const QString rtf = question12k();
    rtf::PlainTextCache cache;
    QString text;
    QBENCHMARK { text = cache.plainText(rtf); }
    QCOMPARE(text, rtf::plainText(rtf));
}

void BenchRtf::document() {
    const QString rtf = question12k();
    QTextDocument doc;
    QBENCHMARK { rtf::readDocument(doc, rtf); }
    QVERIFY(!doc.isEmpty());
}

QTEST_MAIN(BenchRtf)
#include "bench_rtf.moc"
