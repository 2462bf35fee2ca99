// The control words the reader knows, and what each of them does.
#include "text/rtf_reader.h"

#include <algorithm>
#include <iterator>

namespace rtf::detail {

namespace {

constexpr int MaxWordLetters = 32;

// Sorted by name (checked below) for a binary search.
constexpr Keyword Keywords[] = {
    {"aftnnar", Kw::AftnNar},
    {"aftnnrlc", Kw::AftnNrlc},
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
    {"caps", Kw::Caps},
    {"cell", Kw::Cell},
    {"cf", Kw::Cf},
    {"chftn", Kw::Chftn},
    {"colortbl", Kw::Colortbl},
    {"cpg", Kw::Cpg},
    {"datastore", Kw::Skip},
    {"deff", Kw::Deff},
    {"deflang", Kw::Deflang},
    {"deleted", Kw::Deleted},
    {"dn", Kw::Dn},
    {"do", Kw::Shape},  // a drawing object of old word processors
    {"dptxbxtext", Kw::Shptxt},
    {"emdash", Kw::Char, 0x2014},
    {"emspace", Kw::Char, 0x2003},
    {"endash", Kw::Char, 0x2013},
    {"enspace", Kw::Char, 0x2002},
    {"f", Kw::F},
    {"fcharset", Kw::Fcharset},
    {"filetbl", Kw::Skip},
    {"fldinst", Kw::Fldinst},
    {"fldrslt", Kw::Fldrslt},
    {"fname", Kw::Fname},
    {"fonttbl", Kw::Fonttbl},
    {"footer", Kw::Skip},
    {"footerf", Kw::Skip},
    {"footerl", Kw::Skip},
    {"footerr", Kw::Skip},
    {"footnote", Kw::Footnote},
    {"fs", Kw::Fs},
    {"generator", Kw::Skip},
    {"green", Kw::Green},
    {"header", Kw::Skip},
    {"headerf", Kw::Skip},
    {"headerl", Kw::Skip},
    {"headerr", Kw::Skip},
    {"i", Kw::I},
    {"info", Kw::Skip},
    {"lang", Kw::Lang},
    {"latentstyles", Kw::Skip},
    {"ldblquote", Kw::Char, 0x201C},
    {"levelnumbers", Kw::Skip},
    {"leveltext", Kw::Skip},
    {"line", Kw::Line},
    {"listname", Kw::Skip},
    {"listoverridetable", Kw::Skip},
    {"listtable", Kw::Skip},
    {"lquote", Kw::Char, 0x2018},
    {"mac", Kw::Mac},
    {"mmath", Kw::Equation},
    {"mmathPara", Kw::Equation},
    {"nestcell", Kw::Cell},
    {"nestrow", Kw::Row},
    {"nesttableprops", Kw::Nesttableprops},
    {"nonesttables", Kw::Skip},
    {"nonshppict", Kw::Skip},
    {"nosupersub", Kw::NoSuperSub},
    {"objdata", Kw::Skip},
    {"object", Kw::Object},
    {"page", Kw::Par},
    {"par", Kw::Par},
    {"pard", Kw::Pard},
    {"pc", Kw::Pc},
    {"pca", Kw::Pca},
    {"pict", Kw::Picture},
    {"plain", Kw::Plain},
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
    {"row", Kw::Row},
    {"rquote", Kw::Char, 0x2019},
    {"rsidtbl", Kw::Skip},
    {"scaps", Kw::Scaps},
    {"sect", Kw::Par},
    {"shp", Kw::Shape},
    {"shpgrp", Kw::Shape},
    {"shpinst", Kw::Shpinst},
    {"shppict", Kw::Picture},
    {"shprslt", Kw::Skip},
    {"shptxt", Kw::Shptxt},
    {"stylesheet", Kw::Skip},
    {"sub", Kw::Sub},
    {"super", Kw::Super},
    {"tab", Kw::Tab},
    {"tc", Kw::Skip},
    {"tcn", Kw::Skip},
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
    {"up", Kw::Up},
    {"upr", Kw::Upr},
    {"v", Kw::V},
    {"xe", Kw::Skip},
    {"xmlnstbl", Kw::Skip},
    {"zwj", Kw::Char, 0x200D},
    {"zwnj", Kw::Char, 0x200C},
};

static_assert(std::is_sorted(std::begin(Keywords), std::end(Keywords),
                             [](const Keyword& a, const Keyword& b) { return a.name < b.name; }));

}  // namespace

QString objectPlaceholder(Kw kind, QStringView raw) {
    switch (kind) {
        case Kw::Picture:
            return QStringLiteral("[resim]");
        case Kw::Shape:
            return QStringLiteral("[şekil]");
        case Kw::Object:
            if (!raw.contains(QLatin1StringView("\\objclass Equation")) && !raw.contains(QLatin1StringView("\\mmath")))
                return QStringLiteral("[nesne]");
            [[fallthrough]];
        default:
            return QStringLiteral("[denklem]");
    }
}

const Keyword* findKeyword(const char16_t* letters, qsizetype count) {
    if (count > MaxWordLetters) return nullptr;
    char buf[MaxWordLetters];
    for (qsizetype i = 0; i < count; ++i) buf[i] = char(letters[i]);
    const std::string_view name(buf, size_t(count));
    const auto it = std::lower_bound(std::begin(Keywords), std::end(Keywords), name,
                                     [](const Keyword& k, std::string_view n) { return k.name < n; });
    return it != std::end(Keywords) && it->name == name ? it : nullptr;
}

void Reader::word(const Word& w) {
    const Keyword* k = findKeyword(w.letters, w.count);
    const Kw kw = k ? k->kw : Kw::Unknown;
    if (ucSkip_ > 0) {
        switch (kw) {
            case Kw::Bin:  // \bin with its data counts as one fallback character
                --ucSkip_;
                skipBinary(w);
                return;
            case Kw::Char:
            case Kw::Par:
            case Kw::Line:
            case Kw::Tab:
            case Kw::Cell:
            case Kw::Row:
            case Kw::U:
            case Kw::Chftn:
                // A word that stands for text is no fallback: a writer that
                // gives none (\u8364\tab) would lose it. The skip ends here.
                ucSkip_ = 0;
                break;
            default:
                break;  // formatting between \uN and its fallback: done, not counted
        }
    }
    flushBytes();
    State& st = top();
    if (st.dest == Dest::Shape) {
        // A shape's properties and stand-ins mean nothing to the text: no
        // word there may change the fonts, code pages or state of the
        // document, whose RTF of a shape without text is written back as it
        // came, into another document.
        switch (kw) {
            case Kw::Shptxt:
            case Kw::Shape:
            case Kw::Bin:
            case Kw::Skip:
            case Kw::Footnote:
            case Kw::Object:
            case Kw::Picture:
            case Kw::Equation:
                break;
            default:
                return;
        }
    }
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
        case Kw::Deflang:
            deflang_ = w.param;
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
        case Kw::Cell:
            if (st.dest == Dest::Text && !st.deleted && !st.chr.hidden) ++cellsPending_;
            break;
        case Kw::Row:
            if (st.dest == Dest::Text && !st.deleted) cellsPending_ = 0;  // no TAB after a row's last cell
            paragraph();
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
            st.deleted = false;
            st.caps = false;
            break;
        case Kw::Deleted:
            st.deleted = on;
            break;
        case Kw::Caps:
            st.caps = on;
            break;
        case Kw::Scaps:
            st.chr.scaps = on;
            break;
        case Kw::Lang:
            st.lang = w.param;
            break;
        case Kw::Mac:
        case Kw::Pc:
        case Kw::Pca:
            macPage_ = kw == Kw::Mac ? codepage::MacRoman : kw == Kw::Pc ? 437 : 850;
            ++fontsVersion_;
            break;
        case Kw::AftnNar:
        case Kw::AftnNrlc:
            endnotesArabic_ = kw == Kw::AftnNar;
            break;
        case Kw::Chftn:
            footnoteMark();
            break;
        case Kw::Footnote:
            skipDestination();
            break;
        case Kw::Fldinst:
            if (st.dest == Dest::Text && depth() > 1 && stack_.size() > 1 && overflow_ == 0) {
                st.dest = Dest::FieldInst;
                fieldInst_.clear();
                fieldInstDepth_ = qsizetype(stack_.size());
            } else {
                skipDestination();
            }
            break;
        case Kw::Fldrslt:
            // A SYMBOL field's instruction gave its character; the result
            // repeats it at best, or is empty.
            if (symbolFieldDepth_ > 0 && qsizetype(stack_.size()) - 1 == symbolFieldDepth_ && overflow_ == 0) skipDestination();
            break;
        case Kw::Shptxt:
            if (st.dest == Dest::Shape && !shapes_.empty() && overflow_ == 0) {
                st.dest = Dest::Text;
                softParagraph();
                shapes_.back().hasText = true;
                shapes_.back().textDepth = qsizetype(stack_.size());
            }
            break;
        case Kw::Shpinst:
        case Kw::Nesttableprops:
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
        case Kw::V:
            st.chr.hidden = on;
            break;
        case Kw::Super:
            st.chr.vertical = Vertical::Super;
            break;
        case Kw::Sub:
            st.chr.vertical = Vertical::Sub;
            break;
        case Kw::NoSuperSub:
            st.chr.vertical = Vertical::Baseline;
            break;
        case Kw::Up:  // a raise in half-points; 6 when none is given
            st.chr.vertical = on ? Vertical::Super : Vertical::Baseline;
            break;
        case Kw::Dn:
            st.chr.vertical = on ? Vertical::Sub : Vertical::Baseline;
            break;
        case Kw::Object:
        case Kw::Picture:
        case Kw::Equation:
            objectGroup(kw, w.letters - 1 == groupStart_);
            break;
        case Kw::Shape:
            shapeGroup(w.letters - 1 == groupStart_);
            break;
    }
}

}  // namespace rtf::detail
