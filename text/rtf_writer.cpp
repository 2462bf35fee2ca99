// The writer: QTextDocument and plain text as RTF that our reader and other
// readers agree on.
#include "encoding/codepages.h"
#include "text/rtf.h"
#include "text/rtf_reader.h"

#include <QFont>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <vector>

namespace rtf {

namespace {

using detail::Align;
using detail::MaxHalfPoints;
using detail::Replacement;

void appendSigned16(QString& out, char16_t u) {
    out.append(QLatin1StringView("\\u"));
    out.append(QString::number(u > 0x7FFF ? int(u) - 0x10000 : int(u)));
    out.append(QLatin1Char('?'));
}

enum class TextIn : quint8 {
    Body,
    Symbol,     // body text in a font whose bytes the reader takes as Symbol's
    Wingdings,  // or as Wingdings'
    FontName,
};

// Text in code page 1254: ASCII as is, other 1254 characters as \'hh,
// everything else as \uN with '?' as the fallback for readers without Unicode.
void appendText(QString& out, QStringView text, bool& needDelimiter, TextIn in = TextIn::Body) {
    const bool symbolic = in == TextIn::Symbol || in == TextIn::Wingdings;
    const auto font = in == TextIn::Wingdings ? codepage::SymbolFont::Wingdings : codepage::SymbolFont::Symbol;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // In a symbol font a byte stands for the font's character: anything
        // else, a Latin "p" that would come back as a pi, goes as \uN.
        if (symbolic && c >= 0x20 && c != 0x2028 && c != 0x2029 && !QChar::isSurrogate(c) && c != 0xFDD0 && c != 0xFDD1 &&
            c != 0xFFFC && (c >= 0x7F || codepage::decodeSymbolByte(font, quint8(c)) != c)) {
            appendSigned16(out, c);
            needDelimiter = false;
            continue;
        }
        switch (c) {
            case '\\':
            case '{':
            case '}':
                out.append(QLatin1Char('\\'));
                out.append(QChar(c));
                needDelimiter = false;
                continue;
            case '\t':
                out.append(QLatin1StringView("\\tab"));
                needDelimiter = true;
                continue;
            case 0x2028:
                out.append(QLatin1StringView("\\line"));
                needDelimiter = true;
                continue;
            case 0x2029:
                out.append(QLatin1StringView("\\par\r\n"));
                needDelimiter = false;
                continue;
            case 0x2011:
                out.append(QLatin1StringView("\\_"));
                needDelimiter = false;
                continue;
            case ';':
                if (in == TextIn::FontName) continue;  // ends a font table entry
                break;
            case 0xFDD0:
            case 0xFDD1:
            case 0xFFFC:
                continue;
            default:
                break;
        }
        if (c < 0x20) continue;
        if (c < 0x7F) {
            if (needDelimiter) {
                out.append(QLatin1Char(' '));
                needDelimiter = false;
            }
            out.append(QChar(c));
            continue;
        }
        needDelimiter = false;
        const int b = codepage::encodeByte(codepage::Turkish, c);
        if (b >= 0) {
            static const char hex[] = "0123456789abcdef";
            out.append(QLatin1StringView("\\'"));
            out.append(QLatin1Char(hex[b >> 4]));
            out.append(QLatin1Char(hex[b & 0xF]));
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendSigned16(out, c);
            appendSigned16(out, text[++i].unicode());
        } else if (QChar::isSurrogate(c)) {
            appendSigned16(out, Replacement);
        } else {
            appendSigned16(out, c);
        }
    }
}

void appendWord(QString& out, QLatin1StringView word, bool& needDelimiter) {
    out.append(word);
    needDelimiter = true;
}

void appendWord(QString& out, QLatin1StringView word, int param, bool& needDelimiter) {
    out.append(word);
    out.append(QString::number(param));
    needDelimiter = true;
}

void appendHeader(QString& out, const QStringList& fonts, const std::vector<QRgb>& colors) {
    out.append(QLatin1StringView("{\\rtf1\\ansi\\ansicpg1254\\deff0\\deflang1055{\\fonttbl"));
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        out.append(QLatin1StringView("{\\f"));
        out.append(QString::number(i));
        out.append(QLatin1StringView("\\fnil\\fcharset162"));
        bool needDelimiter = true;
        appendText(out, fonts[i], needDelimiter, TextIn::FontName);
        out.append(QLatin1StringView(";}"));
    }
    out.append(QLatin1StringView("}\r\n{\\colortbl ;"));
    for (const QRgb rgb : colors) {
        out.append(QStringLiteral("\\red%1\\green%2\\blue%3;").arg(qRed(rgb)).arg(qGreen(rgb)).arg(qBlue(rgb)));
    }
    out.append(QLatin1StringView("}\r\n\\viewkind4\\uc1\\pard"));
}

