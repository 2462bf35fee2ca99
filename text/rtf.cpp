#include "text/rtf.h"

#include "text/codepages.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <string_view>
#include <vector>

namespace rtf {

namespace {

// Groups nested deeper than this are still read for their text, but they no
// longer get a state of their own: their formatting leaks into the enclosing
// group. No real document comes near it; it bounds memory on hostile input.
constexpr int MaxDepth = 256;
constexpr int MaxWordLetters = 32;
constexpr int DefaultHalfPoints = 24;
constexpr int MaxHalfPoints = 3276;
constexpr char16_t Replacement = 0xFFFD;

enum class Align : quint8 { Left, Center, Right, Justify };

enum class Dest : quint8 {
    Text,         // visible text
    FontTable,    // {\fonttbl{\f0\fcharset162 Name;}...}
    FontAltName,  // {\*\fname Real family;} inside a font entry
    ColorTable,   // {\colortbl ;\red255\green0\blue0;}
    Upr,          // {\upr{ANSI text}{\*\ud{Unicode text}}}: only the \ud part is read
};

struct CharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int font = -1;  // -1: the default font (\deff)
    int halfPoints = DefaultHalfPoints;
    int color = 0;  // 0: automatic
    bool operator==(const CharProps&) const = default;
};

struct State {
    CharProps chr;
    Align align = Align::Left;
    Dest dest = Dest::Text;
    int uc = 1;  // fallback characters after \uN; scoped to the group
};

struct Font {
    int number = 0;
    int charset = -1;
    int cpg = 0;
    QString name;
    QString altName;
    bool nameDone = false;
    bool altDone = false;
};

enum class Kw : quint8 {
    Unknown,
    Skip,  // a destination without visible text
    Char,  // a word that stands for one character
    Ansicpg,
    Deff,
    Fonttbl,
    Colortbl,
    F,
    Fcharset,
    Cpg,
    Fname,
    Red,
    Green,
    Blue,
    Par,
    Line,
    Tab,
    B,
    I,
    Ul,
    UlNone,
    Fs,
    Cf,
    Ql,
    Qc,
    Qr,
    Qj,
    Pard,
    Plain,
    U,
    Uc,
    Bin,
    Upr,
    Ud,
};

struct Keyword {
    std::string_view name;
    Kw kw;
    char16_t ch = 0;
};

// Sorted by name (checked below) for a binary search.
constexpr Keyword Keywords[] = {
    {"annotation", Kw::Skip},
    {"ansicpg", Kw::Ansicpg},
    {"atnauthor", Kw::Skip},
    {"atnid", Kw::Skip},
    {"b", Kw::B},
    {"bin", Kw::Bin},
    {"bkmkend", Kw::Skip},
    {"bkmkstart", Kw::Skip},
    {"blue", Kw::Blue},
    {"bullet", Kw::Char, 0x2022},
    {"cell", Kw::Tab},
    {"cf", Kw::Cf},
    {"colortbl", Kw::Colortbl},
    {"cpg", Kw::Cpg},
    {"datastore", Kw::Skip},
    {"deff", Kw::Deff},
    {"emdash", Kw::Char, 0x2014},
    {"emspace", Kw::Char, 0x2003},
    {"endash", Kw::Char, 0x2013},
    {"enspace", Kw::Char, 0x2002},
    {"f", Kw::F},
    {"fcharset", Kw::Fcharset},
    {"filetbl", Kw::Skip},
    {"fldinst", Kw::Skip},
    {"fname", Kw::Fname},
    {"fonttbl", Kw::Fonttbl},
    {"footer", Kw::Skip},
    {"footerf", Kw::Skip},
    {"footerl", Kw::Skip},
    {"footerr", Kw::Skip},
    {"footnote", Kw::Skip},
    {"fs", Kw::Fs},
    {"generator", Kw::Skip},
    {"green", Kw::Green},
    {"header", Kw::Skip},
    {"headerf", Kw::Skip},
    {"headerl", Kw::Skip},
    {"headerr", Kw::Skip},
    {"i", Kw::I},
    {"info", Kw::Skip},
    {"latentstyles", Kw::Skip},
    {"ldblquote", Kw::Char, 0x201C},
    {"line", Kw::Line},
    {"listoverridetable", Kw::Skip},
    {"listtable", Kw::Skip},
    {"lquote", Kw::Char, 0x2018},
    {"nonshppict", Kw::Skip},
    {"objdata", Kw::Skip},
    {"object", Kw::Skip},
    {"page", Kw::Par},
    {"par", Kw::Par},
    {"pard", Kw::Pard},
    {"pict", Kw::Skip},
    {"plain", Kw::Plain},
    {"pntext", Kw::Skip},
    {"pntxta", Kw::Skip},
    {"pntxtb", Kw::Skip},
    {"qc", Kw::Qc},
    {"qj", Kw::Qj},
    {"ql", Kw::Ql},
    {"qmspace", Kw::Char, 0x2005},
    {"qr", Kw::Qr},
    {"rdblquote", Kw::Char, 0x201D},
    {"red", Kw::Red},
    {"revtbl", Kw::Skip},
    {"row", Kw::Par},
    {"rquote", Kw::Char, 0x2019},
    {"rsidtbl", Kw::Skip},
    {"sect", Kw::Par},
    {"stylesheet", Kw::Skip},
    {"tab", Kw::Tab},
    {"themedata", Kw::Skip},
    {"u", Kw::U},
    {"uc", Kw::Uc},
    {"ud", Kw::Ud},
    {"ul", Kw::Ul},
    {"uld", Kw::Ul},
    {"uldash", Kw::Ul},
    {"uldashd", Kw::Ul},
    {"uldashdd", Kw::Ul},
    {"uldb", Kw::Ul},
    {"ulhwave", Kw::Ul},
    {"ulldash", Kw::Ul},
    {"ulnone", Kw::UlNone},
    {"ulth", Kw::Ul},
    {"ulthd", Kw::Ul},
    {"ulthdash", Kw::Ul},
    {"ulthdashd", Kw::Ul},
    {"ulthdashdd", Kw::Ul},
    {"ulthldash", Kw::Ul},
    {"ululdbwave", Kw::Ul},
    {"ulw", Kw::Ul},
    {"ulwave", Kw::Ul},
    {"upr", Kw::Upr},
    {"xmlnstbl", Kw::Skip},
    {"zwj", Kw::Char, 0x200D},
    {"zwnj", Kw::Char, 0x200C},
};

static_assert(std::is_sorted(std::begin(Keywords), std::end(Keywords),
                             [](const Keyword& a, const Keyword& b) { return a.name < b.name; }));

const Keyword* findKeyword(const char16_t* letters, qsizetype count) {
    if (count > MaxWordLetters) return nullptr;
    char buf[MaxWordLetters];
    for (qsizetype i = 0; i < count; ++i) buf[i] = char(letters[i]);
    const std::string_view name(buf, size_t(count));
    const auto it = std::lower_bound(std::begin(Keywords), std::end(Keywords), name,
                                     [](const Keyword& k, std::string_view n) { return k.name < n; });
    return it != std::end(Keywords) && it->name == name ? it : nullptr;
}

inline bool isLetter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool isDigit(char16_t c) { return c >= '0' && c <= '9'; }

inline int hexValue(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Windows adds a script suffix to a face name for the charset it stands for
// ("Arial TUR"); the family itself is the name without it.
QString familyFromFaceName(QString name) {
    name = name.trimmed();
    static const QLatin1StringView suffixes[] = {
        QLatin1StringView(" TUR"),   QLatin1StringView(" CE"),     QLatin1StringView(" Cyr"),
        QLatin1StringView(" Greek"), QLatin1StringView(" Baltic"),
    };
    for (const QLatin1StringView& suffix : suffixes) {
        if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive)) {
            name.chop(suffix.size());
            break;
        }
    }
    return name.trimmed();
}

