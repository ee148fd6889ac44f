#include "main_window/qt/qt_layout.h"

#include <QFontDatabase>
#include <QStringList>

namespace kalvenix {

QRect PixelRect(const TwipsRect& twips) {
  return QRect(TwipsToPixels(twips.left), TwipsToPixels(twips.top), TwipsToPixels(twips.width),
               TwipsToPixels(twips.height));
}

QSize ClientAreaSize() { return PixelRect(kClientAreaTwips).size(); }

QRect PlaceOf(std::string_view name) {
  const ControlDescription* description = DescriptionOf(name);
  return description != nullptr ? PixelRect(description->place) : QRect();
}

QString DialogFontFamily() {
  // fontconfig would answer "MS Sans Serif" with a wider face, so ask
  // for the family by its exact name.
  const QString face = QString::fromUtf16(kFontFace.data(), kFontFace.size());
  return QFontDatabase::families().contains(face) ? face : QStringLiteral("Liberation Sans");
}

QFont FontOf(ControlFont font) {
  QFont made(DialogFontFamily());
  made.setPointSizeF(font == ControlFont::kLabel ? kLabelFontPoints : kDialogFontPoints);
  made.setWeight(QFont::Normal);
  return made;
}

}  // namespace kalvenix
