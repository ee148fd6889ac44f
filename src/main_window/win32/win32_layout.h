// The window's description in Win32 terms: the window class and styles of
// each kind of control, places in pixels at a window's dots per inch, and
// the two fonts. Pure except for the font and DPI calls; user-interface
// thread only.
#ifndef KALVENIX_MAIN_WINDOW_WIN32_WIN32_LAYOUT_H_
#define KALVENIX_MAIN_WINDOW_WIN32_WIN32_LAYOUT_H_

#include <windows.h>

#include "main_window/window_layout.h"

namespace kalvenix {

// The top-level window: fixed single border, no maximize or minimize box.
inline constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
inline constexpr DWORD kMainWindowExStyle = 0;

struct Win32ControlStyle {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

// What CreateWindowExW is given for a control of `kind`; `takes_focus` adds
// the tab stop.
Win32ControlStyle StyleOf(ControlKind kind, bool takes_focus);

// `place` in pixels at `dpi`, with the container's corner added for a
// control inside a frame.
RECT PixelRectOf(const ControlDescription& description, UINT dpi);
// The outer size of the main window whose client area is kClientAreaTwips.
SIZE MainWindowSize(UINT dpi);

// The window's DPI; 96 where the system cannot tell per window.
UINT DpiOf(HWND window);
// "MS Sans Serif" at the font's points for `dpi`; the caller deletes it.
HFONT MakeFont(ControlFont font, UINT dpi);

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_WIN32_WIN32_LAYOUT_H_