class Reader;

// Receives the visible text; formatting comes with each piece.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void text(const QChar* s, qsizetype n, const State& st) = 0;
    virtual void lineBreak(const State& st) = 0;
    virtual void paragraph(const State& st) = 0;
    virtual void finish(const State& st) = 0;
};

// A single pass over the input with an explicit group stack: no recursion, no
// look-behind, every loop advances the position. A QString goes in as it comes
// from the database: characters up to U+00FF are the bytes of the RTF stream,
// anything above is already Unicode and passes through as itself.
class Reader {
public:
    Reader(QStringView input, Sink& sink) : p_(input.utf16()), end_(input.utf16() + input.size()), sink_(sink) {}

    void run() {
        stack_.reserve(16);
        stack_.push_back(State{});
        ++p_;  // the root group's '{'
        while (!done_ && p_ < end_) step();
        flushBytes();
        flushHighSurrogate();
        sink_.finish(stack_.back());
    }

    QString family(int fontNumber) const {
        const Font* font = findFont(fontNumber < 0 ? deff_ : fontNumber);
        if (!font && fontNumber >= 0) font = findFont(deff_);
        if (!font) return {};
        const QString alt = font->altName.trimmed();
        return alt.isEmpty() ? familyFromFaceName(font->name) : alt;
    }

