#pragma once

// The RTF reader's insides, shared by the reader's own files, the sinks and the
// writer; callers outside text/ use text/rtf.h.

#include "encoding/codepages.h"

#include <QHash>
#include <QRgb>
#include <QString>
#include <QStringView>
#include <QTextFormat>

#include <climits>
#include <optional>
#include <string_view>
#include <vector>

namespace rtf::detail {

// How the document keeps what it does not show. Hidden text is an object
// character of a type nothing draws, holding the text (or, for an object
// inside hidden text, the object's RTF); an object we cannot
// show is placeholder text holding the object's RTF, written back as it came
// while the placeholder is intact.
constexpr int HiddenTextObject = QTextFormat::UserObject + 0x5254;
constexpr int HiddenTextProperty = QTextFormat::UserProperty + 0x5254;
constexpr int ObjectRtfProperty = QTextFormat::UserProperty + 0x5255;
constexpr int ObjectPlaceholderProperty = QTextFormat::UserProperty + 0x5256;
// A blank the reader put between a placeholder and a word; it goes with the
// placeholder from the text a question keeps.
constexpr int SeparatorProperty = QTextFormat::UserProperty + 0x5257;

constexpr int DefaultHalfPoints = 24;
// The largest \fs the reader keeps and the writer writes.
constexpr int MaxHalfPoints = 3276;
constexpr char16_t Replacement = 0xFFFD;

// The start the reader accepts as RTF (see rtf::isValidRichText).
bool validRichText(QStringView content);

inline bool isLetter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

enum class Align : quint8 { Left, Center, Right, Justify };

enum class Dest : quint8 {
    Text,         // visible text
    FontTable,    // {\fonttbl{\f0\fcharset162 Name;}...}
    FontAltName,  // {\*\fname Real family;} inside a font entry
    ColorTable,   // {\colortbl ;\red255\green0\blue0;}
    Upr,          // {\upr{ANSI text}{\*\ud{Unicode text}}}: only the \ud part is read
    FieldInst,    // {\*\fldinst SYMBOL 112 \f "Symbol"}: read for the fields that stand for a character
    Shape,        // a shape with a text box: only the box's text (\shptxt) is read
};

enum class Vertical : quint8 { Baseline, Super, Sub };

struct CharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;  // \v: kept, never shown
    Vertical vertical = Vertical::Baseline;
    int font = -1;  // -1: the default font (\deff)
    int halfPoints = DefaultHalfPoints;
    int color = 0;       // 0: automatic
    bool scaps = false;  // small capitals: drawn so, the letters stay as written
    bool operator==(const CharProps&) const = default;
};

struct State {
    CharProps chr;
    Align align = Align::Left;
    Dest dest = Dest::Text;
    int uc = 1;            // fallback characters after \uN; scoped to the group
    bool deleted = false;  // \deleted: a tracked deletion, not part of the text
    bool caps = false;     // \caps: shown, and so read, in capitals
    int lang = -1;         // \lang; -1: \deflang
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
    Deflang,
    V,
    Super,
    Sub,
    NoSuperSub,
    Up,
    Dn,
    Object,    // an embedded object: an equation, when it is one
    Picture,   // \pict, \shppict
    Equation,  // \mmath, \mmathPara
    Shape,     // \shp: drawings and text boxes
    Fldinst,
    Fldrslt,
    Shptxt,
    Shpinst,
    Deleted,
    Caps,
    Scaps,
    Lang,
    Mac,
    Pc,
    Pca,
    Chftn,
    Footnote,  // \footnote: skipped; \chftn before it shows its number
    Cell,      // \cell, \nestcell: a TAB between cells, none after the last
    Row,       // \row, \nestrow
    Nesttableprops,
    AftnNar,
    AftnNrlc,
};

// Whether a face name is Symbol's or OpenSymbol's, whose bytes stand for
// Greek letters and mathematical signs.
bool isSymbolFace(const QString& faceName);
// The symbol encoding of a font with this face name and \fcharset: Symbol
// and charset 2 (symbol) read as Symbol, Wingdings as Wingdings.
std::optional<codepage::SymbolFont> symbolEncoding(const QString& faceName, int charset);

// What the reader shows for an object that carries no text it can show.
QString objectPlaceholder(Kw kind, QStringView raw);

struct Keyword {
    std::string_view name;
    Kw kw;
    char16_t ch = 0;
};

// The keyword spelled by count letters, or nullptr for a word we do not know.
const Keyword* findKeyword(const char16_t* letters, qsizetype count);

// Receives the visible text; formatting comes with each piece.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void text(const QChar* s, qsizetype n, const State& st) = 0;
    virtual void lineBreak(const State& st) = 0;
    virtual void paragraph(const State& st) = 0;
    virtual void finish(const State& st) = 0;
    // An object shown as placeholder text; raw is its whole group, to be
    // written back as it came, or empty when the group was cut off.
    virtual void object(const QString& placeholder, QStringView raw, const State& st) = 0;
};

// A placeholder stands apart from a word before it (not from an opening
// bracket or quote) and from a word after it (not from punctuation).
inline bool blankBeforeObject(QChar previous) {
    return !previous.isNull() && !previous.isSpace() && previous.category() != QChar::Punctuation_Open &&
           previous.category() != QChar::Punctuation_InitialQuote;
}
inline bool blankAfterObject(QChar next) { return next.isLetterOrNumber(); }

