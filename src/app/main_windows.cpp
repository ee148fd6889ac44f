// Kalvenix.exe: starts the window frmMain and runs until it is closed.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "app/system_batch.h"
#include "main_window/win32/win32_main_window.h"
#include "platform/windows_message_box.h"
#include "platform/windows_open_dialog.h"

namespace {

// The window's open dialog, owned by the window: the system's own.
std::unique_ptr<kalvenix::OpenDialog> MakeOpenDialog(HWND owner) {
  return std::make_unique<kalvenix::WindowsOpenDialog>(owner);
}

// COM for the batch's converter objects, for the life of the window; the
// window is this thread's, so a single-threaded apartment.
class Apartment {
 public:
  Apartment() : status_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~Apartment() {
    if (SUCCEEDED(status_)) CoUninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

 private:
  HRESULT status_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int show_command) {
  const Apartment apartment;
  // The manifest asks for the version 6 controls; their classes are
  // registered here.
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  kalvenix::Win32MainWindow window(&MakeOpenDialog, &kalvenix::ConvertOnThisSystem);
  if (window.window() == nullptr) {
    kalvenix::ShowWindowsMessageBox(nullptr, u"Das Fenster konnte nicht erzeugt werden.");
    return 1;
  }
  ShowWindow(window.window(), show_command);
  UpdateWindow(window.window());
  return kalvenix::Win32MainWindow::RunMessageLoop(window.window());
}
