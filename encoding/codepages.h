#pragma once

#include <QString>
#include <QStringView>

// Windows code pages for 8-bit text in rich-text documents. Qt here is built
// without ICU, so QStringDecoder knows none of them: single-byte pages come from
// our own tables, double-byte pages go through the C library's iconv.
namespace codepage {

// The page of Turkish Windows text, and the one our RTF writer declares.
inline constexpr int Turkish = 1254;
inline constexpr int Western = 1252;

// Pages of the old Macintosh system that RTF names with \mac or \ansicpg.
inline constexpr int MacRoman = 10000;
inline constexpr int MacTurkish = 10081;

// Single-byte pages with a table: 874, 1250-1258, the DOS pages 437, 850 and
// 857, the Macintosh pages 10000 (Roman), 10006, 10007, 10029, 10079 and 10081
// (Turkish).
bool isSingleByte(int codePage);
// 932 (Japanese), 936 (Simplified Chinese), 949 (Korean), 950 (Traditional Chinese).
bool isDoubleByte(int codePage);
// UTF-8, which a font's \cpg may name.
inline constexpr int Utf8 = 65001;
// Pages whose characters may take more than one byte: read a run at a time.
inline bool isMultiByte(int codePage) { return codePage == Utf8 || isDoubleByte(codePage); }
inline bool isSupported(int codePage) { return isSingleByte(codePage) || isMultiByte(codePage); }

// The code page of an RTF \fcharset value, or 0 when the charset names none
// (1 = "default", unknown values). Symbol (2) is read as 1252: its glyphs
// live in the font, not in Unicode.
int fromCharset(int charset);

// One byte of a single-byte page (or of 1252 when the page has no table).
// Undefined bytes give U+FFFD.
char16_t decodeByte(int codePage, unsigned char byte);

// Fonts that put characters of their own on the bytes: Symbol (Greek letters
// and mathematical signs) and Wingdings (check marks, boxes, arrows, hands).
enum class SymbolFont { Symbol, Wingdings };

// The character a byte stands for in such a font. Bytes without a standard
// character give U+FFFD, never a private-use character; control bytes stay.
char16_t decodeSymbolByte(SymbolFont font, unsigned char byte);

// A run of bytes. Double-byte pages are decoded as a whole so that lead and
// trail bytes pair up; bytes that form no character (a lone lead byte, an
// invalid pair) become U+FFFD, one per byte, so that nothing vanishes silently.
QString decode(int codePage, const unsigned char* bytes, qsizetype length);

// The byte of a single-byte page that stands for ch, or -1 when the page has
// none. ASCII maps to itself.
int encodeByte(int codePage, char16_t ch);

}  // namespace codepage
