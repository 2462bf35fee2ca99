#pragma once

class QColor;
class QWidget;

namespace ui {

// Fills a widget's background with a colour of the design (window surfaces,
// strips, panels) instead of the style's.
void fillBackground(QWidget* widget, const QColor& colour);

}  // namespace ui
