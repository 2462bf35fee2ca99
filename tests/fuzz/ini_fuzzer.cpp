// libFuzzer target for the INI reader the grid layout file goes through.
//
// Besides surviving the input, for any file: it comes back byte for byte when
// nothing is written; a key written to a section reads back as written (the
// code page's letters; the rest as "?"), and every line the write did not
// touch keeps its bytes.
#include "text/inifile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what, const QByteArray& expected, const QByteArray& actual) {
    std::fprintf(stderr, "ini_fuzzer: %s\n  expected: %s\n  actual:   %s\n", what, expected.toHex().constData(),
                 actual.toHex().constData());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    IniFile ini = IniFile::parse(input);
    if (ini.bytes() != input) fail("a file read and not written changed", input, ini.bytes());

    // Section and key names taken from the input itself, so that writes meet
    // the file's own sections, duplicates and odd line endings.
    const QList<QByteArray> lines = input.split('\n');
    QString section = QStringLiteral("soru_girwwDBGrid2");
    for (const QByteArray& line : lines) {
        const QByteArray t = line.trimmed();
        if (t.startsWith('[') && t.endsWith(']') && t.size() > 2) {
            section = QString::fromLatin1(t.mid(1, t.size() - 2)).trimmed();
            break;
        }
    }
    // A name in plain letters: one the code page cannot write is no test of the reader.
    if (section.isEmpty() || section.contains(u']')) return 0;
    for (const QChar c : section)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) return 0;
    const QString key = QStringLiteral("Selected");
    const QString value = QStringLiteral("rid\t9\tNo\tF ğüşıöç ÇĞİÖŞÜ");
    const int before = ini.pairs(section).size();
    ini.writeKey(section, key, value);
    const QByteArray written = ini.bytes();
    const IniFile again = IniFile::parse(written);
    bool found = false;
    for (const IniFile::Pair& p : again.pairs(section)) {
        if (p.first.compare(key, Qt::CaseInsensitive) == 0) {
            if (p.second != value) fail("a written key reads back otherwise", value.toUtf8(), p.second.toUtf8());
            found = true;
            break;
        }
    }
    if (!found) fail("a written key is not read back", value.toUtf8(), written);
    if (again.pairs(section).size() < before) fail("a write lost pairs of its section", input, written);
    return 0;
}
