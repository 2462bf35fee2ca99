#include "text/rtf.h"
#include "text/rtf_reader.h"

#include <QTextDocument>

namespace rtf {

namespace detail {

bool validRichText(QStringView content) {
    return content.startsWith(QLatin1StringView("{\\rtf")) && (content.size() == 5 || !isLetter(content[5].unicode()));
}

}  // namespace detail

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
