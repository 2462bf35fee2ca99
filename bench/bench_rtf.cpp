// Reading speed of question texts. Grids call the reader on every repaint
// unless they cache, so a 12,000-character question must read in well under
// a millisecond.
#include "text/rtf.h"

#include <QAbstractTextDocumentLayout>
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

// A heavily formatted document of about `bytes` characters, as office suites
// write pasted text: every word or two changes bold, italic, colour, size or
// position, so each paragraph holds thousands of formatting runs.
QString formatted(qsizetype bytes) {
    QString rtf = QStringLiteral(
        "{\\rtf1\\ansi\\ansicpg1254\\deff0\\deflang1055{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}"
        "{\\f1\\froman\\fcharset162 Times New Roman;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ");
    const QString run = QStringLiteral(
        "{\\b \\'fc\\'e7}{\\i  se\\'e7}{\\cf1  k\\'fd}{\\f1\\fs24  ya}{\\super 2}{\\ul  g\\'f6l}{\\cf2\\b\\i  a}x{\\v gizli}");
    rtf.reserve(bytes + 64);
    qsizetype paragraph = 0;
    while (rtf.size() < bytes) {
        rtf += run;
        paragraph += run.size();
        if (paragraph > 64 * 1024) {  // long paragraphs: runs per paragraph are what hurt
            rtf += QStringLiteral("\\par\r\n");
            paragraph = 0;
        }
    }
    rtf += QStringLiteral("\\par}");
    return rtf;
}

void sizes() {
    QTest::addColumn<int>("kilobytes");
    for (int kb : {64, 256, 1024}) QTest::addRow("%d KB", kb) << kb;
}

}  // namespace

class BenchRtf : public QObject {
    Q_OBJECT

private slots:
    void plainText();
    void plainTextPartial();
    void cachedPlainText();
    void document();
    void formattedDocument_data() { sizes(); }
    void formattedDocument();
    void formattedEditorDocument_data() { sizes(); }
    void formattedEditorDocument();
    void formattedEditorLayout_data() { sizes(); }
    void formattedEditorLayout();
    void formattedPlainText_data() { sizes(); }
    void formattedPlainText();
    void formattedWrite_data() { sizes(); }
    void formattedWrite();
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

void BenchRtf::formattedDocument() {
    QFETCH(int, kilobytes);
    const QString rtf = formatted(kilobytes * 1024);
    QTextDocument doc;
    QBENCHMARK { rtf::readDocument(doc, rtf); }
    QVERIFY(doc.characterCount() > kilobytes * 100);
}

// As the editor and the cell read it: into a document that already has a
// layout, which a naive reader makes redo its work after every insert.
void BenchRtf::formattedEditorDocument() {
    QFETCH(int, kilobytes);
    const QString rtf = formatted(kilobytes * 1024);
    QTextDocument doc;
    doc.setTextWidth(600);
    QVERIFY(doc.documentLayout());
    QBENCHMARK { rtf::readDocument(doc, rtf); }
    QVERIFY(doc.characterCount() > kilobytes * 100);
}

// The read above lays out the first screen; the editor lays out the rest
// from the event loop, in steps. This is all of it at once, for scale.
void BenchRtf::formattedEditorLayout() {
    QFETCH(int, kilobytes);
    const QString rtf = formatted(kilobytes * 1024);
    QTextDocument doc;
    doc.setTextWidth(600);
    QVERIFY(doc.documentLayout());
    QSizeF size;
    QBENCHMARK {
        rtf::readDocument(doc, rtf);
        size = doc.size();  // finishes the layout
    }
    QVERIFY(size.height() > kilobytes);
}

void BenchRtf::formattedPlainText() {
    QFETCH(int, kilobytes);
    const QString rtf = formatted(kilobytes * 1024);
    QString text;
    QBENCHMARK { text = rtf::plainText(rtf); }
    QVERIFY(text.size() > kilobytes * 100);
}

void BenchRtf::formattedWrite() {
    QFETCH(int, kilobytes);
    QTextDocument doc;
    rtf::readDocument(doc, formatted(kilobytes * 1024));
    QString written;
    QBENCHMARK { written = rtf::toRtf(doc); }
    QVERIFY(written.size() > kilobytes * 100);
}

QTEST_MAIN(BenchRtf)
#include "bench_rtf.moc"
