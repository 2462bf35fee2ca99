#include "grid/gridprofile.h"

#include <QFontMetrics>

#include <algorithm>

namespace grid {

QFont GridProfile::defaultFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int GridProfile::zeroWidth() const { return std::max(1, QFontMetrics(CellFont).horizontalAdvance(QLatin1Char('0'))); }

int GridProfile::dataRowHeight() const { return (QFontMetrics(CellFont).height() + 3) * RowHeightPercent / 100; }

int GridProfile::titleHeight() const {
    if (!has(dgTitles)) return 0;
    return TitleLines * QFontMetrics(TitleFont).height() + 4;
}

}  // namespace grid
