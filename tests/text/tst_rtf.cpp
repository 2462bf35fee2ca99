#include "encoding/codepages.h"
#include "text/rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QtTest>

namespace {

QString fixturesDir() {
    const QString dir = qEnvironmentVariable("QUORVEL_FIXTURES");
    return dir.isEmpty() ? QStringLiteral(QUORVEL_FIXTURES_FALLBACK) : dir;
}

// One TSV field: \r \n \t \\ escaped, \N for null.
QString unescapeTsv(const QString& field) {
    QString out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const QChar c = field[++i];
        out += c == u'r' ? QChar(u'\r') : c == u'n' ? QChar(u'\n') : c == u't' ? QChar(u'\t') : c;
    }
    return out;
}

// A stored RTF file as the database hands it over: one character per byte.
QString readFixture(const QString& name) {
    QFile file(fixturesDir() + QStringLiteral("/rtf/") + name);
    if (!file.open(QIODevice::ReadOnly)) qFatal("missing fixture %s", qPrintable(file.fileName()));
    return QString::fromLatin1(file.readAll());
}

QString rtfDoc(const QString& body) {
    return QStringLiteral("{\\rtf1\\ansi\\ansicpg1254\\deff0{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}}") + body + u'}';
}

// The text and the formatting the reader supports, one line per block:
// alignment, then each fragment as text{flags family size colour}.
QStringList describe(const QTextDocument& doc) {
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const Qt::Alignment a = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        QString line = a & Qt::AlignHCenter   ? QStringLiteral("center:")
                       : a & Qt::AlignJustify ? QStringLiteral("justify:")
                       : a & Qt::AlignRight   ? QStringLiteral("right:")
                                              : QStringLiteral("left:");
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat f = frag.charFormat();
            QString flags;
            if (f.fontWeight() >= QFont::DemiBold) flags += u'b';
            if (f.fontItalic()) flags += u'i';
            if (f.fontUnderline()) flags += u'u';
            const QStringList families = f.fontFamilies().toStringList();
            const QString colour =
                f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QStringLiteral("auto");
            line += QStringLiteral("[%1]{%2 %3 %4 %5}")
                        .arg(frag.text(), flags.isEmpty() ? QStringLiteral("-") : flags, families.value(0, QStringLiteral("?")),
                             QString::number(f.fontPointSize()), colour);
        }
        lines << line;
    }
    return lines;
}

}  // namespace

class TestRtf : public QObject {
    Q_OBJECT

private slots:
    void recognition_data();
    void recognition();
    void reader_data();
    void reader();
    void rawCharacters_data();
    void rawCharacters();
    void documentFormatting();
    void plainContentInDocument();
    void documentReadInOneChange();
    void legacyBankQuestion();
    void pastedDocuments_data();
    void pastedDocuments();
    void keptThroughTheEditor();
    void storedText_data();
    void storedText();
    void printedWithoutPlaceholders();
    void symbolFontsInTheEditor();
    void manyFontsKeepFewFormats();
    void partialReading_data();
    void partialReading();
    void writerEncoding_data();
    void writerEncoding();
    void writerHeader();
    void plainTextRoundTrip_data();
    void plainTextRoundTrip();
    void formattingRoundTrip();
    void codePageTables_data();
    void codePageTables();
    void cache();
};

void TestRtf::recognition_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("rich");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("plain");

    QTest::newRow("rtf1") << "{\\rtf1 a}" << true << true << "a";
    QTest::newRow("bare header") << "{\\rtf" << true << true << "";
    QTest::newRow("header then symbol") << "{\\rtf\\ansi b}" << true << true << "b";
    QTest::newRow("longer word is not rtf") << "{\\rtfx a}" << true << false << "{\\rtfx a}";
    QTest::newRow("upper case") << "{\\RTF1 a}" << false << false << "{\\RTF1 a}";
    QTest::newRow("leading blank") << " {\\rtf1 a}" << false << false << " {\\rtf1 a}";
    QTest::newRow("four characters") << "{\\rt" << false << false << "{\\rt";
    QTest::newRow("plain two lines") << "satır 1\r\nsatır 2" << false << false << "satır 1\r\nsatır 2";
    QTest::newRow("empty") << "" << false << false << "";
}

void TestRtf::recognition() {
    QFETCH(QString, content);
    QFETCH(bool, rich);
    QFETCH(bool, valid);
    QFETCH(QString, plain);
    QCOMPARE(rtf::isRichText(content), rich);
    QCOMPARE(rtf::isValidRichText(content), valid);
    QCOMPARE(rtf::plainText(content), plain);
}

