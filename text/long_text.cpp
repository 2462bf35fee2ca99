#include "text/long_text.h"

#include "text/rtf.h"

#include <QLocale>

namespace longtext {

QString cut(const QString& text, qsizetype max, bool partOnly) {
    if (text.size() <= max && !partOnly) return text;
    qsizetype end = std::min(max, text.size());
    if (end > 0 && end < text.size() && text.at(end - 1).isHighSurrogate()) --end;
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    return text.left(end) +
           QStringLiteral("…\r\n[Metin çok uzun: yalnızca başı (%1 karakter) gösteriliyor; metnin kendisi değişmedi.]")
               .arg(turkish.toString(qint64(end)));
}

QString plainBeginning(const QString& content) {
    const QString read = tooLong(content) ? content.left(kWindowChars) : content;
    return rtf::isRichText(read) ? rtf::plainText(read) : read;
}

}  // namespace longtext
