// The document's font and colour tables as the reader fills them, and the code
// page that 8-bit text is read in, which the fonts decide.
#include "text/rtf_reader.h"

namespace rtf::detail {

namespace {

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

}  // namespace

bool isSymbolFace(const QString& faceName) {
    const QString name = familyFromFaceName(faceName);
    return name.compare(QLatin1StringView("Symbol"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1StringView("OpenSymbol"), Qt::CaseInsensitive) == 0;
}

// The font text in \f fontNumber is shown in: a number the table lacks
// shows in the default font.
const Font* Reader::shownFont(int fontNumber) const {
    const Font* font = findFont(fontNumber < 0 ? deff_ : fontNumber);
    if (!font && fontNumber >= 0) font = findFont(deff_);
    return font;
}

QString Reader::family(int fontNumber) const {
    const Font* font = shownFont(fontNumber);
    if (!font) return {};
    const QString alt = font->altName.trimmed();
    return alt.isEmpty() ? familyFromFaceName(font->name) : alt;
}

std::optional<QRgb> Reader::color(int index) const {
    if (index <= 0 || index >= qsizetype(colors_.size())) return std::nullopt;
    return colors_[size_t(index)];
}

// --- code pages ------------------------------------------------------------

const Font* Reader::findFont(int number) const {
    const auto it = fontIndex_.constFind(number);
    return it == fontIndex_.cend() ? nullptr : &fonts_[size_t(*it)];
}

int Reader::fontCodePage(const Font* font) {
    if (!font) return 0;
    if (codepage::isSupported(font->cpg)) return font->cpg;
    return font->charset >= 0 ? codepage::fromCharset(font->charset) : 0;
}

int Reader::documentCodePage() const {
    if (const int cp = fontCodePage(findFont(deff_))) return cp;
    if (codepage::isSupported(ansicpg_)) return ansicpg_;
    if (macPage_) return macPage_;
    // What the rich-edit control of a Turkish system assumes for a document
    // that names neither a page nor a charset.
    constexpr int TurkishLanguage = 1055;
    return deflang_ == TurkishLanguage ? codepage::Turkish : codepage::Western;
}

std::optional<codepage::SymbolFont> symbolEncoding(const QString& faceName, int charset) {
    const QString name = familyFromFaceName(faceName);
    if (name.startsWith(QLatin1StringView("Wingdings"), Qt::CaseInsensitive)) return codepage::SymbolFont::Wingdings;
    if (charset == 2 || isSymbolFace(name)) return codepage::SymbolFont::Symbol;
    return std::nullopt;
}

bool Reader::symbolic(int fontNumber) const {
    const Font* font = shownFont(fontNumber);
    return font && symbolEncoding(family(font->number), font->charset).has_value();
}

// Symbol and Wingdings put their characters on bytes of their own: 0x70 is
// a pi there, 0xFC a check mark. The font is the one the text shows in.
std::optional<codepage::SymbolFont> Reader::symbolFont() {
    const State& st = stack_.back();
    if (st.dest != Dest::Text) return std::nullopt;
    if (st.chr.font == symbolCacheFont_ && fontsVersion_ == symbolCacheVersion_) return symbolCache_;
    const Font* font = shownFont(st.chr.font);
    symbolCache_ = font ? symbolEncoding(family(font->number), font->charset) : std::nullopt;
    symbolCacheFont_ = st.chr.font;
    symbolCacheVersion_ = fontsVersion_;
    return symbolCache_;
}

// The current font's code page, else the default font's, else \ansicpg, else 1252.
int Reader::codePage() {
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

// --- font and colour tables ------------------------------------------------

void Reader::selectFontEntry(int number) {
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

void Reader::fontName(const QChar* s, qsizetype n, bool alt) {
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
    ++fontsVersion_;  // the name decides whether the font is a symbol font
}

void Reader::resetColorComponents() {
    red_ = green_ = blue_ = 0;
    colorGiven_ = false;
}

void Reader::endColor() {
    colors_.push_back(colorGiven_ ? std::optional<QRgb>(qRgb(red_, green_, blue_)) : std::nullopt);
    resetColorComponents();
}

}  // namespace rtf::detail
