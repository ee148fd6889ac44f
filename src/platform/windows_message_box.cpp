#include "platform/windows_message_box.h"

#include "platform/application_title.h"

namespace kalvenix {

void ShowWindowsMessageBox(HWND owner, const std::u16string& text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide API takes UTF-16 code units");
  // Without an owner the box would hide behind other programs' windows.
  const UINT style = MB_OK | (owner == nullptr ? MB_SETFOREGROUND | MB_TASKMODAL : 0);
  MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text.c_str()),
              reinterpret_cast<const wchar_t*>(kApplicationTitle), style);
}

}  // namespace kalvenix
