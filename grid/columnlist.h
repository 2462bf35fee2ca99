#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

namespace storage {
class RecordSet;
}

// The two text declarations a data grid is configured by.
//
// Column list (`Selected`), one line per column, parts separated by TAB:
//   field, width in characters, title ("~" breaks a title line),
//   read-only flag ("T" exactly means read-only), an optional fifth part the
//   grid keeps and writes back unchanged.
// Cell control list (`ControlType`), one line per field, parts separated by ";":
//   field, kind ("CheckBox", "CustomEdit", "RichEdit"), first and second parameter.
namespace grid {

class FieldLink;
struct GridProfile;

class ColumnLine {
public:
    explicit ColumnLine(const QString& line) : parts_(line.split(QLatin1Char('\t'))) {}

    QString field() const { return part(0); }
    QString widthText() const { return part(1); }
    QString title() const { return part(2); }
    QStringList titleLines() const { return title().split(QLatin1Char('~')); }
    bool readOnlyFlag() const { return part(3) == QLatin1String("T"); }

    // The width part as a number; throws storage::Error with the standard
    // conversion message when it is not a whole number.
    int widthChars() const;
    // The same line with another width; every other part stays as it was.
    QString withWidth(int chars) const;
    QString text() const { return parts_.join(QLatin1Char('\t')); }

private:
    QString part(int i) const { return i < parts_.size() ? parts_.at(i) : QString(); }
    QStringList parts_;
};

// The conversion error of a width part: "'%s' is not a valid integer value".
[[noreturn]] void throwNotAnInteger(const QString& text);

struct ControlLine {
    enum class Kind { None, CheckBox, CustomEdit, RichEdit };
    QString field;
    Kind kind = Kind::None;
    QString first;   // checked value, or the control's name
    QString second;  // unchecked value

    // A "CheckBox" line needs four parts and the kind spelt exactly so; the
    // control kinds are recognised ignoring case and need a control name.
    static ControlLine parse(const QString& line);
};

// The widest a column is shown, in pixels: a width from a layout file may be
// any number, and wider than a few screens is of no use to anyone.
inline constexpr int kMaxColumnPixels = 10000;
// Pixel width of a column declared as chars wide, d being the width of "0";
// bounded to [0, kMaxColumnPixels].
inline int pixelsForChars(int chars, int zeroWidth) {
    const qint64 pixels = qint64(chars) * zeroWidth + 4;
    return int(pixels < 0 ? 0 : pixels > kMaxColumnPixels ? kMaxColumnPixels : pixels);
}
// The width in characters written back when the user resized a column.
inline int charsForPixels(int pixels, int zeroWidth) {
    const int slack = zeroWidth / 2 - 3;
    return (pixels + (slack > 0 ? slack : 0) - 4) / zeroWidth;
}

// One column of a grid, as the two lists declare it over a record set.
struct Column {
    QString field;
    int fieldIndex = -1;  // in the record set; -1 while it is closed
    QStringList titleLines;
    // The title on one line, as assistive technology names the column.
    QString caption() const { return titleLines.join(QLatin1Char(' ')).simplified(); }
    int pixels = 0;
    bool readOnlyFlag = false;
    int line = -1;  // the column list line it comes from
    bool checkBox = false;
    QString checkedValue;
    QString uncheckedValue;
    ControlLine::Kind controlKind = ControlLine::Kind::None;
    QString controlName;
    QPointer<QWidget> control;  // adopted, when the window has it
    QPointer<FieldLink> link;   // the control's; goes with it when the window deletes it
};

// The columns of a column list and a cell control list over a record set
// (closed or null: the lines alone say what there is). Widths are in pixels
// of the profile's cell font, widened to the titles where the grid shows them.
//
// Bound to an open set, the lines of fields the set lacks are deleted from
// `lines` for good; in field-definition mode they stay and only the listed
// fields the set has are shown, each once, at the place of its last line.
// Throws storage::Error when the width part of a line it uses is not a
// whole number.
std::vector<Column> buildColumns(QStringList* lines, const QStringList& controlLines, const storage::RecordSet* recordSet,
                                 const GridProfile& profile);

// A column as the user left it: its column list line and its width in pixels.
struct ShownColumn {
    int line = -1;
    int pixels = 0;
};

// The column list after the user resized or moved columns; `shown` lists the
// columns left to right. Resized: every shown column's line takes its width
// in characters. Moved: the lines of the shown columns take their places, the
// lines of fields not shown (field-definition mode) follow them unchanged.
QStringList rewrittenLines(const QStringList& lines, const std::vector<ShownColumn>& shown, bool resized, bool moved,
                           int zeroWidth);

}  // namespace grid
