#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <QString>
#include <QVariant>

namespace storage {

// Text as the file holds it when its bytes are not valid UTF-8: an older
// version of the web site wrote Turkish in Windows-1254, some answers came in
// as Latin-1. Such a value is kept byte for byte as a raw value, so that a row
// can still be found by the values it was read with, and is shown decoded as
// Windows-1254. Once the user changes the field it is written as UTF-8.
struct ForeignText {
    QByteArray bytes;
    friend bool operator==(const ForeignText& a, const ForeignText& b) { return a.bytes == b.bytes; }
};

inline bool isForeignText(const QVariant& v) { return v.metaType() == QMetaType::fromType<ForeignText>(); }

// The text of bytes read from the file: UTF-8 when they are valid UTF-8,
// else Windows-1254 (bytes the page leaves undefined read as U+FFFD).
QString decodeStoredText(QByteArrayView bytes);

// Valid UTF-8 exactly, a leading byte-order mark included (QString::fromUtf8
// drops it, and the row would no longer match what the file holds).
QString decodeUtf8(QByteArrayView bytes);

// decodeUtf8 in one pass that also checks the bytes: false (and *text
// unusable) when they are not valid UTF-8.
bool decodeIfUtf8(QByteArrayView bytes, QString* text);
// The same by a chosen way, so that tests reach each on any processor: the
// fastest the processor allows, sixteen bytes of ASCII at a time (SSE2), or
// the portable eight. Every way gives the same answer.
enum class Utf8Path { Fastest, AsciiBlocks, Portable };
bool decodeIfUtf8(QByteArrayView bytes, QString* text, Utf8Path path);

// Windows-1254, byte for byte.
QString decodeWindows1254(QByteArrayView bytes);

}  // namespace storage
