#include "storage/legacy_text.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include <QStringDecoder>

namespace storage {

namespace {

// Windows-1254 differs from Latin-1 in 0x80-0x9F and in six letters of the
// upper half. The data layer sits below the rich-text code and its code-page
// tables, and needs only this one page to read old rows, so it keeps this
// small copy; a test holds it equal to the rich-text table.
constexpr char16_t kC1[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0xFFFD, 0x0178,
};

char16_t decodeByte(unsigned char b) {
    if (b < 0x80) return b;
    if (b < 0xA0) return kC1[b - 0x80];
    switch (b) {
        case 0xD0:
            return 0x011E;  // Ğ
        case 0xDD:
            return 0x0130;  // İ
        case 0xDE:
            return 0x015E;  // Ş
        case 0xF0:
            return 0x011F;  // ğ
        case 0xFD:
            return 0x0131;  // ı
        case 0xFE:
            return 0x015F;  // ş
        default:
            return b;
    }
}

}  // namespace

QString decodeWindows1254(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) text[i] = QChar(decodeByte(static_cast<unsigned char>(bytes[i])));
    return text;
}

QString decodeUtf8(QByteArrayView bytes) {
    if (!bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool decodeIfUtf8(QByteArrayView bytes, QString* text) {
    // Every value a transfer reads goes through here: one pass that checks
    // and converts, with runs of ASCII taken eight bytes at a time. It accepts
    // exactly what isValidUtf8 accepts (no overlong forms, no surrogates,
    // nothing above U+10FFFF, no sequence cut off at the end) and keeps a
    // leading byte-order mark as U+FEFF, as decodeUtf8 does.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    QString out(bytes.size(), Qt::Uninitialized);  // never more UTF-16 units than bytes
    char16_t* const first = reinterpret_cast<char16_t*>(out.data());
    char16_t* o = first;
    const auto continuation = [](unsigned char b) { return (b & 0xC0) == 0x80; };
    while (p < end) {
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t high = word & 0x8080808080808080ULL;
            // The ASCII bytes before the first that is not (little-endian: the lowest).
            const int ascii = high == 0 ? 8 : std::endian::native == std::endian::little ? std::countr_zero(high) / 8 : 0;
            for (int i = 0; i < ascii; ++i) o[i] = char16_t(p[i]);
            p += ascii;
            o += ascii;
            if (ascii < 8) break;
        }
        if (p == end) break;
        const unsigned c = *p;
        const auto left = end - p;
        if (c < 0x80) {
            *o++ = char16_t(c);
            p += 1;
        } else if (c < 0xC2) {
            return false;  // a continuation byte, or the lead of an overlong form
        } else if (c < 0xE0) {
            if (left < 2 || !continuation(p[1])) return false;
            *o++ = char16_t(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (c < 0xF0) {
            if (left < 3 || !continuation(p[1]) || !continuation(p[2])) return false;
            const unsigned u = ((c & 0x0F) << 12) | (unsigned(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
            if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF)) return false;
            *o++ = char16_t(u);
            p += 3;
        } else if (c < 0xF5) {
            if (left < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3])) return false;
            const char32_t u = ((c & 0x07) << 18) | (unsigned(p[1] & 0x3F) << 12) | (unsigned(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            if (u < 0x10000 || u > 0x10FFFF) return false;
            *o++ = QChar::highSurrogate(u);
            *o++ = QChar::lowSurrogate(u);
            p += 4;
        } else {
            return false;
        }
    }
    out.truncate(o - first);
    *text = std::move(out);
    return true;
}

QString decodeStoredText(QByteArrayView bytes) {
    QString text;
    return decodeIfUtf8(bytes, &text) ? text : decodeWindows1254(bytes);
}

}  // namespace storage