void TestRtf::reader_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("plain");

    // Code pages.
    QTest::newRow("fcharset162 without ansicpg")
        << "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}}\\f0 \\'fe\\'f0\\'fd\\'dd\\'de\\'d0}" << u"şğıİŞĞ"_qs;
    QTest::newRow("ansicpg1254, font without charset")
        << "{\\rtf1\\ansi\\ansicpg1254{\\fonttbl{\\f0\\fnil Tahoma;}}\\f0 \\'fe\\'f0\\'fd\\'dd\\'de\\'d0}" << u"şğıİŞĞ"_qs;
    QTest::newRow("fcharset0 font in a 1254 document")
        << "{\\rtf1\\ansi\\ansicpg1254\\deff0{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}"
           "{\\f1\\fswiss\\fcharset0 Arial;}}\\f1 \\'d0\\'dd\\'de\\'f0\\'fd\\'fe\\f0 \\'d0}"
        << u"ÐÝÞðýþĞ"_qs;
    QTest::newRow("unknown font falls back to deff")
        << "{\\rtf1\\ansi\\deff3{\\fonttbl{\\f3\\fcharset162 Tahoma;}}\\f9 \\'fd}" << u"ı"_qs;
    QTest::newRow("fcharset1 falls back to deff")
        << "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset162 A;}{\\f1\\fcharset1 B;}}\\f1 \\'fd}" << u"ı"_qs;
    QTest::newRow("no code page at all is 1252") << "{\\rtf1 \\'e9\\'fd}" << u"éý"_qs;
    QTest::newRow("cpg overrides charset") << "{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 A;}}\\f0 \\'c0}" << u"А"_qs;
    QTest::newRow("cyrillic charset") << "{\\rtf1{\\fonttbl{\\f0\\fcharset204 A;}}\\f0 \\'c0\\'e1}" << u"Аб"_qs;
    QTest::newRow("greek charset") << "{\\rtf1{\\fonttbl{\\f0\\fcharset161 A;}}\\f0 \\'e1}" << u"α"_qs;
    QTest::newRow("thai charset") << "{\\rtf1{\\fonttbl{\\f0\\fcharset222 A;}}\\f0 \\'a1}" << u"ก"_qs;
    QTest::newRow("undefined 1254 byte shows") << rtfDoc("\\f0 a\\'8eb") << u"a\uFFFDb"_qs;
    QTest::newRow("shift-jis pair") << "{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS;}}\\f0 \\'82\\'a0\\'82\\'a2}" << u"あい"_qs;
    QTest::newRow("shift-jis trail byte as escaped backslash")
        << "{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS;}}\\f0 \\'95\\\\}" << u"表"_qs;
    QTest::newRow("gbk pair") << "{\\rtf1\\ansicpg936 \\'b0\\'a1}" << u"啊"_qs;
    QTest::newRow("lone lead byte is visible") << "{\\rtf1\\ansicpg932 a\\'82}" << u"a\uFFFD"_qs;

    // Unicode.
    QTest::newRow("u with default uc1") << rtfDoc("\\u1046?x") << u"Жx"_qs;
    QTest::newRow("uc0") << rtfDoc("\\uc0\\u1046 x") << u"Жx"_qs;
    QTest::newRow("uc2 skips two escapes") << rtfDoc("\\uc2\\u1046\\'3f\\'3fx") << u"Жx"_qs;
    QTest::newRow("uc is scoped to its group") << rtfDoc("{\\uc2\\u1046??}\\u1047?x") << u"ЖЗx"_qs;
    QTest::newRow("brace ends the skip") << rtfDoc("\\uc3\\u1046{x}y") << u"Жxy"_qs;
    QTest::newRow("a word that stands for text ends the fallback") << rtfDoc("\\u1046\\par x") << u"Ж\r\nx"_qs;
    QTest::newRow("a tab after a character without fallback") << rtfDoc("\\u8364\\tab x") << u"€\tx"_qs;
    QTest::newRow("formatting inside the fallback is not counted") << rtfDoc("\\uc2\\u287\\b\\'3f\\'3fx") << u"ğx"_qs;
    QTest::newRow("bin counts as one fallback") << rtfDoc("\\u1046\\bin3 a{}b") << u"Жb"_qs;
    QTest::newRow("negative u") << rtfDoc("\\u-3?") << u"\uFFFD"_qs;
    QTest::newRow("surrogate pair, signed") << rtfDoc("\\u-10179?\\u-8704?") << u"\U0001F600"_qs;
    QTest::newRow("surrogate pair, unsigned") << rtfDoc("\\u55357?\\u56832?") << u"\U0001F600"_qs;
    QTest::newRow("lone high surrogate") << rtfDoc("\\u-10179?x") << u"\uFFFDx"_qs;
    QTest::newRow("lone low surrogate") << rtfDoc("x\\u-8704?") << u"x\uFFFD"_qs;
    QTest::newRow("upr keeps the unicode half") << rtfDoc("{\\upr{\\f0 ANSI}{\\*\\ud{Uni\\u1046?}}}") << u"UniЖ"_qs;

    // Destinations.
    const char* skipped[] = {
        "fonttbl", "colortbl", "stylesheet", "info",      "header",       "headerl",      "headerr",     "headerf",
        "footer",  "footerl",  "footerr",    "footerf",   "footnote",     "fldinst",      "listtable",   "listoverridetable",
        "revtbl",  "rsidtbl",  "filetbl",    "themedata", "datastore",    "latentstyles", "xmlnstbl",    "pntxta",
        "pntxtb",  "xe",       "tc",         "leveltext", "levelnumbers", "listname",     "nonesttables"};
    for (const char* name : skipped) {
        QTest::addRow("destination %s", name)
            << QStringLiteral("{\\rtf1 a{\\%1 gizli {\\b i\\'e7}\\par}b}").arg(QLatin1StringView(name)) << "ab";
    }
    QTest::newRow("starred unknown destination") << rtfDoc("a{\\*\\bilinmeyen gizli}b") << "ab";
    QTest::newRow("starred generator") << rtfDoc("a{\\*\\generator Riched20 10.0;}b") << "ab";
    QTest::newRow("escapes and bin inside an object") << "{\\rtf1 x{\\pict a{b}\\}\\{\\bin2 }}c}d}"
                                                      << "x [resim] d";
    QTest::newRow("fldrslt kept") << rtfDoc("{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt ba\\'f0lant\\'fd}} son")
                                  << u"bağlantı son"_qs;

    // Structure and symbols.
    QTest::newRow("par line tab nbsp") << rtfDoc("a\\par b\\line c\\tab d\\~e") << u"a\r\nb\r\nc\td\u00A0e"_qs;
    QTest::newRow("optional hyphen, non-breaking hyphen") << rtfDoc("a\\-b\\_c") << u"a\u00ADb\u2011c"_qs;
    QTest::newRow("backslash CR LF is a paragraph") << rtfDoc("a\\\r\nb\\\nc") << "a\r\nb\r\nc";
    QTest::newRow("bare CR LF ignored") << rtfDoc("a\r\nb\rc\nd") << "abcd";
    QTest::newRow("escaped braces and backslash") << rtfDoc("a\\{b\\}c\\\\d") << "a{b}c\\d";
    QTest::newRow("one blank ends a word, the next is text") << rtfDoc("\\b a\\b0  b") << "a b";
    QTest::newRow("last par adds no paragraph") << rtfDoc("a\\par") << "a";
    QTest::newRow("empty last paragraph kept") << rtfDoc("a\\par\\par") << "a\r\n";
    QTest::newRow("leading empty paragraph") << rtfDoc("\\par a") << "\r\na";
    QTest::newRow("typographic words") << rtfDoc("\\lquote a\\rquote\\emdash\\bullet") << u"‘a’—•"_qs;
    QTest::newRow("table cells, no TAB after a row") << rtfDoc("a\\cell b\\cell\\row c") << "a\tb\r\nc";
    QTest::newRow("empty cells") << rtfDoc("\\cell\\cell x\\cell\\row") << "\t\tx";
    QTest::newRow("nested row in its property block")
        << rtfDoc("a\\nestcell b\\nestcell{\\*\\nesttableprops\\trowd\\cellx100 c\\nestrow}d") << "a\tb\tc\r\nd";
    QTest::newRow("long control word is ignored") << rtfDoc(QStringLiteral("a\\") + QString(40, u'x') + " b") << "ab";
    QTest::newRow("malformed hex escape") << rtfDoc("a\\'zzb") << "azzb";
    QTest::newRow("malformed hex escape as fallback") << rtfDoc("\\u287\\'x y") << u"ğx y"_qs;
    QTest::newRow("Symbol bullet mapped to U+F0B7") << rtfDoc("\\u-3913?\\tab madde") << u"•\tmadde"_qs;
    QTest::newRow("Symbol bullet in a font the table lacks")
        << "{\\rtf1\\deff0{\\fonttbl{\\f0\\fnil Symbol;}}\\f1 \\'b7 12}" << u"• 12"_qs;
    QTest::newRow("middle dot as unicode in Symbol") << "{\\rtf1{\\fonttbl{\\f0\\fnil Symbol;}}\\f0 2\\u183?3}" << u"2·3"_qs;

    // Symbol fonts: their bytes, raw or escaped or as U+F0xx, are their characters.
    const QString symbolFonts = QStringLiteral(
        "{\\rtf1\\ansi\\ansicpg1254\\deff0\\deflang1055{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}"
        "{\\f1\\fnil\\fcharset2 Symbol;}{\\f2\\fnil Symbol;}{\\f3\\fnil\\fcharset2 Wingdings;}{\\f4\\fnil\\fcharset2 MT "
        "Extra;}}");
    QTest::newRow("Symbol by charset") << symbolFonts + "{\\f1 pr, a, D\\'b3\\'b9\\'b4\\'d6}}" << u"πρ, α, Δ≥≠×√"_qs;
    QTest::newRow("Symbol by name") << symbolFonts + "{\\f2 b S W}}" << u"β Σ Ω"_qs;
    QTest::newRow("Symbol as private use") << symbolFonts + "{\\f1\\u-3984?\\u-3917?}x\\u-3913?}" << u"π≥x•"_qs;
    QTest::newRow("Symbol escapes") << symbolFonts + "{\\f1 \\\\\\{\\}}}" << u"∴{}"_qs;
    QTest::newRow("Symbol bytes without a character") << symbolFonts + "{\\f1\\'f0\\'80}}" << u"\uFFFD\uFFFD"_qs;
    QTest::newRow("other charset 2 fonts as Symbol") << symbolFonts + "{\\f4 p}}" << u"π"_qs;
    QTest::newRow("Wingdings") << symbolFonts + "{\\f3\\'fc\\'fb\\'a7\\'d8\\'fe\\'6f\\u-3844?}}" << u"✓✗▪➢☑□✓"_qs;
    QTest::newRow("Wingdings without a character is visible") << symbolFonts + "{\\f3 C\\'ff}}" << u"\uFFFD\uFFFD"_qs;
    QTest::newRow("unicode in a symbol font stays") << symbolFonts + "{\\f1\\u960?\\u112?}}" << u"πp"_qs;
    QTest::newRow("symbol font in the header only") << symbolFonts + "p\\'b3}" << u"p³"_qs;

    // Fields: SYMBOL stands for a character, others show their result.
    const auto field = [&](const char* inst, const char* result) {
        return symbolFonts + QStringLiteral("a{\\field{\\*\\fldinst %1}{\\fldrslt %2}}b}")
                                 .arg(QLatin1StringView(inst), QLatin1StringView(result));
    };
    QTest::newRow("SYMBOL in Symbol") << field("SYMBOL 112 \\\\f \"Symbol\" \\\\s 12", "") << u"aπb"_qs;
    QTest::newRow("SYMBOL in hex, bare font name") << field("SYMBOL 0xB3 \\\\f Symbol", "") << u"a≥b"_qs;
    QTest::newRow("SYMBOL in Wingdings, result ignored")
        << field("{SYMBOL 252 \\\\f \"Wingdings\"}", "{\\f3 \\'fc}") << u"a✓b"_qs;
    QTest::newRow("SYMBOL in a Unicode font") << field("SYMBOL 8730 \\\\f \"Cambria Math\" \\\\u", "") << u"a√b"_qs;
    QTest::newRow("SYMBOL by Unicode in Symbol") << field("SYMBOL 112 \\\\f Symbol \\\\u", "") << u"apb"_qs;
    QTest::newRow("SYMBOL as private use") << field("SYMBOL 61692 \\\\f Wingdings \\\\u", "") << u"a✓b"_qs;
    QTest::newRow("SYMBOL in a text font") << field("SYMBOL 253 \\\\f \"Times New Roman\"", "") << u"aıb"_qs;
    QTest::newRow("SYMBOL in typographic quotes") << field("SYMBOL 97 \\\\f \\ldblquote Symbol\\rdblquote", "") << u"aαb"_qs;
    QTest::newRow("SYMBOL without a number shows its result") << field("SYMBOL \\\\f Symbol", "x") << u"axb"_qs;
    QTest::newRow("other fields show their result") << field("HYPERLINK \"x\"", "ba\\'f0") << u"abağb"_qs;

    // Revisions: deleted text is not part of the text, inserted text is.
    QTest::newRow("deleted and inserted") << rtfDoc("Cevap {\\deleted B}{\\revised C} d\\'fdr") << u"Cevap C dır"_qs;
    QTest::newRow("deleted paragraph mark joins") << rtfDoc("a{\\deleted x\\par}b\\par c") << u"ab\r\nc"_qs;
    QTest::newRow("deleted0 and plain end it") << rtfDoc("{\\deleted x\\deleted0 a\\deleted y\\plain b}") << u"ab"_qs;
    QTest::newRow("deleted objects and cells") << rtfDoc("{\\deleted {\\pict 00}\\cell}a\\cell b") << u"a\tb"_qs;

    // Text boxes: the text of a shape is a paragraph of its own where it stands.
    QTest::newRow("text box")
        << rtfDoc("a{\\shp{\\*\\shpinst{\\sp{\\sn t}{\\sv 202}}{\\shptxt I.\\par II.}}{\\shprslt{\\pict 00}}}b")
        << u"a\r\nI.\r\nII.\r\nb"_qs;
    QTest::newRow("text box at a paragraph start") << rtfDoc("{\\shp{\\*\\shpinst{\\shptxt x\\par}}}b") << u"x\r\nb"_qs;
    QTest::newRow("text boxes in a group shape")
        << rtfDoc(
               "a{\\shpgrp{\\*\\shpinst{\\sp{\\sn t}{\\sv 1}}{\\shp{\\*\\shpinst{\\shptxt I.}}}{\\shp{\\*\\shpinst}}"
               "{\\shp{\\*\\shpinst{\\shptxt II.}}}}}b")
        << u"a\r\nI.\r\nII.\r\nb"_qs;
    QTest::newRow("group shape without text")
        << rtfDoc("a{\\shpgrp{\\shp{\\*\\shpinst}}{\\shp{\\*\\shpinst}}} b") << u"a [şekil] b"_qs;
    QTest::newRow("old drawing objects") << rtfDoc("a{\\*\\do\\dobxcolumn\\dptxbx{\\dptxbxtext\\pard x\\par}}{\\*\\do\\dpline}b")
                                         << u"a\r\nx\r\n[şekil] b"_qs;
    QTest::newRow("a shape's insides change nothing outside it")
        << rtfDoc(
               "a{\\shp{\\*\\shpinst\\ansicpg936\\b{\\fonttbl{\\f0\\fcharset134 X;}}\\uc0{\\sp{\\sn t}{\\sv \\u1046\\par}}}} "
               "\\'fd\\'fd")
        << u"a [şekil] ıı"_qs;
    QTest::newRow("shape without text") << rtfDoc("a{\\shp{\\*\\shpinst{\\sp{\\sn t}{\\sv 1}}}}.") << u"a [şekil]."_qs;

    // Notes, capitals, old code pages.
    QTest::newRow("footnote and endnote marks")
        << rtfDoc(
               "a{\\super\\chftn}{\\footnote{\\super\\chftn} n}b{\\chftn}{\\footnote\\ftnalt e}"
               "c{\\chftn}{\\footnote x}d")
        << u"a1bic2d"_qs;
    QTest::newRow("arabic endnotes") << rtfDoc("\\aftnnar a{\\chftn}{\\footnote \\ftnalt e}") << u"a1"_qs;
    QTest::newRow("caps, Turkish") << rtfDoc("\\deflang1055{\\caps i\\'fd\\'fe}") << u"İIŞ"_qs;
    QTest::newRow("caps, other language") << rtfDoc("{\\lang1033\\caps i}{\\caps\\caps0 i}") << u"Ii"_qs;
    QTest::newRow("small caps keep the letters") << rtfDoc("{\\scaps K\\'fc\\'e7\\'fck}") << u"Küçük"_qs;
    QTest::newRow("mac") << "{\\rtf1\\mac \\'8e\\'d2\\'a5}" << u"é“•"_qs;
    QTest::newRow("ansicpg10000") << "{\\rtf1\\ansi\\ansicpg10000 \\'8e}" << u"é"_qs;
    QTest::newRow("ansicpg10081") << "{\\rtf1\\ansi\\ansicpg10081 \\'da\\'db\\'dc\\'dd\\'de\\'df}" << u"ĞğİıŞş"_qs;
    QTest::newRow("ansicpg wins over mac") << "{\\rtf1\\mac\\ansicpg1254 \\'fd}" << u"ı"_qs;
    QTest::newRow("pc") << "{\\rtf1\\pc \\'87}" << u"ç"_qs;

    // Damaged input.
    QTest::newRow("extra closing brace") << "{\\rtf1 a}}b"
                                         << "a";
    QTest::newRow("extra closing brace inside") << "{\\rtf1 {\\b a}} b}"
                                                << "a";
    QTest::newRow("missing closing braces") << "{\\rtf1 {\\b a{\\i bc"
                                            << "abc";
    QTest::newRow("cut after backslash") << "{\\rtf1 abc\\"
                                         << "abc";
    QTest::newRow("cut in hex escape") << "{\\rtf1 abc\\'f"
                                       << "abc";
    QTest::newRow("cut after quote") << "{\\rtf1 abc\\'"
                                     << "abc";
    QTest::newRow("cut in control word") << "{\\rtf1 abc\\pa"
                                         << "abc";
    QTest::newRow("cut in parameter") << "{\\rtf1 abc\\u10"
                                      << "abc";
    QTest::newRow("cut after minus") << "{\\rtf1 abc\\b-"
                                     << "abc";
    QTest::newRow("cut in skipped group") << "{\\rtf1 abc{\\info 0123"
                                          << "abc";
    QTest::newRow("cut in an object") << "{\\rtf1 abc{\\pict 0123"
                                      << "abc [resim]";
    QTest::newRow("cut in a shape") << "{\\rtf1 abc{\\shp{\\*\\shpinst 0123"
                                    << "abc [şekil]";
    QTest::newRow("cut in a text box") << "{\\rtf1 abc{\\shp{\\*\\shpinst{\\shptxt x"
                                       << "abc\r\nx";
    QTest::newRow("cut in bin data") << "{\\rtf1 abc\\bin10 xy"
                                     << "abc";
    const QString digits30(30, u'9');
    QTest::newRow("30-digit parameters") << rtfDoc("\\fs" + digits30 + " a\\b-" + digits30 + " b\\uc" + digits30 + " c") << "abc";
    QTest::newRow("30-digit unicode") << rtfDoc("\\u" + digits30 + "?x\\u-" + digits30 + "?y") << u"\uFFFDx\uFFFDy"_qs;
    QTest::newRow("30-digit bin clamps to the input") << rtfDoc("a\\bin" + digits30 + " xyz") << "a";
    QTest::newRow("100000 nested groups") << "{\\rtf1 " + QString(100000, u'{') + "x" + QString(100000, u'}') + "y}"
                                          << "xy";
    QTest::newRow("skipped group beyond the depth cap")
        << "{\\rtf1 " + QString(1000, u'{') + "{\\*\\x gizli}z" + QString(1000, u'}') + "y}"
        << "zy";
    QTest::newRow("100000 unclosed groups") << "{\\rtf1 " + QString(100000, u'{') + "x"
                                            << "x";
}

