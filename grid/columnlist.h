#pragma once

#include <QString>
#include <QStringList>

// The two text declarations a data grid is configured by.
//
// Column list (`Selected`), one line per column, parts separated by TAB:
//   field, width in characters, title ("~" breaks a title line),
//   read-only flag ("T" exactly means read-only), an optional fifth part the
//   grid keeps and writes back unchanged.
// Cell control list (`ControlType`), one line per field, parts separated by ";":
//   field, kind ("CheckBox", "CustomEdit", "RichEdit"), first and second parameter.
namespace grid {

class ColumnLine {
public:
    explicit ColumnLine(const QString& line) : parts_(line.split(QLatin1Char('\t'))) {}

    QString field() const { return part(0); }
    QString widthText() const { return part(1); }
    QString title() const { return part(2); }
    QStringList titleLines() const { return title().split(QLatin1Char('~')); }
    bool readOnlyFlag() const { return part(3) == QLatin1String("T"); }
    int partCount() const { return int(parts_.size()); }

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

// Pixel width of a column declared as chars wide, d being the width of "0".
inline int pixelsForChars(int chars, int zeroWidth) { return chars * zeroWidth + 4; }
// The width in characters written back when the user resized a column.
inline int charsForPixels(int pixels, int zeroWidth) {
    const int slack = zeroWidth / 2 - 3;
    return (pixels + (slack > 0 ? slack : 0) - 4) / zeroWidth;
}

}  // namespace grid
