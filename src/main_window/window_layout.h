// The window's description: every control with its kind, container, caption
// or initial text, place in twips, font and first visibility, in the order
// the toolkits create them; the focus order; the window's own caption and
// size. One table for both toolkits, so neither writes its own copy.
// 15 twips make one pixel at 96 dots per inch. Pure data; any thread.
#ifndef KALVENIX_MAIN_WINDOW_WINDOW_LAYOUT_H_
#define KALVENIX_MAIN_WINDOW_WINDOW_LAYOUT_H_

#include <optional>
#include <span>
#include <string_view>

#include "main_window/window_controls.h"

namespace kalvenix {

inline constexpr char16_t kWindowCaption[] = u"Orbelia - Kalvenix";
inline constexpr char16_t kMakerAddress[] = u"www.orbelia.de";

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

enum class ControlKind { kFrame, kLabel, kButton, kListBox, kDropDownList, kTextBox, kCheckBox };

// The dialog font is "MS Sans Serif" at 8.25 points; the label font the same
// face at 9.75 points, regular weight.
enum class ControlFont { kDialog, kLabel };

inline constexpr std::u16string_view kFontFace = u"MS Sans Serif";
inline constexpr double kDialogFontPoints = 8.25;
inline constexpr double kLabelFontPoints = 9.75;

struct ControlDescription {
  std::string_view name;
  ControlKind kind;
  std::string_view container;  // a frame's name; empty for the window itself
  std::u16string_view caption;  // or a text box's initial text
  TwipsRect place;              // Left and Top from the container's corner
  ControlFont font;
  bool visible_when_created;
  std::optional<Control> control;  // set for the controls the handlers touch
};

inline constexpr int kTwipsPerPixel = 15;
inline constexpr TwipsRect kClientAreaTwips{0, 0, 4680, 3360};

// Containers come before what they hold.
std::span<const ControlDescription> ControlDescriptions();
// The description of `name`; null for a name the table does not hold.
const ControlDescription* DescriptionOf(std::string_view name);
const ControlDescription& DescriptionOf(Control control);
// The controls that take the focus, in tab order; a toolkit skips hidden ones.
std::span<const std::string_view> FocusOrder();

// Twips to pixels at `dots_per_inch`, rounded to the nearest pixel.
int TwipsToPixels(int twips, int dots_per_inch = 96);

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_WINDOW_LAYOUT_H_
