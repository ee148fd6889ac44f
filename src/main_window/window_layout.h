// The window's layout: every control's place in twips, as the window's
// description gives it, and the fonts. One table, converted by one function
// (15 twips make one pixel at 96 dots per inch). Pure data; any thread.
#ifndef KALVENIX_MAIN_WINDOW_WINDOW_LAYOUT_H_
#define KALVENIX_MAIN_WINDOW_WINDOW_LAYOUT_H_

#include <QFont>
#include <QRect>
#include <QSize>
#include <span>
#include <string_view>

namespace kalvenix {

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

// Left and Top are measured from the containing frame for controls inside a
// frame, else from the client area.
struct ControlPlace {
  std::string_view name;
  TwipsRect twips;
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr TwipsRect kClientAreaTwips{0, 0, 4680, 3360};

std::span<const ControlPlace> ControlPlaces();

QRect TwipsToPixels(const TwipsRect& twips);
QSize ClientAreaSize();
// The pixel geometry of the control `name`; an empty rectangle for a name the
// table does not hold.
QRect PlaceOf(std::string_view name);

// "MS Sans Serif" where installed, else the metric-compatible Liberation Sans.
QString DialogFontFamily();
QFont DialogFont();      // the window and its controls, 8.25 points
QFont LabelFont();       // Label2 to Label4, lblQuali and chkTrans, 9.75 points

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_WINDOW_LAYOUT_H_
