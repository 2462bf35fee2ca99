// libFuzzer target for the rich-text reader and writer.
//
// Besides surviving the input, four properties must hold for any document:
// the editor's document shows the text the plain read gives, and keeps the
// text a save stores that the plain read keeps, what the writer makes of the
// document reads back as the same text, and so does the plain text written
// back as RTF.
#include "text/rtf.h"

#include <QString>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void fail(const char* what, const QString& expected, const QString& actual) {
    std::fprintf(stderr, "rtf_fuzzer: %s\n  expected: %s\n  actual:   %s\n", what, qPrintable(expected), qPrintable(actual));
    std::abort();
}

void check(const QString& input) {
    const QString rich = rtf::isRichText(input) ? input : QStringLiteral("{\\rtf1 ") + input;
    const QString text = rtf::plainText(rich);
    const QString partial = rtf::plainText(rich, rtf::Limit::Partial);
    if (rich.size() <= rtf::PartialLength && partial != text) fail("a short document read partially differs", text, partial);

    if (!rtf::isValidRichText(rich)) return;
    QTextDocument doc;
    rtf::readDocument(doc, rich);
    const QString shown = rtf::plainText(doc);
    if (shown != text) fail("the document shows other text than the plain read", text, shown);
    const QString stored = rtf::questionText(rich);
    const QString storedFromDoc = rtf::questionText(doc);
    if (storedFromDoc != stored) fail("the document keeps other text than the plain read", stored, storedFromDoc);
    const QString written = rtf::toRtf(doc);
    const QString again = rtf::plainText(written);
    if (again != text) fail("document written back reads differently", text, again);

    const QString fromPlain = rtf::plainText(rtf::plainTextToRtf(text));
    if (fromPlain != text) fail("plain text written back reads differently", text, fromPlain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader is linear; longer inputs only slow the search down.
    if (size > 64 * 1024) return 0;
    // As the database hands memos over: every byte one character up to U+00FF.
    check(QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size)));
    // And as UTF-16, so characters above U+00FF (already Unicode) and stray
    // surrogates get in as well.
    if (size >= 2) {
        std::vector<char16_t> units(size / 2);
        std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
        check(QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size())));
    }
    return 0;
}