void TestRtf::reader() {
    QFETCH(QString, content);
    QFETCH(QString, plain);
    QCOMPARE(rtf::plainText(content), plain);
    // The document holds the same text: paragraphs as blocks, \line as U+2028.
    QTextDocument doc;
    QVERIFY(rtf::readDocument(doc, content));
    QCOMPARE(doc.toRawText().replace(QChar::ParagraphSeparator, u"\r\n"_qs).replace(QChar::LineSeparator, u"\r\n"_qs), plain);
    // And what the editor saves of it reads the same.
    QCOMPARE(rtf::plainText(rtf::toRtf(doc)), plain);
}

void TestRtf::rawCharacters_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("plain");
    // Characters up to U+00FF are bytes of the stream, decoded by the code page;
    // characters above are already Unicode.
    QTest::newRow("raw 8-bit in a 1254 document") << rtfDoc(QString(QChar(0xFE)) + QChar(0xD0)) << u"şĞ"_qs;
    QTest::newRow("raw 8-bit without code page") << QStringLiteral("{\\rtf1 ") + QChar(0xFE) + u'}' << u"þ"_qs;
    QTest::newRow("raw shift-jis pair") << QStringLiteral("{\\rtf1\\ansicpg932 ") + QChar(0x82) + QChar(0xA0) + u'}' << u"あ"_qs;
    QTest::newRow("unicode passes through") << rtfDoc(u"Жş\U0001F600"_qs) << u"Жş\U0001F600"_qs;
    QTest::newRow("raw lone surrogate") << rtfDoc(QString(QChar(0xD800)) + u'x') << u"\uFFFDx"_qs;
    QTest::newRow("raw control characters") << rtfDoc(u"a\u0001b\tc"_qs) << "ab\tc";
    // The writer spells it \u-3913, which must read the same.
    QTest::newRow("raw Symbol bullet") << rtfDoc(u"\uF0B7\tmadde"_qs) << u"•\tmadde"_qs;
}