    std::optional<QRgb> color(int index) const {
        if (index <= 0 || index >= qsizetype(colors_.size())) return std::nullopt;
        return colors_[size_t(index)];
    }

private:
    State& top() { return stack_.back(); }
    qsizetype depth() const { return qsizetype(stack_.size()) + overflow_; }

    void step() {
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
    void asciiRun() {
        const char16_t* start = p_;
        while (p_ < end_) {
            const char16_t c = *p_;
            if (c < 0x20 || c >= 0x80 || c == '\\' || c == '{' || c == '}') break;
            ++p_;
        }
        if (p_ != start) {
            out(reinterpret_cast<const QChar*>(start), p_ - start);
            return;
        }
        // A control character: a TAB is a tab, the rest carry nothing.
        const char16_t c = *p_++;
        if (c == '\t') unit(c);
    }

    void openGroup() {
        flushBytes();
        ucSkip_ = 0;
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

    void closeGroup() {
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
        stack_.pop_back();
    }

    // True when the group just opened is "{\*\ud", the Unicode half of \upr.
    bool startsWithUd() const {
        static constexpr char16_t ud[] = u"\\*\\ud";
        const qsizetype n = 5;
        if (end_ - p_ < n + 1) return false;
        return std::equal(ud, ud + n, p_) && !isLetter(p_[n]);
    }

    struct Word {
        const char16_t* letters = nullptr;
        qsizetype count = 0;
        bool hasParam = false;
        int param = 0;
    };

    // Lexes a control word starting at the letter after the backslash. Returns
    // false when the input ends before the word does (a truncated stream).
    bool lexWord(const char16_t*& q, Word& w) const {
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

    void control() {
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
                p_ = q + 1;  // a malformed escape: drop it, read on from what follows
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
                if (!bytes_.empty())
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

    void word(const Word& w) {
        const Keyword* k = findKeyword(w.letters, w.count);
        const Kw kw = k ? k->kw : Kw::Unknown;
        if (ucSkip_ > 0) {
            --ucSkip_;  // a fallback may be any control word; \bin with its data counts as one
            if (kw == Kw::Bin) skipBinary(w);
            return;
        }
        flushBytes();
        State& st = top();
        const bool on = !w.hasParam || w.param != 0;
        switch (kw) {
            case Kw::Unknown:
                break;
            case Kw::Skip:
                skipDestination();
                break;
            case Kw::Char:
                unit(k->ch);
                break;
            case Kw::Ansicpg:
                ansicpg_ = w.param;
                ++fontsVersion_;
                break;
            case Kw::Deff:
                deff_ = w.param;
                ++fontsVersion_;
                break;
            case Kw::Fonttbl:
                if (depth() > 1) {
                    st.dest = Dest::FontTable;
                    curFont_ = -1;
                }
                break;
            case Kw::Colortbl:
                if (depth() > 1) {
                    st.dest = Dest::ColorTable;
                    resetColorComponents();
                }
                break;
            case Kw::F:
                if (st.dest == Dest::FontTable || st.dest == Dest::FontAltName)
                    selectFontEntry(w.param);
                else
                    st.chr.font = std::max(0, w.param);
                break;
            case Kw::Fcharset:
                if (curFont_ >= 0 && st.dest == Dest::FontTable) {
                    fonts_[size_t(curFont_)].charset = w.param;
                    ++fontsVersion_;
                }
                break;
            case Kw::Cpg:
                if (curFont_ >= 0 && st.dest == Dest::FontTable) {
                    fonts_[size_t(curFont_)].cpg = w.param;
                    ++fontsVersion_;
                }
                break;
            case Kw::Fname:
                if (st.dest == Dest::FontTable) st.dest = Dest::FontAltName;
                break;
            case Kw::Red:
            case Kw::Green:
            case Kw::Blue:
                if (st.dest == Dest::ColorTable) {
                    const int v = std::clamp(w.param, 0, 255);
                    (kw == Kw::Red ? red_ : kw == Kw::Green ? green_ : blue_) = v;
                    colorGiven_ = true;
                }
                break;
            case Kw::Par:
                paragraph();
                break;
            case Kw::Line:
                lineBreak();
                break;
            case Kw::Tab:
                unit('\t');
                break;
            case Kw::B:
                st.chr.bold = on;
                break;
            case Kw::I:
                st.chr.italic = on;
                break;
            case Kw::Ul:
                st.chr.underline = on;
                break;
            case Kw::UlNone:
                st.chr.underline = false;
                break;
            case Kw::Fs:
                st.chr.halfPoints = w.hasParam && w.param > 0 ? std::min(w.param, MaxHalfPoints) : DefaultHalfPoints;
                break;
            case Kw::Cf:
                st.chr.color = std::max(0, w.param);
                break;
            case Kw::Ql:
                st.align = Align::Left;
                break;
            case Kw::Qc:
                st.align = Align::Center;
                break;
            case Kw::Qr:
                st.align = Align::Right;
                break;
            case Kw::Qj:
                st.align = Align::Justify;
                break;
            case Kw::Pard:
                st.align = Align::Left;
                break;
            case Kw::Plain:
                st.chr = CharProps{};
                break;
            case Kw::U:
                unicode(w.param);
                ucSkip_ = top().uc;
                break;
            case Kw::Uc:
                st.uc = std::max(0, w.param);
                break;
            case Kw::Bin:
                skipBinary(w);
                break;
            case Kw::Upr:
                if (depth() > 1) st.dest = Dest::Upr;
                break;
            case Kw::Ud:
                if (st.dest == Dest::Upr) st.dest = Dest::Text;
                break;
        }
    }

    void skipBinary(const Word& w) {
        const qsizetype n = w.hasParam ? std::max(0, w.param) : 0;
        p_ += std::min(n, qsizetype(end_ - p_));
    }

    void unicode(int param) {
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

    // "{\*\word": a destination a reader may ignore unless it knows the word. We
    // know two that carry text we want: a font's real family and \upr's Unicode half.
    void ignorableDestination() {
        if (depth() <= 1) return;
        if (p_ < end_ && *p_ == '\\') {
            const char16_t* q = p_ + 1;
            Word w;
            if (q < end_ && isLetter(*q) && lexWord(q, w)) {
                const Keyword* k = findKeyword(w.letters, w.count);
                const Dest dest = top().dest;
                if (k && k->kw == Kw::Fname && dest == Dest::FontTable) return;
                if (k && k->kw == Kw::Ud && dest == Dest::Upr) return;
            }
        }
        skipDestination();
    }

    void skipDestination() {
        if (depth() <= 1) return;  // never throw away the whole document
        skipGroupBody(true);
    }

    // Skips the rest of the current group without pushing states: braces are
    // only counted, escapes and \bin data cannot end the group early.
    void skipGroupBody(bool closeAtEnd) {
        qint64 nested = 0;
        while (p_ < end_) {
            const char16_t c = *p_++;
            if (c == '{') {
                ++nested;
            } else if (c == '}') {
                if (nested == 0) {
                    if (closeAtEnd) closeGroup();
                    return;
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
    }

    // --- code pages --------------------------------------------------------

    const Font* findFont(int number) const {
        const auto it = fontIndex_.constFind(number);
        return it == fontIndex_.cend() ? nullptr : &fonts_[size_t(*it)];
    }

    static int fontCodePage(const Font* font) {
        if (!font) return 0;
        if (codepage::isSupported(font->cpg)) return font->cpg;
        return font->charset >= 0 ? codepage::fromCharset(font->charset) : 0;
    }

    int documentCodePage() const {
        if (const int cp = fontCodePage(findFont(deff_))) return cp;
        return codepage::isSupported(ansicpg_) ? ansicpg_ : codepage::Western;
    }

    // The current font's code page, else the default font's, else \ansicpg, else 1252.
    int codePage() {
        const State& st = stack_.back();
        if (st.dest == Dest::FontTable || st.dest == Dest::FontAltName) {
            if (curFont_ >= 0) {
                if (const int cp = fontCodePage(&fonts_[size_t(curFont_)])) return cp;
            }
            return documentCodePage();
        }
        if (st.chr.font == cpCacheFont_ && fontsVersion_ == cpCacheVersion_) return cpCache_;
        int cp = st.chr.font >= 0 ? fontCodePage(findFont(st.chr.font)) : 0;
        if (!cp) cp = documentCodePage();
        cpCacheFont_ = st.chr.font;
        cpCacheVersion_ = fontsVersion_;
        cpCache_ = cp;
        return cp;
    }

    // One byte of 8-bit text, raw or as \'hh. Double-byte pages collect a run
    // first, so that lead and trail bytes pair up.
    void byte(quint8 b) {
        const int cp = codePage();
        if (codepage::isDoubleByte(cp)) {
            if (!bytes_.empty() && cp != bytesCodePage_) flushBytes();
            bytesCodePage_ = cp;
            bytes_.push_back(b);
            return;
        }
        flushBytes();
        unit(codepage::decodeByte(cp, b));
    }

    void flushBytes() {
        if (bytes_.empty()) return;
        const QString text = codepage::decode(bytesCodePage_, bytes_.data(), qsizetype(bytes_.size()));
        bytes_.clear();
        for (const QChar ch : text) unit(ch.unicode());
    }

    // --- output ------------------------------------------------------------

    // One decoded UTF-16 unit. Surrogates pair up; control characters and
    // characters that mean structure to QTextDocument are tamed here so that
    // the plain text and the document always hold the same text.
    void unit(char16_t u) {
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
            default:
                break;
        }
        const QChar ch(u);
        out(&ch, 1);
    }

    void flushHighSurrogate() {
        if (!highSurrogate_) return;
        highSurrogate_ = 0;
        const QChar r(Replacement);
        out(&r, 1);
    }

    void out(const QChar* s, qsizetype n) {
        flushHighSurrogate();
        State& st = stack_.back();
        switch (st.dest) {
            case Dest::Text:
                sink_.text(s, n, st);
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

    void paragraph() {
        flushHighSurrogate();
        if (top().dest == Dest::Text) sink_.paragraph(top());
    }

    void lineBreak() {
        flushHighSurrogate();
        if (top().dest == Dest::Text) sink_.lineBreak(top());
    }

    // --- font and colour tables --------------------------------------------

    void selectFontEntry(int number) {
        const auto it = fontIndex_.constFind(number);
        if (it != fontIndex_.cend()) {
            curFont_ = *it;
            return;
        }
        curFont_ = int(fonts_.size());
        Font font;
        font.number = number;
        fonts_.push_back(font);
        fontIndex_.insert(number, curFont_);
        ++fontsVersion_;
    }

    void fontName(const QChar* s, qsizetype n, bool alt) {
        if (curFont_ < 0) return;
        Font& font = fonts_[size_t(curFont_)];
        bool& done = alt ? font.altDone : font.nameDone;
        QString& name = alt ? font.altName : font.name;
        for (qsizetype i = 0; i < n && !done; ++i) {
            if (s[i] == QLatin1Char(';'))
                done = true;
            else if (s[i].unicode() >= 0x20)
                name.append(s[i]);
        }
    }

    void resetColorComponents() {
        red_ = green_ = blue_ = 0;
        colorGiven_ = false;
    }

    void endColor() {
        colors_.push_back(colorGiven_ ? std::optional<QRgb>(qRgb(red_, green_, blue_)) : std::nullopt);
        resetColorComponents();
    }

    const char16_t* p_;
    const char16_t* const end_;
    Sink& sink_;
    bool done_ = false;

    std::vector<State> stack_;
    qsizetype overflow_ = 0;  // groups opened beyond MaxDepth
    int ucSkip_ = 0;          // fallback characters still to skip after \uN
    char16_t highSurrogate_ = 0;

    std::vector<quint8> bytes_;  // a double-byte run being collected
    int bytesCodePage_ = 0;

    int ansicpg_ = 0;
    int deff_ = 0;
    std::vector<Font> fonts_;
    QHash<int, int> fontIndex_;  // \f number -> index into fonts_
    int curFont_ = -1;           // the font table entry being read
    quint32 fontsVersion_ = 1;
    int cpCacheFont_ = INT_MIN;
    quint32 cpCacheVersion_ = 0;
    int cpCache_ = codepage::Western;

    std::vector<std::optional<QRgb>> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;
};

// --- sinks -------------------------------------------------------------------

// A paragraph mark is written out only when something follows it: the \par
// that closes the last paragraph of every document does not add an empty one.
class PlainSink final : public Sink {
public:
    explicit PlainSink(qsizetype expected) { out_.reserve(expected); }

    void text(const QChar* s, qsizetype n, const State&) override {
        breakIfPending();
        out_.append(s, n);
    }
    void lineBreak(const State&) override {
        breakIfPending();
        out_.append(QLatin1StringView("\r\n"));
    }
    void paragraph(const State&) override {
        breakIfPending();
        pending_ = true;
    }
    void finish(const State&) override {}

    QString take() { return std::move(out_); }

private:
    void breakIfPending() {
        if (pending_) {
            out_.append(QLatin1StringView("\r\n"));
            pending_ = false;
        }
    }

    QString out_;
    bool pending_ = false;
};

class DocumentSink final : public Sink {
public:
    explicit DocumentSink(QTextDocument& doc) : cursor_(&doc) {}

    void setReader(const Reader* reader) { reader_ = reader; }

    void text(const QChar* s, qsizetype n, const State& st) override {
        breakIfPending();
        if (!run_.isEmpty() && !(st.chr == runProps_)) flushRun();
        runProps_ = st.chr;
        run_.append(s, n);
    }
    void lineBreak(const State& st) override {
        const QChar sep(QChar::LineSeparator);
        text(&sep, 1, st);
    }
    void paragraph(const State& st) override {
        breakIfPending();
        flushRun();
        cursor_.setBlockFormat(blockFormat(st.align));
        pending_ = true;
    }
    void finish(const State& st) override {
        flushRun();
        if (!pending_) cursor_.setBlockFormat(blockFormat(st.align));
    }

private:
    void breakIfPending() {
        if (pending_) {
            flushRun();
            cursor_.insertBlock();
            pending_ = false;
        }
    }

    void flushRun() {
        if (run_.isEmpty()) return;
        if (!formatValid_ || !(formatProps_ == runProps_)) {
            format_ = charFormat(runProps_);
            formatProps_ = runProps_;
            formatValid_ = true;
        }
        cursor_.insertText(run_, format_);
        run_.clear();
    }

    QTextCharFormat charFormat(const CharProps& p) const {
        QTextCharFormat f;
        const QString family = reader_->family(p.font);
        if (!family.isEmpty()) f.setFontFamilies({family});
        f.setFontPointSize(p.halfPoints / 2.0);
        f.setFontWeight(p.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(p.italic);
        f.setFontUnderline(p.underline);
        if (const auto rgb = reader_->color(p.color)) f.setForeground(QColor::fromRgb(*rgb));
        return f;
    }

    static QTextBlockFormat blockFormat(Align align) {
        QTextBlockFormat f;
        switch (align) {
            case Align::Left:
                f.setAlignment(Qt::AlignLeft);
                break;
            case Align::Center:
                f.setAlignment(Qt::AlignHCenter);
                break;
            case Align::Right:
                f.setAlignment(Qt::AlignRight);
                break;
            case Align::Justify:
                f.setAlignment(Qt::AlignJustify);
                break;
        }
        return f;
    }

    QTextCursor cursor_;
    const Reader* reader_ = nullptr;
    QString run_;
    CharProps runProps_;
    CharProps formatProps_;
    QTextCharFormat format_;
    bool formatValid_ = false;
    bool pending_ = false;
};

QStringView limited(const QString& content, Limit limit) {
    QStringView view(content);
    if (limit == Limit::Partial && view.size() > PartialLength) {
        view = view.first(PartialLength);
        if (view.back().isHighSurrogate()) view.chop(1);  // do not leave half a character
    }
    return view;
}

bool validRichText(QStringView content) {
    return content.startsWith(QLatin1StringView("{\\rtf")) && (content.size() == 5 || !isLetter(content[5].unicode()));
}

// --- writer ------------------------------------------------------------------

void appendSigned16(QString& out, char16_t u) {
    out.append(QLatin1StringView("\\u"));
    out.append(QString::number(u > 0x7FFF ? int(u) - 0x10000 : int(u)));
    out.append(QLatin1Char('?'));
}

// Text in code page 1254: ASCII as is, other 1254 characters as \'hh,
// everything else as \uN with '?' as the fallback for readers without Unicode.
void appendText(QString& out, QStringView text, bool& needDelimiter, bool fontName = false) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
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
                if (fontName) continue;  // ends a font table entry
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
        appendText(out, fonts[i], needDelimiter, true);
        out.append(QLatin1StringView(";}"));
    }
    out.append(QLatin1StringView("}\r\n{\\colortbl ;"));
    for (const QRgb rgb : colors) {
        out.append(QStringLiteral("\\red%1\\green%2\\blue%3;").arg(qRed(rgb)).arg(qGreen(rgb)).arg(qBlue(rgb)));
    }
    out.append(QLatin1StringView("}\r\n\\viewkind4\\uc1\\pard"));
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

bool isRichText(const QString& content) { return content.startsWith(QLatin1StringView("{\\rtf")); }

bool isValidRichText(const QString& content) { return validRichText(content); }

QString plainText(const QString& content, Limit limit) {
    const QStringView view = limited(content, limit);
    if (!validRichText(view)) return view.size() == content.size() ? content : view.toString();
    PlainSink sink(view.size() / 2);
    Reader reader(view, sink);
    reader.run();
    return sink.take();
}

bool readDocument(QTextDocument& doc, const QString& content, Limit limit) {
    const QStringView view = limited(content, limit);
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    const bool rich = validRichText(view);
    if (rich) {
        DocumentSink sink(doc);
        Reader reader(view, sink);
        sink.setReader(&reader);
        reader.run();
    } else {
        QString text = view.toString();
        text.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        doc.setPlainText(text);
    }
    doc.setUndoRedoEnabled(undo);
    return rich;
}

QString toRtf(const QTextDocument& doc) {
    const QString baseFamily = defaultFamily(doc);
    const QFont baseFont = doc.defaultFont();
    const qreal basePoints = baseFont.pointSizeF() > 0 ? baseFont.pointSizeF() : 12;

    struct Props {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        int font = 0;
        int halfPoints = 0;
        int color = 0;
    };
    QStringList fonts{baseFamily};
    std::vector<QRgb> colors;
    auto propsOf = [&](const QTextCharFormat& f) {
        Props p;
        p.bold = f.fontWeight() >= QFont::DemiBold;
        p.italic = f.fontItalic();
        p.underline = f.fontUnderline() || f.underlineStyle() != QTextCharFormat::NoUnderline;
        const QString family = firstFamily(f);
        if (!family.isEmpty()) {
            p.font = int(fonts.indexOf(family));
            if (p.font < 0) {
                p.font = int(fonts.size());
                fonts.append(family);
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
            if (p.font != cur.font) appendWord(body, QLatin1StringView("\\f"), p.font, needDelimiter);
            if (p.halfPoints != cur.halfPoints) appendWord(body, QLatin1StringView("\\fs"), p.halfPoints, needDelimiter);
            cur = p;
            appendText(body, fragment.text(), needDelimiter);
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
    qsizetype start = 0;
    for (qsizetype i = 0; i <= view.size(); ++i) {
        if (i < view.size() && view[i] != QLatin1Char('\r') && view[i] != QLatin1Char('\n')) continue;
        appendText(out, view.sliced(start, i - start), needDelimiter);
        if (i == view.size()) break;
        out.append(QLatin1StringView("\\par\r\n"));
        needDelimiter = false;
        if (view[i] == QLatin1Char('\r') && i + 1 < view.size() && view[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    out.append(QLatin1StringView("\\par\r\n}\r\n"));
    return out;
}

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
