#include "main_window/win32/win32_layout.h"

#include <cmath>

namespace kalvenix {

namespace {

// Every place and size is in twips, so sums are made before the rounding:
// a control inside a frame stands where it would if the frame's corner had
// been added to the table.
TwipsRect Absolute(const ControlDescription& description) {
  TwipsRect place = description.place;
  if (!description.container.empty()) {
    const ControlDescription* frame = DescriptionOf(description.container);
    if (frame != nullptr) {
      place.left += frame->place.left;
      place.top += frame->place.top;
    }
  }
  return place;
}

// Bound by name: both exist from Windows 10 (1607) on; older systems and
// older Wine scale nothing per window.
template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

}  // namespace

Win32ControlStyle StyleOf(ControlKind kind, bool takes_focus) {
  // Clipping siblings keeps a frame's repaint from painting over the
  // controls that stand on it.
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (takes_focus) style |= WS_TABSTOP | WS_GROUP;  // a group each: arrows never jump
  switch (kind) {
    case ControlKind::kFrame:
      return {L"BUTTON", style | BS_GROUPBOX, 0};
    case ControlKind::kLabel:
      return {L"STATIC", style | SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::kButton:
      return {L"BUTTON", style | BS_PUSHBUTTON, 0};
    case ControlKind::kListBox:
      // A click or the space bar toggles one entry; the height is the
      // table's, not rounded to whole entries.
      return {L"LISTBOX",
              style | LBS_MULTIPLESEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
              WS_EX_CLIENTEDGE};
    case ControlKind::kDropDownList:
      return {L"COMBOBOX", style | CBS_DROPDOWNLIST | WS_VSCROLL, 0};
    case ControlKind::kTextBox:
      return {L"EDIT", style | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::kCheckBox:
      return {L"BUTTON", style | BS_AUTOCHECKBOX, 0};
  }
  return {L"STATIC", style, 0};
}

RECT PixelRectOf(const ControlDescription& description, UINT dpi) {
  const TwipsRect place = Absolute(description);
  const int scale = static_cast<int>(dpi);
  const int left = TwipsToPixels(place.left, scale);
  const int top = TwipsToPixels(place.top, scale);
  return {left, top, left + TwipsToPixels(place.width, scale),
          top + TwipsToPixels(place.height, scale)};
}

SIZE MainWindowSize(UINT dpi) {
  const int scale = static_cast<int>(dpi);
  RECT frame{0, 0, TwipsToPixels(kClientAreaTwips.width, scale),
             TwipsToPixels(kClientAreaTwips.height, scale)};
  using AdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi = User32Function<AdjustForDpi>("AdjustWindowRectExForDpi");
  if (adjust_for_dpi != nullptr) {
    adjust_for_dpi(&frame, kMainWindowStyle, FALSE, kMainWindowExStyle, dpi);
  } else {
    AdjustWindowRectEx(&frame, kMainWindowStyle, FALSE, kMainWindowExStyle);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

UINT DpiOf(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  const UINT dpi = get_dpi != nullptr ? get_dpi(window) : 0;
  return dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

HFONT MakeFont(ControlFont font, UINT dpi) {
  // In quarter points, so that 8.25 and 9.75 points stay exact integers.
  const double points = font == ControlFont::kLabel ? kLabelFontPoints : kDialogFontPoints;
  const int quarter_points = static_cast<int>(std::lround(points * 4));
  const std::u16string face(kFontFace);
  return CreateFontW(-MulDiv(quarter_points, static_cast<int>(dpi), 72 * 4), 0, 0, 0, FW_NORMAL,
                     FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                     reinterpret_cast<const wchar_t*>(face.c_str()));
}

}  // namespace kalvenix