// A fragment's text, with what the reader kept out of sight put back: hidden
// text as \v groups, and objects as their own RTF wherever their placeholder
// is still whole.
void appendFragment(QString& out, const QTextFragment& fragment, TextIn in, bool& needDelimiter) {
    const QTextCharFormat f = fragment.charFormat();
    const QString text = fragment.text();
    if (f.objectType() == detail::HiddenTextObject) {
        // Hidden text, or an object that was inside hidden text.
        const QString hidden = f.stringProperty(detail::HiddenTextProperty);
        const QString object = f.stringProperty(detail::ObjectRtfProperty);
        for (const QChar c : text) {
            if (c != QChar::ObjectReplacementCharacter || (hidden.isEmpty() && object.isEmpty())) continue;
            out.append(QLatin1StringView("{\\v"));
            needDelimiter = true;
            appendText(out, hidden, needDelimiter, in);
            out.append(object);
            out.append(QLatin1Char('}'));
            needDelimiter = false;
        }
        return;
    }
    const QString raw = f.stringProperty(detail::ObjectRtfProperty);
    const QString placeholder = f.stringProperty(detail::ObjectPlaceholderProperty);
    if (raw.isEmpty() || placeholder.isEmpty()) {
        appendText(out, text, needDelimiter, in);
        return;
    }
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(placeholder); at >= 0; at = text.indexOf(placeholder, from)) {
        appendText(out, QStringView(text).sliced(from, at - from), needDelimiter, in);
        out.append(raw);
        needDelimiter = false;
        from = at + placeholder.size();
    }
    appendText(out, QStringView(text).sliced(from), needDelimiter, in);
}

// How the reader will take the bytes of text in the font named family, as
// the header writes its name.
TextIn textIn(const QString& family) {
    QString written = family;
    written.removeIf(
        [](QChar c) { return c.unicode() < 0x20 || c == u';' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator; });
    const auto font = detail::symbolEncoding(written, 162);
    return !font ? TextIn::Body : *font == codepage::SymbolFont::Wingdings ? TextIn::Wingdings : TextIn::Symbol;
}

int halfPointsOf(qreal points) { return std::clamp(int(std::lround(points * 2)), 1, MaxHalfPoints); }

QString firstFamily(const QTextCharFormat& f) {
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first().trimmed();
}

QString defaultFamily(const QTextDocument& doc) {
    const QFont font = doc.defaultFont();
    QString family = font.families().isEmpty() ? font.family() : font.families().first();
    family = family.trimmed();
    return family.isEmpty() ? QStringLiteral("Tahoma") : family;
}

}  // namespace

