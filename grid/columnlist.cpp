#include "grid/columnlist.h"

#include "grid/gridprofile.h"
#include "storage/errors.h"
#include "storage/recordset.h"

#include <QFontMetrics>

#include <algorithm>

namespace grid {

void throwNotAnInteger(const QString& text) {
    throw storage::Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

int ColumnLine::widthChars() const {
    const QString text = widthText();
    bool ok = false;
    const int chars = text.trimmed().toInt(&ok, 10);
    // Leading blanks are tolerated as a conversion routine would; anything else is not a number.
    if (!ok || text.endsWith(QLatin1Char(' '))) throwNotAnInteger(text);
    return chars;
}

QString ColumnLine::withWidth(int chars) const {
    QStringList parts = parts_;
    while (parts.size() < 2) parts.append(QString());
    parts[1] = QString::number(chars);
    return parts.join(QLatin1Char('\t'));
}

ControlLine ControlLine::parse(const QString& line) {
    const QStringList parts = line.split(QLatin1Char(';'));
    ControlLine c;
    c.field = parts.value(0);
    const QString kind = parts.value(1);
    c.first = parts.value(2);
    c.second = parts.value(3);
    if (parts.size() >= 4 && kind == QLatin1String("CheckBox")) {
        c.kind = Kind::CheckBox;
    } else if (parts.size() >= 3 && !c.first.isEmpty()) {
        if (kind.compare(QLatin1String("CustomEdit"), Qt::CaseInsensitive) == 0)
            c.kind = Kind::CustomEdit;
        else if (kind.compare(QLatin1String("RichEdit"), Qt::CaseInsensitive) == 0)
            c.kind = Kind::RichEdit;
    }
    return c;
}

namespace {

Column makeColumn(const ColumnLine& line, int lineIndex, int fieldIndex, const storage::RecordSet* recordSet, int zeroWidth) {
    Column col;
    col.field = fieldIndex >= 0 ? recordSet->fieldDef(fieldIndex).name : line.field();
    col.fieldIndex = fieldIndex;
    col.titleLines = line.titleLines();
    col.readOnlyFlag = line.readOnlyFlag();
    col.line = lineIndex;
    col.pixels = pixelsForChars(line.widthChars(), zeroWidth);
    return col;
}

void applyControlLines(std::vector<Column>& columns, const QStringList& controlLines) {
    for (const QString& text : controlLines) {
        const ControlLine line = ControlLine::parse(text);
        if (line.kind == ControlLine::Kind::None) continue;
        for (Column& col : columns) {
            if (line.kind == ControlLine::Kind::CheckBox) {
                if (col.field != line.field || col.checkBox) continue;
                col.checkBox = true;
                col.checkedValue = line.first;
                col.uncheckedValue = line.second;
            } else if (col.controlKind == ControlLine::Kind::None && col.field.compare(line.field, Qt::CaseInsensitive) == 0) {
                col.controlKind = line.kind;
                col.controlName = line.first;
            }
        }
    }
}

}  // namespace

std::vector<Column> buildColumns(QStringList* lines, const QStringList& controlLines, const storage::RecordSet* recordSet,
                                 const GridProfile& profile) {
    std::vector<Column> columns;
    const bool open = recordSet && recordSet->active();
    const int zero = profile.zeroWidth();
    if (profile.UseTFields && open) {
        // Field-definition mode: the lines give the listed fields their width,
        // title and place; every other field stays hidden.
        std::vector<int> order;
        std::vector<Column> byField(size_t(recordSet->fieldCount()));
        for (int i = 0; i < lines->size(); ++i) {
            const ColumnLine line(lines->at(i));
            const int f = recordSet->fieldIndex(line.field());
            if (f < 0) continue;
            byField[size_t(f)] = makeColumn(line, i, f, recordSet, zero);
            order.erase(std::remove(order.begin(), order.end(), f), order.end());
            order.push_back(f);
        }
        for (int f : order) columns.push_back(byField[size_t(f)]);
    } else {
        for (int i = 0; i < lines->size();) {
            const ColumnLine line(lines->at(i));
            const int f = open ? recordSet->fieldIndex(line.field()) : -1;
            if (open && f < 0) {
                // A column of a field the set lacks is gone for good, also from
                // every layout saved later.
                lines->removeAt(i);
                continue;
            }
            columns.push_back(makeColumn(line, i, f, recordSet, zero));
            ++i;
        }
    }
    if (profile.has(dgTitles)) {
        const QFontMetrics fm(profile.TitleFont);
        for (Column& col : columns)
            for (const QString& t : col.titleLines)
                col.pixels = std::max(col.pixels, std::min(fm.horizontalAdvance(t) + 4, kMaxColumnPixels));
    }
    applyControlLines(columns, controlLines);
    return columns;
}

QStringList rewrittenLines(const QStringList& lines, const std::vector<ShownColumn>& shown, bool resized, bool moved,
                           int zeroWidth) {
    auto known = [&](int line) { return line >= 0 && line < lines.size(); };
    QStringList result = lines;
    if (resized)
        for (const ShownColumn& s : shown)
            if (known(s.line)) result[s.line] = ColumnLine(lines.at(s.line)).withWidth(charsForPixels(s.pixels, zeroWidth));
    if (!moved) return result;
    QStringList ordered;
    std::vector<bool> used(size_t(lines.size()), false);
    for (const ShownColumn& s : shown) {
        if (!known(s.line) || used[size_t(s.line)]) continue;
        used[size_t(s.line)] = true;
        ordered.append(result.at(s.line));
    }
    for (int i = 0; i < result.size(); ++i)
        if (!used[size_t(i)]) ordered.append(result.at(i));
    return ordered;
}

}  // namespace grid
