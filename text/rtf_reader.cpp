// The reader's tokenizer (groups, control symbols and words, skipped
// destinations) and its way out: bytes through the code page, \uN and
// surrogates, to the sink or to the table being read.
#include "text/rtf_reader.h"

#include <algorithm>

namespace rtf::detail {

namespace {

// Groups nested deeper than this are still read for their text, but they no
// longer get a state of their own: their formatting leaks into the enclosing
// group. No real document comes near it; it bounds memory on hostile input.
constexpr int MaxDepth = 256;

inline bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

inline int hexValue(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

void Reader::run() {
    stack_.reserve(16);
    stack_.push_back(State{});
    ++p_;  // the root group's '{'
    while (!done_ && p_ < end_) step();
    flushBytes();
    flushHighSurrogate();
    // A shape cut off before its end still shows, as a shape whose text we did not reach.
    if (!shapes_.empty() && std::none_of(shapes_.begin(), shapes_.end(), [](const ShapeFrame& f) { return f.hasText; }))
        emitObject(objectPlaceholder(Kw::Shape, {}), {}, stack_[size_t(shapes_.front().depth - 2)]);
    sink_.finish(stack_.back());
}

void Reader::step() {
    const char16_t c = *p_;
    switch (c) {
        case '{':
            ++p_;
            openGroup();
            return;
        case '}':
            ++p_;
            closeGroup();
            return;
        case '\\':
            control();
            return;
        case '\r':
        case '\n':
            ++p_;  // bare line ends are layout of the RTF source, not text
            return;
        default:
            break;
    }
    if (ucSkip_ > 0) {
        --ucSkip_;
        ++p_;
        return;
    }
    if (c < 0x80 && bytes_.empty()) {
        asciiRun();
    } else if (c <= 0xFF) {
        ++p_;
        byte(quint8(c));
    } else {
        ++p_;
        flushBytes();
        if (QChar::isHighSurrogate(c) && p_ < end_ && QChar::isLowSurrogate(*p_)) {
            const QChar pair[2] = {QChar(c), QChar(*p_)};
            ++p_;
            out(pair, 2);
        } else {
            unit(c);
        }
    }
}

// The common case: plain ASCII text between control words, passed on in one piece.
void Reader::asciiRun() {
    const char16_t* start = p_;
    while (p_ < end_) {
        const char16_t c = *p_;
        if (c < 0x20 || c >= 0x80 || c == '\\' || c == '{' || c == '}') break;
        ++p_;
    }
    if (p_ != start) {
        if (const auto font = symbolFont()) {
            QString mapped(p_ - start, Qt::Uninitialized);
            for (qsizetype i = 0; i < mapped.size(); ++i) mapped[i] = QChar(codepage::decodeSymbolByte(*font, quint8(start[i])));
            out(mapped.constData(), mapped.size());
        } else {
            out(reinterpret_cast<const QChar*>(start), p_ - start);
        }
        return;
    }
    // A control character: a TAB is a tab, the rest carry nothing.
    const char16_t c = *p_++;
    if (c == '\t') unit(c);
}

void Reader::openGroup() {
    flushBytes();
    ucSkip_ = 0;
    groupStart_ = p_;
    if (top().dest == Dest::Upr && !startsWithUd()) {
        skipGroupBody(false);
        return;
    }
    if (stack_.size() < MaxDepth) {
        const State copy = stack_.back();
        stack_.push_back(copy);
    } else {
        ++overflow_;
    }
}

void Reader::closeGroup() {
    flushBytes();
    ucSkip_ = 0;
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (stack_.size() == 1) {
        done_ = true;  // the root group is closed; anything after it is not part of the document
        return;
    }
    const qsizetype size = qsizetype(stack_.size());
    const bool fieldInstEnds = size == fieldInstDepth_;
    const bool shapeTextEnds = !shapes_.empty() && shapes_.back().textDepth == size;
    const bool shapeEnds = !shapes_.empty() && shapes_.back().depth == size;
    stack_.pop_back();
    if (symbolFieldDepth_ >= size) symbolFieldDepth_ = 0;
    if (fieldInstEnds) {
        fieldInstDepth_ = 0;
        fieldInstruction();
    }
    if (shapeTextEnds) {
        shapes_.back().textDepth = 0;
        softParagraph();
    }
    if (shapeEnds) {
        const ShapeFrame shape = shapes_.back();
        shapes_.pop_back();
        if (!shapes_.empty() && shape.hasText) shapes_.back().hasText = true;  // a box inside a group shape
        if (!shape.hasText && top().dest == Dest::Text) {
            const QStringView raw(shape.start, p_);
            emitObject(objectPlaceholder(Kw::Shape, raw), raw, top());
        }
    }
}

// True when the group just opened is "{\*\ud", the Unicode half of \upr.
bool Reader::startsWithUd() const {
    static constexpr char16_t ud[] = u"\\*\\ud";
    const qsizetype n = 5;
    if (end_ - p_ < n + 1) return false;
    return std::equal(ud, ud + n, p_) && !isLetter(p_[n]);
}

// Lexes a control word starting at the letter after the backslash. Returns
// false when the input ends before the word does (a truncated stream).
bool Reader::lexWord(const char16_t*& q, Word& w) const {
    w.letters = q;
    while (q < end_ && isLetter(*q)) ++q;
    w.count = q - w.letters;
    if (q >= end_) return false;
    bool negative = false;
    if (*q == '-') {
        if (q + 1 >= end_) return false;
        if (isDigit(q[1])) {
            negative = true;
            ++q;
        }
    }
    // Saturate: any string of digits is survivable, the value just stops growing.
    constexpr qint64 Cap = qint64(INT_MAX) + 1;
    qint64 value = 0;
    while (q < end_ && isDigit(*q)) {
        w.hasParam = true;
        if (value < Cap) value = std::min(Cap, value * 10 + (*q - '0'));
        ++q;
    }
    if (q >= end_) return false;
    if (*q == ' ') ++q;  // the delimiting space belongs to the word
    value = negative ? -value : value;
    w.param = int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
    return true;
}

void Reader::control() {
    const char16_t* q = p_ + 1;
    if (q >= end_) {
        done_ = true;
        return;
    }
    const char16_t c = *q;
    if (isLetter(c)) {
        Word w;
        if (!lexWord(q, w)) {
            done_ = true;
            return;
        }
        p_ = q;
        word(w);
        return;
    }
    if (c == '\'') {
        if (end_ - q < 3) {
            done_ = true;
            return;
        }
        const int hi = hexValue(q[1]);
        const int lo = hexValue(q[2]);
        if (hi < 0 || lo < 0) {
            p_ = q + 1;                  // a malformed escape: drop it, read on from what follows
            if (ucSkip_ > 0) --ucSkip_;  // as a \u fallback it stands for one character
            return;
        }
        p_ = q + 3;
        if (ucSkip_ > 0) {
            --ucSkip_;
            return;
        }
        byte(quint8(hi * 16 + lo));
        return;
    }
    p_ = q + 1;
    if (ucSkip_ > 0) {
        --ucSkip_;
        return;
    }
    switch (c) {
        case '{':
        case '}':
        case '\\':
            // Inside a double-byte run these may be trail bytes.
            if (!bytes_.empty() || symbolFont())
                byte(quint8(c));
            else
                unit(c);
            return;
        default:
            break;
    }
    flushBytes();
    switch (c) {
        case '\r':
        case '\n':
            paragraph();
            break;
        case '~':
            unit(0x00A0);
            break;
        case '-':
            unit(0x00AD);
            break;
        case '_':
            unit(0x2011);
            break;
        case '*':
            ignorableDestination();
            break;
        default:
            break;  // \| \: and unknown symbols carry no text
    }
}

void Reader::skipBinary(const Word& w) {
    const qsizetype n = w.hasParam ? std::max(0, w.param) : 0;
    p_ += std::min(n, qsizetype(end_ - p_));
}

// "{\*\word": a destination a reader may ignore unless it knows the word. We
// know two that carry text we want: a font's real family and \upr's Unicode half.
// A \* that does not open its group marks no destination ("{\cs15\*\cs15 text}"
// as some word processors write before linked text): it and the unknown word
// after it are dropped, the text stays.
void Reader::ignorableDestination() {
    if (depth() <= 1 || p_ - 2 != groupStart_) return;
    if (p_ < end_ && *p_ == '\\') {
        const char16_t* q = p_ + 1;
        Word w;
        if (q < end_ && isLetter(*q) && lexWord(q, w)) {
            const Keyword* k = findKeyword(w.letters, w.count);
            const Dest dest = top().dest;
            if (k && k->kw == Kw::Fname && dest == Dest::FontTable) return;
            if (k && k->kw == Kw::Ud && dest == Dest::Upr) return;
            // Read on: a field's instruction, a shape's insides, the
            // properties of a nested table row (with its row end).
            if (k && k->kw == Kw::Fldinst && dest == Dest::Text) return;
            if (k && k->kw == Kw::Shpinst && dest == Dest::Shape) return;
            if (k && k->kw == Kw::Nesttableprops && dest == Dest::Text) return;
            if (k && dest == Dest::Text && (k->kw == Kw::Picture || k->kw == Kw::Equation)) {
                p_ = q;
                objectGroup(k->kw, true);
                return;
            }
            if (k && dest == Dest::Text && k->kw == Kw::Shape) {
                p_ = q;
                shapeGroup(true);
                return;
            }
        }
    }
    skipDestination();
}

void Reader::skipDestination() {
    if (depth() <= 1) return;  // never throw away the whole document
    skipGroupBody(true);
}

// An object we cannot show: its whole group is skipped, and the sink gets a
// placeholder with the group's RTF, when the word opened the group (else
// there is no group of the object's own to keep).
void Reader::objectGroup(Kw kind, bool opensGroup) {
    if (depth() <= 1 || top().dest != Dest::Text) {
        skipDestination();
        return;
    }
    const char16_t* start = groupStart_ - 1;  // its '{'
    if (!skipGroupBody(true)) {
        emitObject(objectPlaceholder(kind, {}), {}, top());
        return;
    }
    const QStringView raw = opensGroup ? QStringView(start, p_) : QStringView();
    emitObject(objectPlaceholder(kind, raw), raw, top());
}

void Reader::emitObject(const QString& placeholder, QStringView raw, const State& st) {
    if (st.deleted) return;
    if (!st.chr.hidden) {
        flushCells();
        paraHasText_ = true;
    }
    sink_.object(placeholder, raw, st);
}

// A shape is read as it comes: its properties and the picture or drawing
// that stands in for it are skipped, the text of a text box (\shptxt) is
// text of its own paragraph where the shape stands. A shape without text
// shows as an object placeholder when its group ends.
void Reader::shapeGroup(bool opensGroup) {
    const bool inShape = top().dest == Dest::Shape;  // a shape of a group shape
    if (!opensGroup || depth() <= 1 || (top().dest != Dest::Text && !inShape) || overflow_ > 0 || stack_.size() < 2) {
        objectGroup(Kw::Shape, opensGroup);
        return;
    }
    shapes_.push_back(ShapeFrame{groupStart_ - 1, qsizetype(stack_.size())});
    top().dest = Dest::Shape;
}

// "SYMBOL 112 \f "Symbol"": a character by its number in a font, with an
// empty or stale result. Other fields show their result.
void Reader::fieldInstruction() {
    const QString inst = fieldInst_.simplified();
    fieldInst_.clear();
    static const QLatin1StringView symbol("SYMBOL ");
    if (!inst.startsWith(symbol, Qt::CaseInsensitive)) return;
    const QStringList parts = inst.mid(symbol.size()).split(u' ');
    bool ok = false;
    const QString number = parts.value(0);
    qint64 code = number.startsWith(QLatin1StringView("0x"), Qt::CaseInsensitive) ? number.mid(2).toLongLong(&ok, 16)
                                                                                  : number.toLongLong(&ok, 10);
    if (!ok || code <= 0 || code > 0x10FFFF) return;  // the result, if any, shows
    symbolFieldDepth_ = qsizetype(stack_.size());
    QString fontName;
    bool unicodeSwitch = false;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part.compare(QLatin1StringView("\\u"), Qt::CaseInsensitive) == 0) unicodeSwitch = true;
        if (part.compare(QLatin1StringView("\\f"), Qt::CaseInsensitive) != 0 || i + 1 == parts.size()) continue;
        // The name, quoted when it has blanks: "Symbol", \ldblquote Wingdings\rdblquote, or bare.
        QString name = parts[++i];
        static const QString quotes = QStringLiteral("\"\u201C\u201D");
        if (!name.isEmpty() && quotes.contains(name.front())) {
            while (!quotes.contains(name.back()) && i + 1 < parts.size()) name += u' ' + parts[++i];
            if (name.size() > 1 && quotes.contains(name.back())) name.chop(1);
            name.remove(0, 1);
        }
        fontName = name;
    }
    std::optional<codepage::SymbolFont> font = fontName.isEmpty() ? symbolFont() : symbolEncoding(fontName, -1);
    // The font's bytes, by number or as Unicode's private use U+F0xx; the
    // switch \u asks for the Unicode character of the number instead.
    const bool privateUse = code >= 0xF000 && code <= 0xF0FF;
    char16_t c = 0;
    if (font && (privateUse || (!unicodeSwitch && code < 0x100))) {
        c = codepage::decodeSymbolByte(*font, quint8(code & 0xFF));
    } else if (unicodeSwitch || code >= 0x100) {
        unicode(int(code));
        return;
    } else {
        c = codepage::decodeByte(codePage(), quint8(code));
    }
    unit(c);
}

// \chftn: the number of the footnote or endnote whose group follows. The
// note itself is not part of the question; its mark stays in the text.
void Reader::footnoteMark() {
    if (top().dest != Dest::Text) return;
    static constexpr char16_t footnote[] = u"\\footnote";
    static constexpr char16_t endnote[] = u"\\ftnalt";
    const qsizetype footnoteLength = 9, endnoteLength = 7;
    // The note group comes right after the mark, within its own formatting.
    const char16_t* const limit = p_ + std::min<qsizetype>(end_ - p_, 512);
    bool isEndnote = false;
    const char16_t* found = std::search(p_, limit, footnote, footnote + footnoteLength);
    if (found != limit && limit - found > footnoteLength && !isLetter(found[footnoteLength])) {
        const char16_t* after = found + footnoteLength;
        while (after < limit && *after == ' ') ++after;
        isEndnote = limit - after >= endnoteLength + 1 && std::equal(endnote, endnote + endnoteLength, after) &&
                    !isLetter(after[endnoteLength]);
    }
    QString mark;
    if (isEndnote && !endnotesArabic_) {
        static const char* const ones[] = {"", "i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix"};
        static const char* const tens[] = {"", "x", "xx", "xxx", "xl", "l", "lx", "lxx", "lxxx", "xc"};
        int n = ++endnotes_;
        mark = QString(qsizetype(n / 100), u'c');
        mark += QLatin1StringView(tens[(n / 10) % 10]);
        mark += QLatin1StringView(ones[n % 10]);
    } else {
        mark = QString::number(isEndnote ? ++endnotes_ : ++footnotes_);
    }
    out(mark.constData(), mark.size());
}

// Skips the rest of the current group without pushing states: braces are
// only counted, escapes and \bin data cannot end the group early. False when
// the input ended inside the group.
bool Reader::skipGroupBody(bool closeAtEnd) {
    qint64 nested = 0;
    while (p_ < end_) {
        const char16_t c = *p_++;
        if (c == '{') {
            ++nested;
        } else if (c == '}') {
            if (nested == 0) {
                if (closeAtEnd) closeGroup();
                return true;
            }
            --nested;
        } else if (c == '\\') {
            if (p_ >= end_) break;
            if (!isLetter(*p_)) {
                ++p_;
                continue;
            }
            Word w;
            if (!lexWord(p_, w)) break;
            if (w.count == 3 && std::equal(w.letters, w.letters + 3, u"bin")) skipBinary(w);
        }
    }
    done_ = true;  // the input ended inside the skipped group
    return false;
}

// --- output ----------------------------------------------------------------

// One byte of 8-bit text, raw or as \'hh. Double-byte pages collect a run
// first, so that lead and trail bytes pair up.
void Reader::byte(quint8 b) {
    const int cp = codePage();
    if (const auto font = symbolFont()) {  // Greek letters, signs, check marks: a font's own bytes
        flushBytes();
        unit(codepage::decodeSymbolByte(*font, b));
        return;
    }
    if (codepage::isMultiByte(cp)) {
        if (!bytes_.empty() && cp != bytesCodePage_) flushBytes();
        bytesCodePage_ = cp;
        bytes_.push_back(b);
        return;
    }
    flushBytes();
    unit(codepage::decodeByte(cp, b));
}

void Reader::flushBytes() {
    if (bytes_.empty()) return;
    const QString text = codepage::decode(bytesCodePage_, bytes_.data(), qsizetype(bytes_.size()));
    bytes_.clear();
    for (const QChar ch : text) unit(ch.unicode());
}

void Reader::unicode(int param) {
    qint64 u = param;
    if (u < 0) u += 65536;  // written as signed 16-bit
    if (u < 0 || u > 0x10FFFF) {
        unit(Replacement);
    } else if (u > 0xFFFF) {
        unit(QChar::highSurrogate(char32_t(u)));
        unit(QChar::lowSurrogate(char32_t(u)));
    } else {
        unit(char16_t(u));
    }
}

// One decoded UTF-16 unit. Surrogates pair up; control characters and
// characters that mean structure to QTextDocument are tamed here so that
// the plain text and the document always hold the same text.
void Reader::unit(char16_t u) {
    if (QChar::isHighSurrogate(u)) {
        flushHighSurrogate();
        highSurrogate_ = u;
        return;
    }
    if (QChar::isLowSurrogate(u)) {
        if (highSurrogate_) {
            const QChar pair[2] = {QChar(highSurrogate_), QChar(u)};
            highSurrogate_ = 0;
            out(pair, 2);
        } else {
            const QChar r(Replacement);
            out(&r, 1);
        }
        return;
    }
    if (u < 0x20 && u != '\t') return;
    switch (u) {
        case 0x2028:
            lineBreak();
            return;
        case 0x2029:
            paragraph();
            return;
        case 0xFDD0:  // QTextDocument's frame markers
        case 0xFDD1:
        case 0xFFFC:  // object replacement: we carry no objects
            return;
        case 0xF0B7:  // Symbol's bullet where a font maps its glyphs to U+F0xx,
            // however it came: \uN, raw, or decoded from a code page
            u = symbolFont() == codepage::SymbolFont::Wingdings
                    ? codepage::decodeSymbolByte(codepage::SymbolFont::Wingdings, 0xB7)
                    : char16_t(0x2022);
            break;
        default:
            // A symbol font's byte as private use U+F020-U+F0FF: its character.
            if (u >= 0xF020 && u <= 0xF0FF) {
                if (const auto font = symbolFont()) u = codepage::decodeSymbolByte(*font, quint8(u - 0xF000));
            }
            break;
    }
    const QChar ch(u);
    out(&ch, 1);
}

void Reader::flushHighSurrogate() {
    if (!highSurrogate_) return;
    highSurrogate_ = 0;
    const QChar r(Replacement);
    out(&r, 1);
}

void Reader::out(const QChar* s, qsizetype n) {
    flushHighSurrogate();
    State& st = stack_.back();
    switch (st.dest) {
        case Dest::Text: {
            if (st.deleted) return;
            if (!st.chr.hidden) {
                flushCells();
                paraHasText_ = true;
            }
            if (!st.caps) {
                sink_.text(s, n, st);
                return;
            }
            QString upper = QStringView(s, n).toString();
            constexpr int TurkishLanguage = 1055;
            if ((st.lang < 0 ? deflang_ : st.lang) == TurkishLanguage) upper.replace(u'i', u'\u0130');
            upper = upper.toUpper();
            sink_.text(upper.constData(), upper.size(), st);
            return;
        }
        case Dest::FieldInst:
            if (fieldInst_.size() < 256) fieldInst_.append(s, std::min(n, 256 - fieldInst_.size()));
            return;
        case Dest::Shape:
            return;
        case Dest::FontTable:
        case Dest::FontAltName:
            fontName(s, n, st.dest == Dest::FontAltName);
            return;
        case Dest::ColorTable:
            for (qsizetype i = 0; i < n; ++i) {
                if (s[i] == QLatin1Char(';')) endColor();
            }
            return;
        case Dest::Upr:
            return;
    }
}

void Reader::paragraph() {
    flushHighSurrogate();
    // A deleted paragraph mark joins the paragraphs around it.
    if (top().dest != Dest::Text || top().deleted) return;
    flushCells();
    paraHasText_ = false;
    sink_.paragraph(top());
}

void Reader::lineBreak() {
    flushHighSurrogate();
    if (top().dest != Dest::Text || top().deleted) return;
    flushCells();
    if (!top().chr.hidden) paraHasText_ = true;
    sink_.lineBreak(top());
}

// Ends the paragraph unless it is still empty: around a text box's text,
// so also where the group in force reads no text of its own.
void Reader::softParagraph() {
    if (!paraHasText_ || top().deleted) return;
    flushCells();
    paraHasText_ = false;
    State st = top();
    st.dest = Dest::Text;
    sink_.paragraph(st);
}

// The TABs between the cells that ended: written when the row goes on, not
// after its last cell.
void Reader::flushCells() {
    if (cellsPending_ == 0) return;
    const QString tabs(cellsPending_, u'\t');
    cellsPending_ = 0;
    sink_.text(tabs.constData(), tabs.size(), top());
}

}  // namespace rtf::detail
