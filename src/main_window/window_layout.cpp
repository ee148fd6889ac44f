#include "main_window/window_layout.h"

#include <cmath>

namespace kalvenix {

namespace {

using enum ControlKind;
// The fonts by short names; ControlKind already has a kLabel.
constexpr ControlFont kSmall = ControlFont::kDialog;
constexpr ControlFont kLarge = ControlFont::kLabel;

constexpr ControlDescription kControls[] = {
    // Its right border lies beyond the client area and is cut off.
    {"Frame3", kFrame, "", u"Dateien", {75, 75, 4665, 1440}, kSmall, true, {}},
    {"cmdAdd", kButton, "Frame3", u"Add", {75, 300, 690, 465}, kSmall, true, {}},
    {"cmdDel", kButton, "Frame3", u"Del", {75, 825, 690, 465}, kSmall, true, {}},
    {"lstFiles", kListBox, "Frame3", u"", {900, 300, 3615, 1035}, kSmall, true,
     Control::kLstFiles},
    {"Frame1", kFrame, "", u"Dateityp", {75, 1575, 2865, 1065}, kSmall, true, {}},
    {"Label2", kLabel, "Frame1", u"Umwandeln in", {225, 300, 1290, 315}, kLarge, true, {}},
    {"cmbType", kDropDownList, "Frame1", u"", {1725, 300, 960, 315}, kSmall, true,
     Control::kCmbType},
    {"lblQuali", kLabel, "Frame1", u"Qualität (10-100)", {225, 675, 1590, 315}, kLarge, false,
     Control::kLblQuali},
    {"txtQuali", kTextBox, "Frame1", u"100", {1800, 675, 840, 315}, kSmall, false,
     Control::kTxtQuali},
    // Shares the row of the quality controls; never shown with them.
    {"chkTrans", kCheckBox, "Frame1", u"Transparenz", {225, 675, 2415, 315}, kLarge, true,
     Control::kChkTrans},
    {"Frame2", kFrame, "", u"Größe", {3000, 1575, 1590, 1065}, kSmall, true, {}},
    {"Label3", kLabel, "Frame2", u"X", {150, 300, 240, 315}, kLarge, true, {}},
    {"txtWidth", kTextBox, "Frame2", u"640", {450, 300, 990, 315}, kSmall, true,
     Control::kTxtWidth},
    {"Label4", kLabel, "Frame2", u"Y", {150, 675, 240, 315}, kLarge, true, {}},
    {"txtHeight", kTextBox, "Frame2", u"480", {450, 675, 990, 315}, kSmall, true,
     Control::kTxtHeight},
    {"mndKonv", kButton, "", u"Konvertieren", {75, 2775, 1365, 465}, kSmall, true, {}},
    {"cmdEnd", kButton, "", u"Beenden", {3225, 2775, 1365, 465}, kSmall, true, {}},
    {"Label5", kLabel, "", kMakerAddress, {1500, 3000, 1635, 195}, kSmall, true, {}},
};

constexpr std::string_view kFocusOrder[] = {"txtQuali", "cmbType",  "txtHeight", "txtWidth",
                                            "cmdDel",   "cmdAdd",   "lstFiles",  "chkTrans",
                                            "mndKonv",  "cmdEnd"};

}  // namespace

std::span<const ControlDescription> ControlDescriptions() { return kControls; }

const ControlDescription* DescriptionOf(std::string_view name) {
  for (const ControlDescription& description : kControls)
    if (description.name == name) return &description;
  return nullptr;
}

const ControlDescription& DescriptionOf(Control control) {
  for (const ControlDescription& description : kControls)
    if (description.control == control) return description;
  // Every Control stands in the table; the layout test holds it to that.
  return kControls[0];
}

std::span<const std::string_view> FocusOrder() { return kFocusOrder; }

int TwipsToPixels(int twips, int dots_per_inch) {
  return static_cast<int>(
      std::lround(static_cast<double>(twips) * dots_per_inch / (kTwipsPerPixel * 96)));
}

}  // namespace kalvenix
