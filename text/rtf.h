#pragma once

#include <QCache>
#include <QString>

class QTextDocument;

// Rich text of question memos. A memo whose first five characters are "{\rtf"
// is RTF; anything else, and RTF that is not valid, is plain text. The reader
// never trusts its input: it survives any string (deep nesting, unbalanced
// braces, huge numbers, truncation) in time linear in the input.
namespace rtf {

// First five characters exactly "{\rtf".
bool isRichText(const QString& content);

// Rich text the reader accepts: "{\rtf" whose control word is exactly "rtf"
// (with an optional number), so "{\rtfoo" stays plain text.
bool isValidRichText(const QString& content);

enum class Limit {
    Full,
    // Grids without "load all" read only the first two 4,096-byte blocks of the
    // stored content. Memos were 8-bit text, so one character counts as one byte.
    Partial,
};
inline constexpr qsizetype PartialLength = 2 * 4096;

// The memo as plain text: RTF decoded, paragraphs separated by CR LF (a \line
// too), tabs as TAB. Plain content comes back as it is (cut for Partial).
QString plainText(const QString& content, Limit limit = Limit::Full);

// The text doc shows, as plainText gives it for the memo the document was
// read from: paragraphs and line breaks as CR LF, hidden text left out,
// objects as their placeholders.
QString plainText(const QTextDocument& doc);

// The text a question keeps of the memo or of the document read from it:
// what plainText gives, but without the placeholders shown for objects (a
// picture, a shape, an equation): nothing enters the stored text that the
// teacher did not type. Where a placeholder stood between two words one
// blank stays, so the words do not run together.
QString questionText(const QString& content);
QString questionText(const QTextDocument& doc);

// Takes the placeholders out of a document read by readDocument, closing
// the gaps as questionText does: for printing, where an object we cannot
// draw leaves no text behind.
void removePlaceholders(QTextDocument& doc);

// Replaces doc's content with the memo: paragraphs, alignment, bold, italic,
// underline, superscript and subscript, font face and size, colour. Hidden
// text is kept out of sight, objects without text we can show ("[resim]",
// "[denklem]") as placeholders; toRtf writes both back. The document sees
// one change that replaces all of it, which a layout lays out lazily.
// Returns true when it was read as RTF, false when it went in as plain text.
bool readDocument(QTextDocument& doc, const QString& content, Limit limit = Limit::Full);

// RTF of doc that our reader, the Windows rich-edit control and common word
// processors read: code page 1254, Turkish letters as \'hh, other characters as
// \uN with a fallback, one \par per paragraph.
QString toRtf(const QTextDocument& doc);

// Plain text (paragraphs separated by CR LF, LF or CR) as RTF in one font.
QString plainTextToRtf(const QString& text, const QString& fontFace = QStringLiteral("Tahoma"), qreal pointSize = 10);

// Plain text of memos for grids that ask on every repaint. A bounded LRU keyed
// by the content itself (and the limit): a hit costs a hash of the content and
// one comparison, no parsing. Not thread-safe; give each thread its own cache.
class PlainTextCache {
public:
    // maxChars bounds the characters held: contents plus their texts.
    explicit PlainTextCache(qsizetype maxChars = 4 * 1024 * 1024);

    QString plainText(const QString& content, Limit limit = Limit::Full);

    void clear() { cache_.clear(); }
    qsizetype count() const { return cache_.count(); }
    qsizetype totalChars() const { return cache_.totalCost(); }
    qsizetype maxChars() const { return cache_.maxCost(); }

    struct Key {
        QString content;
        Limit limit;
        friend bool operator==(const Key&, const Key&) = default;
    };

private:
    QCache<Key, QString> cache_;
};

size_t qHash(const PlainTextCache::Key& key, size_t seed = 0) noexcept;

}  // namespace rtf