void TestRtf::rawCharacters() {
    QFETCH(QString, content);
    QFETCH(QString, plain);
    QCOMPARE(rtf::plainText(content), plain);
    QTextDocument doc;
    rtf::readDocument(doc, content);
    QCOMPARE(rtf::plainText(rtf::toRtf(doc)), plain);
}

void TestRtf::documentFormatting() {
    const QString content = QStringLiteral(
        "{\\rtf1\\ansi\\ansicpg1254\\deff0\\deflang1055{\\fonttbl{\\f0\\fnil\\fcharset162 Tahoma;}"
        "{\\f1\\fswiss\\fcharset162{\\*\\fname Arial;}Arial TUR;}{\\f2\\froman\\fcharset162 Times New Roman TUR;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "\\viewkind4\\uc1\\pard\\qc\\f0\\fs20 d\\'fcz \\b kal\\'fdn\\b0  \\i e\\'f0ik\\i0  \\ul alt\\ulnone\\par\r\n"
        "\\pard\\qr\\f1\\fs28\\cf1 k\\'fdrm\\'fdz\\'fd\\cf2 mavi\\cf0  oto\\par\r\n"
        "\\qj\\f2 Times{\\plain d\\'fcz}\\par\r\n}");
    QTextDocument doc;
    QVERIFY(rtf::readDocument(doc, content));
    const QStringList expected = {
        u"center:[düz ]{- Tahoma 10 auto}[kalın]{b Tahoma 10 auto}[ ]{- Tahoma 10 auto}[eğik]{i Tahoma 10 auto}"
        u"[ ]{- Tahoma 10 auto}[alt]{u Tahoma 10 auto}"_qs,
        u"right:[kırmızı]{- Arial 14 #ff0000}[mavi]{- Arial 14 #0000ff}[ oto]{- Arial 14 auto}"_qs,
        u"justify:[Times]{- Times New Roman 14 auto}[düz]{- Tahoma 12 auto}"_qs,
    };
    QCOMPARE(describe(doc), expected);
}

