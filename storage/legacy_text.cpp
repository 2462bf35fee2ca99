#include "storage/legacy_text.h"

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

QString decodeStoredText(QByteArrayView bytes) { return bytes.isValidUtf8() ? decodeUtf8(bytes) : decodeWindows1254(bytes); }

}  // namespace storage
