#include "main_window/window_layout.h"

#include <QFontDatabase>
#include <QStringList>
#include <cmath>

namespace kalvenix {

namespace {

constexpr ControlPlace kPlaces[] = {
    {"Frame3", {75, 75, 4665, 1440}},  // its right border lies beyond the client area
    {"cmdAdd", {75, 300, 690, 465}},
    {"cmdDel", {75, 825, 690, 465}},
    {"lstFiles", {900, 300, 3615, 1035}},
    {"Frame1", {75, 1575, 2865, 1065}},
    {"Label2", {225, 300, 1290, 315}},
    {"cmbType", {1725, 300, 960, 315}},
    {"lblQuali", {225, 675, 1590, 315}},
    {"txtQuali", {1800, 675, 840, 315}},
    {"chkTrans", {225, 675, 2415, 315}},  // shares the row of the quality controls
    {"Frame2", {3000, 1575, 1590, 1065}},
    {"Label3", {150, 300, 240, 315}},
    {"txtWidth", {450, 300, 990, 315}},
    {"Label4", {150, 675, 240, 315}},
    {"txtHeight", {450, 675, 990, 315}},
    {"mndKonv", {75, 2775, 1365, 465}},
    {"cmdEnd", {3225, 2775, 1365, 465}},
    {"Label5", {1500, 3000, 1635, 195}},
};

int ToPixels(int twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

}  // namespace

std::span<const ControlPlace> ControlPlaces() { return kPlaces; }

QRect TwipsToPixels(const TwipsRect& twips) {
  return QRect(ToPixels(twips.left), ToPixels(twips.top), ToPixels(twips.width),
               ToPixels(twips.height));
}

QSize ClientAreaSize() { return TwipsToPixels(kClientAreaTwips).size(); }

QRect PlaceOf(std::string_view name) {
  for (const ControlPlace& place : kPlaces)
    if (place.name == name) return TwipsToPixels(place.twips);
  return QRect();
}

QString DialogFontFamily() {
  // fontconfig would answer "MS Sans Serif" with a wider face, so ask
  // for the family by its exact name.
  return QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"))
             ? QStringLiteral("MS Sans Serif")
             : QStringLiteral("Liberation Sans");
}

QFont DialogFont() {
  QFont font(DialogFontFamily());
  font.setPointSizeF(8.25);
  return font;
}

QFont LabelFont() {
  QFont font(DialogFontFamily());
  font.setPointSizeF(9.75);
  font.setWeight(QFont::Normal);
  return font;
}

}  // namespace kalvenix
