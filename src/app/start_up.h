// SetUpApplication: what the program declares about itself before its window
// exists: organisation "Orbelia", name "Kalvenix", version 1.01, its desktop
// entry "de.orbelia.Kalvenix", the Fusion style that the fixed layout was
// fitted to, German (Germany) as the default locale, and Qt's own German texts
// (dialog buttons, the file dialog) installed through `qt_texts`, which must
// outlive the application. Returns false when Qt's German translations are
// missing; the program then runs with Qt's English texts. Call once, after
// the QApplication exists, on the user-interface thread.
#ifndef KALVENIX_APP_START_UP_H_
#define KALVENIX_APP_START_UP_H_

class QTranslator;

namespace kalvenix {

inline constexpr char kOrganisation[] = "Orbelia";
inline constexpr char kVersion[] = "1.01";
// The desktop entry's name without ".desktop".
inline constexpr char kDesktopFileName[] = "de.orbelia.Kalvenix";

bool SetUpApplication(QTranslator& qt_texts);

}  // namespace kalvenix

#endif  // KALVENIX_APP_START_UP_H_