void TestRtf::plainContentInDocument() {
    QTextDocument doc;
    QVERIFY(!rtf::readDocument(doc, u"bir\r\niki\rüç\ndört"_qs));
    QCOMPARE(doc.blockCount(), 4);
    QCOMPARE(doc.toPlainText(), u"bir\niki\nüç\ndört"_qs);
}

// The cell and the editor read into documents that have a layout. A read
// that reports every formatting run as a change of its own makes the layout
// redo the paragraph each time, quadratic in the runs; and only a change that
// replaces the whole document is laid out lazily (the first screen now, the
// rest from the event loop), any other is laid out whole at once.
void TestRtf::documentReadInOneChange() {
    QTextDocument doc;
    doc.setTextWidth(400);
    QVERIFY(doc.documentLayout());
    QList<QList<int>> changes;
    connect(&doc, &QTextDocument::contentsChange, &doc, [&](int from, int removed, int added) {
        changes.append({from, removed, added});
    });
    auto changesOfRead = [&](int runs) {
        doc.setPlainText(u"eski metin"_qs);
        QString body;
        for (int i = 0; i < runs; ++i) body += QStringLiteral("{\\b a%1}{\\i b}\\cf1 c\\cf0 ").arg(i);
        changes.clear();
        rtf::readDocument(doc, rtfDoc(u"{\\colortbl ;\\red255\\green0\\blue0;}"_qs + body + u"\\par "_qs + body));
        return changes;
    };
    const QList<QList<int>> many = changesOfRead(200);
    QCOMPARE(many.size(), changesOfRead(1).size());
    QCOMPARE(many.size(), 2);  // the old text goes, the new comes in one piece
    QCOMPARE(doc.blockCount(), 2);
    QCOMPARE(doc.toPlainText(), u"a0bc\na0bc"_qs);
    QCOMPARE(changes.last(), (QList<int>{0, 0, doc.characterCount()}));
}

void TestRtf::legacyBankQuestion() {
    QFile file(fixturesDir() + QStringLiteral("/rtf/legacy-bank-rich-question.tsv"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QString question;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() > 1 && fields[0] == u"21") question = unescapeTsv(fields[1]);
    }
    QVERIFY(rtf::isRichText(question));
    const QString text = rtf::plainText(question);
    QVERIFY2(text.startsWith(u"Kalın yazılı şğıİŞĞ soru metni\r\nikinci satır"_qs), qPrintable(text));
    QCOMPARE(text, u"Kalın yazılı şğıİŞĞ soru metni\r\nikinci satır"_qs);

    QTextDocument doc;
    QVERIFY(rtf::readDocument(doc, question));
    QCOMPARE(describe(doc), QStringList({u"left:[Kalın yazılı şğıİŞĞ]{b Tahoma 10 #ff0000}[ soru metni]{- Tahoma 10 auto}"_qs,
                                         u"left:[ikinci satır]{- Tahoma 10 auto}"_qs}));
}

// Small documents as word processors write them, each showing one way a
// reader loses or reveals text: the plain text and the document's text must
// both come out as the teacher saw it.
void TestRtf::pastedDocuments_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("plain");
    QTest::newRow("\\* inside a group drops only the word") << "linked-text.rtf" << u"Soru: bağlantı metni sonra.\r\nkalın"_qs;
    QTest::newRow("hidden text stays hidden") << "hidden-answer.rtf" << u"Hangisi asal sayıdır?\r\nA) 4 B) 6 C) 7"_qs;
    QTest::newRow("objects and line breaks in hidden text, hidden text last")
        << "hidden-object.rtf" << u"Hangisi asal sayıdır?\r\nA) 4\r\nB) 6"_qs;
    QTest::newRow("scripts read as text") << "scripts.rtf" << u"x2 + y3 = 10-3 ve H2O, ai."_qs;
    QTest::newRow("list labels and symbol bullets")
        << "numbered-answers.rtf" << u"Hangisi doğrudur?\r\nA)\tBir\r\nB)\tğ çift\r\n•\tmadde\r\n•\tikinci\r\nson"_qs;
    QTest::newRow("nested table cells") << "nested-table.rtf" << u"düğme\tiç\taynı\r\nson"_qs;
    QTest::newRow("Turkish language without a code page") << "turkish-without-codepage.rtf" << u"İşğ Şığ "_qs;
    QTest::newRow("font in UTF-8") << "utf8-font.rtf" << u"ğş gı"_qs;
    QTest::newRow("objects as placeholders")
        << "objects.rtf"
        << u"Şekil: [resim] bitti.\r\nFormül: [denklem] ve [denklem] ile [denklem].\r\nKutu: \r\niç metin\r\n ve [resim]  son [şekil]."_qs;
    QTest::newRow("Symbol letters") << "symbol-letters.rtf"
                                    << u"Dairenin alanı πr2, α = 45°, Δx ≥ 2\r\nβ ≠ Σ, 3×2, √λ\r\npω ∴ {}"_qs;
    QTest::newRow("SYMBOL fields") << "symbol-field.rtf" << u"Çevre = 2πr\r\nDoğru ✓, kök √2, ±1, bağ"_qs;
    QTest::newRow("Wingdings bullets and marks")
        << "wingdings.rtf" << u"▪\tMadde\r\n➢\tOk\r\n✓ doğru ✗ yanlış ☑☒ kutu\r\n☞\uFFFD \uFFFD"_qs;
    QTest::newRow("tracked changes") << "tracked-changes.rtf" << u"Cevap C şıkkıdır.\r\nBirinci satır devamı.\r\nSon."_qs;
    QTest::newRow("text box") << "text-box.rtf"
                              << u"Buna göre,\r\nI. Sayı çifttir.\r\nII. Sayı asaldır.\r\nhangileri doğrudur? [şekil]"_qs;
    QTest::newRow("note marks, capitals, a character without fallback")
        << "footnotes-caps.rtf" << u"Osmanlı Devleti1 ve Selçuklui, Bizans2\r\nATATÜRK ISMET İNENÜ I, Küçük\r\n€\teuro€ğ x"_qs;
    QTest::newRow("Mac Roman") << "mac-roman.rtf" << u"Café “t” ş"_qs;
    QTest::newRow("Mac Turkish") << "mac-turkish.rtf" << u"ĞğİıŞş Äö"_qs;
}

