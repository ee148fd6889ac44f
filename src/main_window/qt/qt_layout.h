// The window's description in Qt's units: places in pixels at 96 dots per
// inch (Qt scales them for the screen itself) and the two fonts.
#ifndef KALVENIX_MAIN_WINDOW_QT_QT_LAYOUT_H_
#define KALVENIX_MAIN_WINDOW_QT_QT_LAYOUT_H_

#include <QFont>
#include <QRect>
#include <QSize>
#include <string_view>

#include "main_window/window_layout.h"

namespace kalvenix {

QRect PixelRect(const TwipsRect& twips);
QSize ClientAreaSize();
// The pixel geometry of the control `name`; an empty rectangle for a name the
// description does not hold.
QRect PlaceOf(std::string_view name);

// "MS Sans Serif" where installed, else the metric-compatible Liberation Sans.
QString DialogFontFamily();
QFont FontOf(ControlFont font);

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_QT_QT_LAYOUT_H_
