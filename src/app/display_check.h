// Whether the program can open a window: a display is named in the
// environment, or Qt was told to draw without one. Checked before
// QApplication exists, which would otherwise abort with an English message.
#ifndef KALVENIX_APP_DISPLAY_CHECK_H_
#define KALVENIX_APP_DISPLAY_CHECK_H_

namespace kalvenix {

inline constexpr char kNoDisplayMessage[] =
    "Kalvenix: Keine Bildschirmanzeige gefunden (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt).";

bool HasDisplay();

}  // namespace kalvenix

#endif  // KALVENIX_APP_DISPLAY_CHECK_H_
