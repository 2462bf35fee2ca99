#include "text/rtf.h"
#include "text/rtf_reader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace rtf {

namespace detail {

bool validRichText(QStringView content) {
    return content.startsWith(QLatin1StringView("{\\rtf")) && (content.size() == 5 || !isLetter(content[5].unicode()));
}

namespace {

inline bool isBlank(QChar c) { return c.isSpace() && c != u'\r' && c != u'\n'; }
inline bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

}  // namespace

QString closeGaps(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QChar(PlaceholderGap)) {
            out.append(c);
            continue;
        }
        const bool atEnd = i + 1 == text.size();
        const QChar right = atEnd ? QChar() : text[i + 1];
        if (right == QChar(PlaceholderGap)) continue;  // gaps in a row are one
        const bool lineStart = out.isEmpty() || isLineEnd(out.back());
        const bool lineEnd = atEnd || isLineEnd(right);
        const bool blankLeft = lineStart || isBlank(out.back());
        if (!lineStart && blankBeforeObject(out.back()) && !lineEnd && blankAfterObject(right))
            out.append(u' ');
        else if (blankLeft && !lineEnd && isBlank(right))
            ++i;
        else if (!lineStart && isBlank(out.back()) && (lineEnd || !blankAfterObject(right)))
            out.chop(1);  // before the end of the line or punctuation
    }
    return out;
}

}  // namespace detail

namespace {

// The document's text with each placeholder as a gap (not yet closed).
QString textWithGaps(const QTextDocument& doc) {
    QString out;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block != doc.begin()) out.append(QLatin1StringView("\r\n"));
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            if (f.objectType() == detail::HiddenTextObject) continue;
            QString text = fragment.text();
            // The reader's blanks around a placeholder go with it; what was typed there stays.
            if (f.boolProperty(detail::SeparatorProperty)) text.remove(u' ');
            const QString placeholder = f.stringProperty(detail::ObjectPlaceholderProperty);
            if (!placeholder.isEmpty()) text.replace(placeholder, QString(QChar(detail::PlaceholderGap)));
            for (const QChar c : std::as_const(text)) {
                switch (c.unicode()) {
                    case QChar::LineSeparator:
                        out.append(QLatin1StringView("\r\n"));
                        break;
                    case QChar::ObjectReplacementCharacter:
                        // A gap, or a picture pasted in: nothing of it is text.
                        if (c == QChar(detail::PlaceholderGap) && !placeholder.isEmpty()) out.append(c);
                        break;
                    case 0xFDD0:
                    case 0xFDD1:
                        break;
                    default:
                        out.append(c);
                }
            }
        }
    }
    return out;
}

}  // namespace

QString questionText(const QTextDocument& doc) { return detail::closeGaps(textWithGaps(doc)); }

void removePlaceholders(QTextDocument& doc) {
    struct Span {
        int position;
        int length;
    };
    std::vector<Span> spans;
    auto isSeparator = [&doc](int position) {
        const QTextBlock block = doc.findBlock(position);
        if (!block.isValid() || position < block.position() || position >= block.position() + block.length() - 1) return false;
        QTextCursor c(&doc);
        c.setPosition(position + 1);  // the format of the character before the cursor
        return c.charFormat().boolProperty(detail::SeparatorProperty) && doc.characterAt(position) == u' ';
    };
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString placeholder = fragment.charFormat().stringProperty(detail::ObjectPlaceholderProperty);
            if (placeholder.isEmpty()) continue;
            const QString text = fragment.text();
            for (qsizetype at = text.indexOf(placeholder); at >= 0; at = text.indexOf(placeholder, at + placeholder.size()))
                spans.push_back({fragment.position() + int(at), int(placeholder.size())});
        }
    }
    // From the end, so that the positions before stay right; each gap closes
    // as in the stored text.
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        int from = span->position;
        int to = span->position + span->length;
        if (isSeparator(to)) ++to;
        if (from > 0 && isSeparator(from - 1)) --from;
        QTextCursor c(&doc);
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        const QTextBlock block = c.block();
        const int inBlock = c.position() - block.position();
        const QString text = block.text();
        const bool lineStart = inBlock == 0 || text[inBlock - 1] == QChar::LineSeparator;
        const bool lineEnd = inBlock == text.size() || text[inBlock] == QChar::LineSeparator;
        auto blank = [](QChar ch) { return ch.isSpace() && ch != QChar::LineSeparator; };
        const bool blankLeft = lineStart || blank(text[inBlock - 1]);
        if (!lineStart && detail::blankBeforeObject(text[inBlock - 1]) && !lineEnd && detail::blankAfterObject(text[inBlock])) {
            c.insertText(QStringLiteral(" "));
        } else if (blankLeft && !lineEnd && blank(text[inBlock])) {
            c.deleteChar();
        } else if (!lineStart && blank(text[inBlock - 1]) && (lineEnd || !detail::blankAfterObject(text[inBlock]))) {
            c.deletePreviousChar();
        }
    }
}

QString plainText(const QTextDocument& doc) {
    const QString raw = doc.toRawText();
    QString out;
    out.reserve(raw.size() + raw.size() / 16);
    for (const QChar c : raw) {
        switch (c.unicode()) {
            case QChar::ParagraphSeparator:
            case QChar::LineSeparator:
                out.append(QLatin1StringView("\r\n"));
                break;
            case QChar::ObjectReplacementCharacter:  // hidden text, or an object we carry no text of
            case 0xFDD0:                             // frame markers
            case 0xFDD1:
                break;
            default:
                out.append(c);
        }
    }
    return out;
}

bool isRichText(const QString& content) { return content.startsWith(QLatin1StringView("{\\rtf")); }

bool isValidRichText(const QString& content) { return detail::validRichText(content); }

PlainTextCache::PlainTextCache(qsizetype maxChars) : cache_(maxChars) {}

QString PlainTextCache::plainText(const QString& content, Limit limit) {
    if (!isRichText(content)) return rtf::plainText(content, limit);  // plain content needs no work worth keeping
    Key key{content, limit};
    if (const QString* hit = cache_.object(key)) return *hit;
    QString text = rtf::plainText(content, limit);
    // Keys hold the content itself: a hash collision can never give another memo's text.
    const qsizetype cost = content.size() + text.size() + 1;
    if (cost <= cache_.maxCost()) cache_.insert(std::move(key), new QString(text), cost);
    return text;
}

size_t qHash(const PlainTextCache::Key& key, size_t seed) noexcept { return qHashMulti(seed, key.content, int(key.limit)); }

}  // namespace rtf
