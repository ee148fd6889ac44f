// ShowWindowsMessageBox: the program's one kind of message on Windows, a
// modal MessageBoxW with the text, one OK button, no icon and the application
// title as its caption. Returns when the user has closed it; `owner` may be
// null. User-interface thread only.
#ifndef KALVENIX_PLATFORM_WINDOWS_MESSAGE_BOX_H_
#define KALVENIX_PLATFORM_WINDOWS_MESSAGE_BOX_H_

#include <windows.h>

#include <string>

namespace kalvenix {

void ShowWindowsMessageBox(HWND owner, const std::u16string& text);

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_WINDOWS_MESSAGE_BOX_H_