void TestRtf::pastedDocuments() {
    QFETCH(QString, file);
    QFETCH(QString, plain);
    const QString content = readFixture(file);
    QCOMPARE(rtf::plainText(content), plain);
    QTextDocument doc;
    QVERIFY(rtf::readDocument(doc, content));
    QCOMPARE(rtf::plainText(doc), plain);
    // What the editor saves reads the same, whether or not it went through
    // the editor's copy of the document.
    QTextDocument copy;
    QTextCursor(&copy).insertFragment(QTextDocumentFragment(&doc));
    QCOMPARE(rtf::plainText(rtf::toRtf(copy)), plain);
}

// What the editor does not show, it must not lose: hidden text, raised and
// lowered text and objects come back out of toRtf after the editor's copy,
// and an object the teacher typed next to survives, one she deleted goes.
void TestRtf::keptThroughTheEditor() {
    auto throughEditor = [](const QString& file) {
        QTextDocument doc;
        rtf::readDocument(doc, readFixture(file));
        QTextDocument editor;
        QTextCursor(&editor).insertFragment(QTextDocumentFragment(&doc));
        QTextDocument again;
        rtf::readDocument(again, rtf::toRtf(editor));
        return rtf::toRtf(again);
    };
    QTextDocument shown, withHidden;
    rtf::readDocument(shown, rtfDoc(u"ab"_qs));
    rtf::readDocument(withHidden, rtfDoc(u"a{\\v uzun gizli cevap}b"_qs));
    // It takes no room on screen (the break in the run may change the shaping a little).
    QVERIFY2(qAbs(withHidden.idealWidth() - shown.idealWidth()) < 2, qPrintable(QString::number(withHidden.idealWidth())));

    // A paragraph of hidden text goes back as a paragraph of its own.
    QTextDocument hiddenParagraph;
    rtf::readDocument(hiddenParagraph, rtfDoc(u"a\\par {\\v gizli}\\par b\\par {\\v son}"_qs));
    const QString hiddenWritten = rtf::toRtf(hiddenParagraph);
    QVERIFY2(hiddenWritten.contains(u" a\\par\r\n{\\v gizli}\\par\r\nb{\\v son}\\par"_qs), qPrintable(hiddenWritten));

    const QString hidden = throughEditor(u"hidden-answer.rtf"_qs);
    QVERIFY2(hidden.contains(u"{\\v  Cevap: C}"_qs) && hidden.contains(u"{\\v do\\'f0ru de\\'f0il}"_qs), qPrintable(hidden));
    const QString hiddenObject = throughEditor(u"hidden-object.rtf"_qs);
    QVERIFY2(hiddenObject.contains(u"{\\v{\\object\\objemb{\\*\\objclass Equation.3}"_qs) &&
                 hiddenObject.contains(u"{\\v son gizli not}"_qs),
             qPrintable(hiddenObject));

    QTextDocument scripts;
    rtf::readDocument(scripts, throughEditor(u"scripts.rtf"_qs));
    QStringList raised;
    for (auto it = scripts.begin().begin(); !it.atEnd(); ++it) {
        const auto v = it.fragment().charFormat().verticalAlignment();
        if (v != QTextCharFormat::AlignNormal)
            raised << (v == QTextCharFormat::AlignSuperScript ? u"^"_qs : u"_"_qs) + it.fragment().text();
    }
    QCOMPARE(raised, (QStringList{u"^2"_qs, u"^3"_qs, u"^-3"_qs, u"_2"_qs, u"_i"_qs}));

    const QString objects = throughEditor(u"objects.rtf"_qs);
    for (const char* raw : {"{\\*\\shppict{\\pict{\\*\\picprop}\\pngblip\\picw10\\pich10 89504e470d0a1a0a}}",
                            "{\\object\\objemb{\\*\\objclass Equation.3}", "{\\mmath{\\*\\moMath{\\mr x}}}", "{\\*\\mmathPara x}",
                            "{\\shp{\\*\\shpinst", "{\\pict\\bin4 {}\\}}"})
        QVERIFY2(objects.contains(QLatin1StringView(raw)), raw);

    QTextDocument doc;
    rtf::readDocument(doc, readFixture(u"objects.rtf"_qs));
    QTextCursor typed(&doc);
    typed.setPosition(int(doc.toPlainText().indexOf(u"[resim]"_qs)) + 7);
    typed.insertText(u"!"_qs);  // takes the placeholder's format
    QTextCursor cut(&doc);
    cut.setPosition(int(doc.toPlainText().indexOf(u"[şekil]"_qs)));
    cut.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 3);
    cut.removeSelectedText();
    const QString edited = rtf::toRtf(doc);
    QVERIFY(edited.contains(u"89504e470d0a1a0a}}!"_qs));
    QVERIFY(!edited.contains(u"shpinst"_qs));
    QVERIFY(rtf::plainText(edited).contains(u"Şekil: [resim]! bitti."_qs));
}

// What a save keeps: no placeholders, one blank where one stood between
// words; the same from the memo and from the document read from it, also
// after the editor's copy and a round through the writer.
void TestRtf::storedText_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("stored");
    QTest::newRow("between words") << rtfDoc("a{\\pict 00}b") << "a b";
    QTest::newRow("next to blanks") << rtfDoc("a {\\pict 00} b") << "a b";
    QTest::newRow("blank on one side") << rtfDoc("a {\\pict 00}b c{\\pict 00} d") << "a b c d";
    QTest::newRow("before punctuation") << rtfDoc("ve{\\pict 00}.") << "ve.";
    QTest::newRow("in brackets") << rtfDoc("({\\pict 00}) a") << "() a";
    QTest::newRow("at the ends of lines") << rtfDoc("{\\pict 00} a {\\pict 00}\\par b{\\pict 00}") << "a\r\nb";
    QTest::newRow("two in a row") << rtfDoc("a{\\pict 00}{\\object 00} {\\shp{\\*\\shpinst}}b") << "a b";
    QTest::newRow("alone") << rtfDoc("{\\pict 00}") << "";
    QTest::newRow("hidden text stays out") << rtfDoc("a{\\v gizli}{\\pict 00}b") << "a b";
    QTest::newRow("objects fixture") << readFixture(u"objects.rtf"_qs)
                                     << u"Şekil: bitti.\r\nFormül: ve ile.\r\nKutu: \r\niç metin\r\n ve  son."_qs;
    QTest::newRow("text box fixture") << readFixture(u"text-box.rtf"_qs)
                                      << u"Buna göre,\r\nI. Sayı çifttir.\r\nII. Sayı asaldır.\r\nhangileri doğrudur?"_qs;
    QTest::newRow("plain content as it is") << u"a [resim] b"_qs << u"a [resim] b"_qs;
}

void TestRtf::storedText() {
    QFETCH(QString, content);
    QFETCH(QString, stored);
    QCOMPARE(rtf::questionText(content), stored);
    QTextDocument doc;
    rtf::readDocument(doc, content);
    QCOMPARE(rtf::questionText(doc), stored);
    QTextDocument copy;
    QTextCursor(&copy).insertFragment(QTextDocumentFragment(&doc));
    QCOMPARE(rtf::questionText(copy), stored);
    QTextDocument again;
    rtf::readDocument(again, rtf::toRtf(copy));
    QCOMPARE(rtf::questionText(again), stored);
    // A word typed right after a placeholder is the teacher's and stays.
    QTextCursor typed(&doc);
    const qsizetype at = doc.toPlainText().indexOf(u"[resim]"_qs);
    if (at >= 0) {
        typed.setPosition(int(at + 7));
        typed.insertText(u"X"_qs);
        QVERIFY2(rtf::questionText(doc).contains(u'X'), qPrintable(rtf::questionText(doc)));
    }
}

