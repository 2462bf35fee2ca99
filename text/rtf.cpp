#include "text/rtf.h"
#include "text/rtf_reader.h"

namespace rtf {

namespace detail {

bool validRichText(QStringView content) {
    return content.startsWith(QLatin1StringView("{\\rtf")) && (content.size() == 5 || !isLetter(content[5].unicode()));
}

}  // namespace detail

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