// Where an object's placeholder stood in text that leaves placeholders out.
constexpr char16_t PlaceholderGap = 0xFFFC;
// Resolves the gaps in text: a gap between two words leaves one blank, a gap
// next to a blank takes one blank with it (the one before it when the line
// or a sentence ends after it), so words neither stick together nor drift
// apart where an object was left out.
QString closeGaps(QStringView text);

// A single pass over the input with an explicit group stack: no recursion, no
// look-behind, every loop advances the position. A QString goes in as it comes
// from the database: characters up to U+00FF are the bytes of the RTF stream,
// anything above is already Unicode and passes through as itself.
//
// rtf_reader.cpp holds the tokenizer and the way out to the sink,
// rtf_keywords.cpp what each control word does, rtf_tables.cpp the font and
// colour tables and the code pages they decide.
class Reader {
public:
    Reader(QStringView input, Sink& sink) : p_(input.utf16()), end_(input.utf16() + input.size()), sink_(sink) {}

    void run();

    // The family to show for a \f number (-1: the default font).
    QString family(int fontNumber) const;
    // Whether the font puts characters of its own on its bytes; such text is
    // read as Unicode, so it needs no such font to show.
    bool symbolic(int fontNumber) const;
    // The colour table entry for a \cf index; nothing for "automatic".
    std::optional<QRgb> color(int index) const;

private:
    struct Word {
        const char16_t* letters = nullptr;
        qsizetype count = 0;
        bool hasParam = false;
        int param = 0;
    };

    State& top() { return stack_.back(); }
    qsizetype depth() const { return qsizetype(stack_.size()) + overflow_; }

    // --- tokenizer ---------------------------------------------------------
    void step();
    void asciiRun();
    void openGroup();
    void closeGroup();
    bool startsWithUd() const;
    bool lexWord(const char16_t*& q, Word& w) const;
    void control();
    void skipBinary(const Word& w);
    void ignorableDestination();
    void skipDestination();
    bool skipGroupBody(bool closeAtEnd);
    void objectGroup(Kw kind, bool opensGroup);
    void shapeGroup(bool opensGroup);
    void emitObject(const QString& placeholder, QStringView raw, const State& st);
    void fieldInstruction();
    void footnoteMark();
    void flushCells();
    void softParagraph();

    // --- control words -----------------------------------------------------
    void word(const Word& w);

    // --- output ------------------------------------------------------------
    void byte(quint8 b);
    void flushBytes();
    void unicode(int param);
    void unit(char16_t u);
    void flushHighSurrogate();
    void out(const QChar* s, qsizetype n);
    void paragraph();
    void lineBreak();

    // --- font and colour tables, code pages --------------------------------
    const Font* findFont(int number) const;
    const Font* shownFont(int fontNumber) const;
    static int fontCodePage(const Font* font);
    std::optional<codepage::SymbolFont> symbolFont();
    int documentCodePage() const;
    int codePage();
    void selectFontEntry(int number);
    void fontName(const QChar* s, qsizetype n, bool alt);
    void resetColorComponents();
    void endColor();

    const char16_t* p_;
    const char16_t* const end_;
    Sink& sink_;
    bool done_ = false;
    const char16_t* groupStart_ = nullptr;  // just after the last '{'

    std::vector<State> stack_;
    qsizetype overflow_ = 0;  // groups opened beyond MaxDepth
    int ucSkip_ = 0;          // fallback characters still to skip after \uN
    char16_t highSurrogate_ = 0;

    std::vector<quint8> bytes_;  // a double-byte run being collected
    int bytesCodePage_ = 0;

    int ansicpg_ = 0;
    int deflang_ = 0;
    int deff_ = 0;
    std::vector<Font> fonts_;
    QHash<int, int> fontIndex_;  // \f number -> index into fonts_
    int curFont_ = -1;           // the font table entry being read
    quint32 fontsVersion_ = 1;
    int cpCacheFont_ = INT_MIN;
    quint32 cpCacheVersion_ = 0;
    int cpCache_ = codepage::Western;
    int symbolCacheFont_ = INT_MIN;
    quint32 symbolCacheVersion_ = 0;
    std::optional<codepage::SymbolFont> symbolCache_;
    int macPage_ = 0;  // \mac, \pc, \pca: the page when \ansicpg names none

    QString fieldInst_;               // the instruction of the field being read
    qsizetype fieldInstDepth_ = 0;    // the stack size of its group
    qsizetype symbolFieldDepth_ = 0;  // a SYMBOL field's group: its result is not read
    struct ShapeFrame {
        const char16_t* start;    // the shape group's '{'
        qsizetype depth;          // the stack size of the shape group
        qsizetype textDepth = 0;  // the stack size of its \shptxt group, while read
        bool hasText = false;
    };
    std::vector<ShapeFrame> shapes_;  // the shapes being read, innermost last
    bool paraHasText_ = false;        // visible text since the last paragraph mark
    int cellsPending_ = 0;            // cells ended, their TABs not yet written
    int footnotes_ = 0;
    int endnotes_ = 0;
    bool endnotesArabic_ = false;

    std::vector<std::optional<QRgb>> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorGiven_ = false;
};

}  // namespace rtf::detail
