#include "encoding/codepages.h"

#include "encoding/codepage_tables.h"

#include <QSysInfo>

#include <iconv.h>
#include <cerrno>

namespace codepage {

namespace {

constexpr char16_t Replacement = 0xFFFD;

const char16_t* upperHalf(int codePage) {
    switch (codePage) {
        case 874:
            return tables::cp874;
        case 1250:
            return tables::cp1250;
        case 1251:
            return tables::cp1251;
        case 1252:
            return tables::cp1252;
        case 1253:
            return tables::cp1253;
        case 1254:
            return tables::cp1254;
        case 1255:
            return tables::cp1255;
        case 1256:
            return tables::cp1256;
        case 1257:
            return tables::cp1257;
        case 1258:
            return tables::cp1258;
        case 437:
            return tables::cp437;
        case 850:
            return tables::cp850;
        case 857:
            return tables::cp857;
        case 10000:
            return tables::cp10000;
        case 10006:
            return tables::cp10006;
        case 10007:
            return tables::cp10007;
        case 10029:
            return tables::cp10029;
        case 10079:
            return tables::cp10079;
        case 10081:
            return tables::cp10081;
        default:
            return nullptr;
    }
}

const char* iconvName(int codePage) {
    switch (codePage) {
        case 932:
            return "CP932";
        case 936:
            return "CP936";
        case 949:
            return "CP949";
        case 950:
            return "CP950";
        default:
            return nullptr;
    }
}

// Without a converter a double-byte run still keeps its ASCII, and every byte
// pair that would have been one character shows as one U+FFFD.
QString replaceDoubleByte(const unsigned char* bytes, qsizetype length) {
    QString out;
    out.reserve(length);
    for (qsizetype i = 0; i < length; ++i) {
        if (bytes[i] < 0x80) {
            out.append(QChar(char16_t(bytes[i])));
        } else {
            out.append(QChar(Replacement));
            ++i;  // the trail byte belongs to the same character
        }
    }
    return out;
}

// Double-byte runs are rare (a Japanese or Chinese question in a Turkish bank),
// so a converter is opened per run: no shared state, safe from any thread.
QString decodeDoubleByte(int codePage, const unsigned char* bytes, qsizetype length) {
    const char* target = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    iconv_t cd = iconv_open(target, iconvName(codePage));
    if (cd == reinterpret_cast<iconv_t>(-1)) return replaceDoubleByte(bytes, length);

    QString out;
    out.reserve(length);
    char16_t chunk[256];
    // iconv's interface takes a non-const input pointer but does not write through it.
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
    size_t inLeft = size_t(length);
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(chunk);
        size_t outLeft = sizeof chunk;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out.append(reinterpret_cast<const QChar*>(chunk), qsizetype((sizeof chunk - outLeft) / sizeof(char16_t)));
        if (rc != size_t(-1) || err == E2BIG) continue;
        // An invalid sequence (EILSEQ) or a lead byte cut off at the end (EINVAL):
        // show the byte as U+FFFD and carry on with the next one.
        out.append(QChar(Replacement));
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

bool isSingleByte(int codePage) { return upperHalf(codePage) != nullptr; }

bool isDoubleByte(int codePage) { return iconvName(codePage) != nullptr; }

int fromCharset(int charset) {
    switch (charset) {
        case 0:
            return 1252;  // ANSI
        case 2:
            return 1252;  // Symbol
        case 77:
            return 10000;  // Macintosh
        case 128:
            return 932;  // Shift-JIS
        case 129:
            return 949;  // Hangul
        case 134:
            return 936;  // GB2312
        case 136:
            return 950;  // Big5
        case 161:
            return 1253;  // Greek
        case 162:
            return 1254;  // Turkish
        case 163:
            return 1258;  // Vietnamese
        case 177:
            return 1255;  // Hebrew
        case 178:
            return 1256;  // Arabic
        case 186:
            return 1257;  // Baltic
        case 204:
            return 1251;  // Cyrillic
        case 222:
            return 874;  // Thai
        case 238:
            return 1250;  // Central European
        default:
            return 0;
    }
}

char16_t decodeByte(int codePage, unsigned char byte) {
    if (byte < 0x80) return byte;
    const char16_t* table = upperHalf(codePage);
    if (!table) table = tables::cp1252;
    return table[byte - 0x80];
}

char16_t decodeSymbolByte(SymbolFont font, unsigned char byte) {
    return (font == SymbolFont::Wingdings ? tables::wingdings : tables::symbol)[byte];
}

QString decode(int codePage, const unsigned char* bytes, qsizetype length) {
    if (length <= 0) return {};
    if (isDoubleByte(codePage)) return decodeDoubleByte(codePage, bytes, length);
    if (codePage == Utf8) return QString::fromUtf8(reinterpret_cast<const char*>(bytes), length);
    QString out(length, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < length; ++i) dst[i] = QChar(decodeByte(codePage, bytes[i]));
    return out;
}

int encodeByte(int codePage, char16_t ch) {
    if (ch < 0x80) return ch;
    const char16_t* table = upperHalf(codePage);
    if (!table || ch == Replacement) return -1;
    for (int i = 0; i < 128; ++i) {
        if (table[i] == ch) return 0x80 + i;
    }
    return -1;
}

}  // namespace codepage
