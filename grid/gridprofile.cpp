#include "grid/gridprofile.h"

#include <QFontMetrics>

#include <algorithm>

namespace grid {

namespace {

const QString kDesignFace = QStringLiteral("MS Sans Serif");
constexpr int kDesignPoints = 8;
constexpr int kDesignZeroWidth = 6;
constexpr int kDesignTextHeight = 13;

bool isDesignFont(const QFont& font) { return font.family() == kDesignFace && font.pointSize() == kDesignPoints; }

int textHeight(const QFont& font) { return isDesignFont(font) ? kDesignTextHeight : QFontMetrics(font).height(); }

}  // namespace

QFont GridProfile::defaultFont() {
    QFont font(kDesignFace);
    font.setPointSize(kDesignPoints);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int GridProfile::zeroWidth() const {
    if (isDesignFont(CellFont)) return kDesignZeroWidth;
    return std::max(1, QFontMetrics(CellFont).horizontalAdvance(QLatin1Char('0')));
}

int GridProfile::dataRowHeight() const { return (textHeight(CellFont) + 3) * RowHeightPercent / 100; }

int GridProfile::titleHeight() const {
    if (!has(dgTitles)) return 0;
    return TitleLines * textHeight(TitleFont) + 4;
}

}  // namespace grid
