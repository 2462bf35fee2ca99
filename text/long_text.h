#pragma once

#include <QString>

// Question texts of any length, as another program may store them, shown
// within bounds: laying out a text costs time and memory in proportion to
// its length (a 30 MB text froze a grid for most of a minute and took
// gigabytes), and no window shows more than some pages of a question. What
// is shown may be cut; the stored text never is.
namespace longtext {

// The most characters a grid cell or its hint shows: more than a cell or a
// hint window can show at once.
inline constexpr qsizetype kCellChars = 4'000;
// The most characters of a question's stored content that a window reads
// and lets the user edit; a longer one is shown cut and only read.
inline constexpr qsizetype kWindowChars = 1'000'000;
// The most characters a window shows of a content longer than kWindowChars.
inline constexpr qsizetype kPreviewChars = 100'000;

// Whether content is too long for a window to read and edit whole.
inline bool tooLong(const QString& content) { return content.size() > kWindowChars; }

// text itself when it has at most max characters, otherwise its first max
// characters (never half a surrogate pair) and a note that says so. With
// partOnly (text is only the beginning of what is stored) the note follows
// even a text that fits.
QString cut(const QString& text, qsizetype max, bool partOnly = false);

// A content's beginning as plain text, for showing: rich text decoded, of a
// content longer than kWindowChars only its first kWindowChars characters
// (the reader survives the cut).
QString plainBeginning(const QString& content);

}  // namespace longtext