// The booklet draws the document without the placeholders, formatting kept.
void TestRtf::printedWithoutPlaceholders() {
    QTextDocument doc;
    rtf::readDocument(doc, rtfDoc("{\\b Soru}{\\pict 00}metni {\\pict 00}.\\par{\\object 00} son{\\v  gizli}"));
    rtf::removePlaceholders(doc);
    QCOMPARE(doc.toPlainText(), u"Soru metni.\nson\uFFFC"_qs);
    QCOMPARE(describe(doc).first(), u"left:[Soru ]{b Tahoma 12 auto}[metni.]{- Tahoma 12 auto}"_qs);
}

// Symbol and Wingdings text is Unicode in the document, shown in the text
// font; a Latin letter set in Symbol in the editor stays a Latin letter;
// small capitals are drawn so and written back.
void TestRtf::symbolFontsInTheEditor() {
    QTextDocument doc;
    rtf::readDocument(doc, readFixture(u"symbol-letters.rtf"_qs));
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            QVERIFY2(!it.fragment().charFormat().fontFamilies().toStringList().contains(u"Symbol"_qs),
                     qPrintable(it.fragment().text()));

    for (const QString& family : {u"Symbol"_qs, u"Wingdings"_qs}) {
        QTextDocument typed;
        QTextCharFormat f;
        f.setFontFamilies({family});
        QTextCursor(&typed).insertText(u"pa \\{}ü2 π✓"_qs, f);
        QCOMPARE(rtf::plainText(rtf::toRtf(typed)), u"pa \\{}ü2 π✓"_qs);
    }

    QTextDocument caps;
    rtf::readDocument(caps, rtfDoc("a{\\scaps b}"));
    QTextDocument again;
    rtf::readDocument(again, rtf::toRtf(caps));
    QCOMPARE(again.begin().begin().fragment().charFormat().fontCapitalization(), QFont::MixedCase);
    QCOMPARE((++again.begin().begin()).fragment().charFormat().fontCapitalization(), QFont::SmallCaps);
}

// Tens of thousands of fonts or sizes must not mean as many formats: Qt
// hashes formats differing only in family alike, and the read took minutes.
void TestRtf::manyFontsKeepFewFormats() {
    QString fonts, body;
    for (int i = 0; i < 20000; ++i) {
        fonts += QStringLiteral("{\\f%1\\fnil Font%1;}").arg(i);
        body += QStringLiteral("\\f%1\\fs%2 x").arg(i).arg(2 + i % 3000);
    }
    QTextDocument doc;
    QElapsedTimer timer;
    timer.start();
    rtf::readDocument(doc, u"{\\rtf1{\\fonttbl"_qs + fonts + u"}"_qs + body + u"}"_qs);
    QCOMPARE(doc.characterCount(), 20001);
    QVERIFY2(doc.allFormats().size() < 1000, qPrintable(QString::number(doc.allFormats().size())));
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
}

void TestRtf::partialReading_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("partial");

    const QString head = QStringLiteral("{\\rtf1\\ansicpg1254 ");  // 19 characters
    const qsizetype room = rtf::PartialLength - head.size();
    QTest::newRow("rich text cut at 8192") << head + QString(9000, u'a') + u'}' << QString(room, u'a');
    // The escape \'fd starts two characters before the limit: it is cut and ends the read.
    QTest::newRow("escape cut at the limit")
        << head + QString(room - 2, u'a') + QStringLiteral("\\'fd") + QString(100, u'b') + u'}' << QString(room - 2, u'a');
    QTest::newRow("escape just inside the limit")
        << head + QString(room - 4, u'a') + QStringLiteral("\\'fd") + QString(100, u'b') + u'}'
        << QString(room - 4, u'a') + u"ı"_qs;
    QTest::newRow("short rich text whole") << head + "kısa}"
                                           << "kısa";
    QTest::newRow("plain text cut") << QString(10000, u'x') << QString(rtf::PartialLength, u'x');
    QTest::newRow("short plain text whole") << "kısa"
                                            << "kısa";
}

void TestRtf::partialReading() {
    QFETCH(QString, content);
    QFETCH(QString, partial);
    QCOMPARE(rtf::plainText(content, rtf::Limit::Partial), partial);
    QVERIFY(rtf::plainText(content, rtf::Limit::Full).startsWith(partial));
}

void TestRtf::writerEncoding_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("rtf");

    QTest::newRow("turkish letters as 1254 bytes")
        << u"ğĞıİşŞçÇöÖüÜ"_qs << "\\'f0\\'d0\\'fd\\'dd\\'fe\\'de\\'e7\\'c7\\'f6\\'d6\\'fc\\'dc";
    QTest::newRow("ascii as is") << "Soru 1?"
                                 << "Soru 1?";
    QTest::newRow("euro sign in 1254") << u"5 €"_qs << "5 \\'80";
    QTest::newRow("cyrillic as u with fallback") << u"Ж"_qs << "\\u1046?";
    QTest::newRow("outside the BMP as a signed pair") << u"\U0001F600"_qs << "\\u-10179?\\u-8704?";
    QTest::newRow("escapes") << "{a}\\"
                             << "\\{a\\}\\\\";
    QTest::newRow("tab") << "a\tb"
                         << "a\\tab b";
    QTest::newRow("lines") << "a\r\nb\nc"
                           << "a\\par\r\nb\\par\r\nc";
}

void TestRtf::writerEncoding() {
    QFETCH(QString, text);
    QFETCH(QString, rtf);
    const QString written = rtf::plainTextToRtf(text);
    const QString head = QStringLiteral("\\f0\\fs20");
    const QString tail = QStringLiteral("\\par\r\n}\r\n");
    QVERIFY2(written.contains(head) && written.endsWith(tail), qPrintable(written));
    QString body = written.mid(written.indexOf(head) + head.size());
    if (body.startsWith(u' ')) body.remove(0, 1);  // the blank that ends \fs20
    body.chop(tail.size());
    QCOMPARE(body, rtf);
}

void TestRtf::writerHeader() {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Tahoma")));
    QTextCursor cursor(&doc);
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    red.setFontFamilies({QStringLiteral("Arial")});
    cursor.insertText(QStringLiteral("kırmızı"), red);
    const QString written = rtf::toRtf(doc);
    QVERIFY2(
        written.startsWith(QStringLiteral("{\\rtf1\\ansi\\ansicpg1254\\deff0\\deflang1055{\\fonttbl{\\f0\\fnil\\fcharset162 ")),
        qPrintable(written));
    QVERIFY2(written.contains(QStringLiteral("{\\f1\\fnil\\fcharset162 Arial;}}")), qPrintable(written));
    QVERIFY2(written.contains(QStringLiteral("{\\colortbl ;\\red255\\green0\\blue0;}")), qPrintable(written));
    QVERIFY2(written.contains(QStringLiteral("\\viewkind4\\uc1\\pard")), qPrintable(written));
    QVERIFY2(written.contains(QStringLiteral("\\cf1")), qPrintable(written));

    // Every group closed, the root one last.
    int depth = 0;
    qsizetype rootClosedAt = -1;
    for (qsizetype i = 0; i < written.size(); ++i) {
        if (written[i] == u'\\') {
            ++i;
        } else if (written[i] == u'{') {
            ++depth;
        } else if (written[i] == u'}') {
            QVERIFY(--depth >= 0);
            if (depth == 0) rootClosedAt = i;
        }
    }
    QCOMPARE(depth, 0);
    QCOMPARE(written.mid(rootClosedAt), QStringLiteral("}\r\n"));
}