QString toRtf(const QTextDocument& doc) {
    const QString baseFamily = defaultFamily(doc);
    const QFont baseFont = doc.defaultFont();
    const qreal basePoints = baseFont.pointSizeF() > 0 ? baseFont.pointSizeF() : 12;

    struct Props {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool scaps = false;
        int vertical = QTextCharFormat::AlignNormal;
        int font = 0;
        int halfPoints = 0;
        int color = 0;
    };
    QStringList fonts{baseFamily};
    std::vector<TextIn> textIns{textIn(baseFamily)};
    std::vector<QRgb> colors;
    auto propsOf = [&](const QTextCharFormat& f) {
        Props p;
        p.bold = f.fontWeight() >= QFont::DemiBold;
        p.italic = f.fontItalic();
        p.underline = f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline;
        p.scaps = f.fontCapitalization() == QFont::SmallCaps;
        p.vertical = f.verticalAlignment() == QTextCharFormat::AlignSuperScript ? QTextCharFormat::AlignSuperScript
                     : f.verticalAlignment() == QTextCharFormat::AlignSubScript ? QTextCharFormat::AlignSubScript
                                                                                : QTextCharFormat::AlignNormal;
        const QString family = firstFamily(f);
        if (!family.isEmpty()) {
            p.font = int(fonts.indexOf(family));
            if (p.font < 0) {
                p.font = int(fonts.size());
                fonts.append(family);
                textIns.push_back(textIn(family));
            }
        }
        p.halfPoints =
            halfPointsOf(f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0 ? f.fontPointSize() : basePoints);
        if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) {
            const QRgb rgb = f.foreground().color().rgb() | 0xFF000000u;
            auto it = std::find(colors.begin(), colors.end(), rgb);
            if (it == colors.end()) {
                colors.push_back(rgb);
                it = colors.end() - 1;
            }
            p.color = int(it - colors.begin()) + 1;
        }
        return p;
    };

    QString body;
    bool needDelimiter = true;
    Props cur;
    cur.halfPoints = -1;  // forces the first \fs
    cur.font = -1;        // and the first \f
    Align curAlign = Align::Left;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const Qt::Alignment a = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        const Align align = a & Qt::AlignHCenter   ? Align::Center
                            : a & Qt::AlignJustify ? Align::Justify
                            : a & Qt::AlignRight   ? Align::Right
                                                   : Align::Left;
        if (align != curAlign) {
            static const QLatin1StringView words[] = {QLatin1StringView("\\ql"), QLatin1StringView("\\qc"),
                                                      QLatin1StringView("\\qr"), QLatin1StringView("\\qj")};
            appendWord(body, words[int(align)], needDelimiter);
            curAlign = align;
        }
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const Props p = propsOf(fragment.charFormat());
            if (p.color != cur.color) appendWord(body, QLatin1StringView("\\cf"), p.color, needDelimiter);
            if (p.bold != cur.bold) appendWord(body, QLatin1StringView(p.bold ? "\\b" : "\\b0"), needDelimiter);
            if (p.italic != cur.italic) appendWord(body, QLatin1StringView(p.italic ? "\\i" : "\\i0"), needDelimiter);
            if (p.underline != cur.underline)
                appendWord(body, QLatin1StringView(p.underline ? "\\ul" : "\\ulnone"), needDelimiter);
            if (p.scaps != cur.scaps) appendWord(body, QLatin1StringView(p.scaps ? "\\scaps" : "\\scaps0"), needDelimiter);
            if (p.font != cur.font) appendWord(body, QLatin1StringView("\\f"), p.font, needDelimiter);
            if (p.halfPoints != cur.halfPoints) appendWord(body, QLatin1StringView("\\fs"), p.halfPoints, needDelimiter);
            if (p.vertical != cur.vertical) {
                appendWord(body,
                           QLatin1StringView(p.vertical == QTextCharFormat::AlignSuperScript ? "\\super"
                                             : p.vertical == QTextCharFormat::AlignSubScript ? "\\sub"
                                                                                             : "\\nosupersub"),
                           needDelimiter);
            }
            cur = p;
            appendFragment(body, fragment, textIns[size_t(p.font)], needDelimiter);
        }
        body.append(QLatin1StringView("\\par\r\n"));
        needDelimiter = false;
    }

    QString out;
    out.reserve(body.size() + 256);
    appendHeader(out, fonts, colors);
    out.append(body);
    out.append(QLatin1StringView("}\r\n"));
    return out;
}

QString plainTextToRtf(const QString& text, const QString& fontFace, qreal pointSize) {
    QString face = fontFace.trimmed();
    if (face.isEmpty()) face = QStringLiteral("Tahoma");
    QString out;
    out.reserve(text.size() + 256);
    appendHeader(out, {face}, {});
    bool needDelimiter = true;
    appendWord(out, QLatin1StringView("\\f"), 0, needDelimiter);
    appendWord(out, QLatin1StringView("\\fs"), halfPointsOf(pointSize > 0 ? pointSize : 10), needDelimiter);
    const QStringView view(text);
    const TextIn in = textIn(face);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= view.size(); ++i) {
        if (i < view.size() && view[i] != QLatin1Char('\r') && view[i] != QLatin1Char('\n')) continue;
        appendText(out, view.sliced(start, i - start), needDelimiter, in);
        if (i == view.size()) break;
        out.append(QLatin1StringView("\\par\r\n"));
        needDelimiter = false;
        if (view[i] == QLatin1Char('\r') && i + 1 < view.size() && view[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    out.append(QLatin1StringView("\\par\r\n}\r\n"));
    return out;
}

}  // namespace rtf
