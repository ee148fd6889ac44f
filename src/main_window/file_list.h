// The file list's two commands, on the list box `lstFiles`.
//
// AddChosenFiles applies the open dialog's settings, shows it and appends
// every chosen path to the end of the list; a cancel, or any failed step,
// adds nothing and shows nothing. RemoveSelectedFiles removes every selected
// entry and keeps the others in order. Both run on the user-interface thread
// and leave ownership of the list and the dialog with the caller.
#ifndef KALVENIX_MAIN_WINDOW_FILE_LIST_H_
#define KALVENIX_MAIN_WINDOW_FILE_LIST_H_

namespace kalvenix {

class OpenDialog;
class WindowControls;

inline constexpr char16_t kOpenDialogFilter[] =
    u"Bilder (*.bmp,*.gif,*.jpg,*.png)|*.bmp;*.gif;*.jpg;*.png";
inline constexpr char16_t kOpenDialogTitle[] = u"Bild zum Konvertieren auswählen";

void AddChosenFiles(OpenDialog& dialog, WindowControls& controls);
void RemoveSelectedFiles(WindowControls& controls);

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_FILE_LIST_H_