void TestRtf::plainTextRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("every turkish letter") << u"ç Ç ğ Ğ ı I İ i ö Ö ş Ş ü Ü"_qs;
    QTest::newRow("paragraphs") << u"Birinci satır\r\nİkinci satır\r\n\r\nDördüncü"_qs;
    QTest::newRow("trailing empty paragraph") << u"son\r\n"_qs;
    QTest::newRow("empty") << "";
    QTest::newRow("special characters") << u"{a}\\b\tc\u00A0d ; € Ж \U0001F600 ÿ"_qs;
    QTest::newRow("digits after escapes") << u"ı1 ş2 \\3"_qs;
    QTest::newRow("leading blanks") << "  iki boşluk";
}

void TestRtf::plainTextRoundTrip() {
    QFETCH(QString, text);
    QCOMPARE(rtf::plainText(rtf::plainTextToRtf(text)), text);
}

void TestRtf::formattingRoundTrip() {
    QTextDocument doc;
    QTextCursor cursor(&doc);
    auto format = [](bool bold, bool italic, bool underline, const QString& family, qreal points, QColor colour) {
        QTextCharFormat f;
        f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(italic);
        f.setFontUnderline(underline);
        f.setFontFamilies({family});
        f.setFontPointSize(points);
        if (colour.isValid()) f.setForeground(colour);
        return f;
    };
    QTextBlockFormat centered;
    centered.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centered);
    cursor.insertText(u"Başlık "_qs, format(true, false, false, "Tahoma", 14, QColor(0, 0, 128)));
    cursor.insertText(u"ve alt çizgi"_qs, format(false, false, true, "Tahoma", 14, {}));
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    cursor.insertBlock(justified);
    cursor.insertText(u"eğik İ"_qs, format(false, true, false, "Times New Roman", 10.5, QColor(255, 0, 0)));
    cursor.insertText(QString(QChar::LineSeparator) + u"\tsatır {ş}"_qs, format(true, true, true, "Arial", 9, QColor(255, 0, 0)));
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    cursor.insertBlock(right);
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(u"Ж son"_qs, format(false, false, false, "Tahoma", 12, {}));

    const QString written = rtf::toRtf(doc);
    QTextDocument back;
    QVERIFY(rtf::readDocument(back, written));
    QCOMPARE(describe(back), describe(doc));

    // And a document from a stored question survives a second round.
    QTextDocument once;
    QVERIFY(rtf::readDocument(once, written));
    QTextDocument twice;
    QVERIFY(rtf::readDocument(twice, rtf::toRtf(once)));
    QCOMPARE(describe(twice), describe(once));
}

void TestRtf::codePageTables_data() {
    QTest::addColumn<int>("codePage");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");
    // Where 1254 and 1252 part, and the undefined bytes of 1254.
    const int turkish[][3] = {{0xD0, 0x011E, 0x00D0}, {0xDD, 0x0130, 0x00DD}, {0xDE, 0x015E, 0x00DE},
                              {0xF0, 0x011F, 0x00F0}, {0xFD, 0x0131, 0x00FD}, {0xFE, 0x015F, 0x00FE},
                              {0x8E, 0xFFFD, 0x017D}, {0x9E, 0xFFFD, 0x017E}, {0x80, 0x20AC, 0x20AC}};
    for (const auto& row : turkish) {
        QTest::addRow("1254 %02X", row[0]) << 1254 << row[0] << row[1];
        QTest::addRow("1252 %02X", row[0]) << 1252 << row[0] << row[2];
    }
    QTest::newRow("1250 8A") << 1250 << 0x8A << 0x0160;
    QTest::newRow("1251 C0") << 1251 << 0xC0 << 0x0410;
    QTest::newRow("1253 E1") << 1253 << 0xE1 << 0x03B1;
    QTest::newRow("1255 E0") << 1255 << 0xE0 << 0x05D0;
    QTest::newRow("1256 C7") << 1256 << 0xC7 << 0x0627;
    QTest::newRow("1257 E0") << 1257 << 0xE0 << 0x0105;
    QTest::newRow("1258 CC") << 1258 << 0xCC << 0x0300;
    QTest::newRow("874 A1") << 874 << 0xA1 << 0x0E01;
    QTest::newRow("857 8D") << 857 << 0x8D << 0x0131;
    QTest::newRow("10000 8E") << 10000 << 0x8E << 0x00E9;
    QTest::newRow("10081 DA") << 10081 << 0xDA << 0x011E;
    QTest::newRow("10081 DD") << 10081 << 0xDD << 0x0131;
}

void TestRtf::codePageTables() {
    QFETCH(int, codePage);
    QFETCH(int, byte);
    QFETCH(int, unicode);
    QCOMPARE(int(codepage::decodeByte(codePage, quint8(byte))), unicode);
    if (unicode != 0xFFFD) QCOMPARE(codepage::encodeByte(codePage, char16_t(unicode)), byte);
}

void TestRtf::cache() {
    const QString a = rtfDoc("\\b kal\\'fdn\\b0  metin");
    const QString b = rtfDoc(QString(300, u'x'));
    rtf::PlainTextCache cache(1000);

    QCOMPARE(cache.plainText(a), u"kalın metin"_qs);
    QCOMPARE(cache.plainText(a), u"kalın metin"_qs);
    QCOMPARE(cache.count(), 1);
    QCOMPARE(cache.plainText(a, rtf::Limit::Partial), u"kalın metin"_qs);
    QCOMPARE(cache.count(), 2);  // the limit is part of the key

    QCOMPARE(cache.plainText(u"düz metin"_qs), u"düz metin"_qs);
    QCOMPARE(cache.count(), 2);  // plain text costs nothing to keep

    // Bounded: the oldest entries go when the characters would exceed the limit.
    for (int i = 0; i < 10; ++i) QCOMPARE(cache.plainText(rtfDoc(QString(300, QChar(u'a' + i)))), QString(300, QChar(u'a' + i)));
    QVERIFY(cache.totalChars() <= cache.maxChars());
    QVERIFY(cache.count() < 12);

    // Too big to keep: still answered.
    const QString big = rtfDoc(QString(2000, u'y'));
    QCOMPARE(cache.plainText(big), QString(2000, u'y'));
    QVERIFY(cache.totalChars() <= cache.maxChars());

    cache.clear();
    QCOMPARE(cache.count(), 0);
    QCOMPARE(cache.plainText(b), QString(300, u'x'));
}

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
