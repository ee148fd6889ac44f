// Win32MainWindow: the window `frmMain` with Win32's own controls.
//
// Builds the controls of the window's description as children of one
// top-level window (controls on a frame stand on the window too, so their
// notifications come here), hands every event to the shared handlers and
// does the handlers' control operations with window messages; nothing of the
// window's behaviour is decided here. The open dialog and the batch come in
// through seams so tests can replace them.
//
// The object owns its window. "Beenden" and the close box destroy it and post
// WM_QUIT to the thread; the destructor destroys it without one. Create, use
// and destroy it on one thread, the user-interface thread, which must have
// entered a COM apartment before a batch runs.
#ifndef KALVENIX_MAIN_WINDOW_WIN32_WIN32_MAIN_WINDOW_H_
#define KALVENIX_MAIN_WINDOW_WIN32_WIN32_MAIN_WINDOW_H_

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "main_window/window_controls.h"
#include "main_window/window_handlers.h"
#include "platform/open_dialog.h"

namespace kalvenix {

class Win32MainWindow final : private WindowControls {
 public:
  // Makes the window's open dialog, owned by `owner`; tests give a fake. No
  // factory, or a null result, gives the system's own dialog.
  using DialogFactory = std::function<std::unique_ptr<OpenDialog>(HWND owner)>;
  using BatchRunner = WindowHandlers::BatchRunner;

  // Creates the window hidden with its controls and runs Load. `window()` is
  // null if the system refused the window (no display, out of handles).
  Win32MainWindow(DialogFactory make_dialog, BatchRunner run_batch);
  ~Win32MainWindow() override;

  HWND window() const { return window_; }
  // The control of that name in the description; null for another name or
  // once the window is gone.
  HWND ControlWindow(std::string_view name) const;

  // Dispatches the thread's messages, with the dialog keys (Tab, space) for
  // the window, until WM_QUIT; returns its exit code.
  static int RunMessageLoop(HWND window);

 private:
  // WindowControls
  void AddItem(Control list, const std::u16string& text) override;
  void RemoveItem(Control list, int32_t position) override;
  int32_t ListCount(Control list) const override;
  std::u16string List(Control list, int32_t position) const override;
  bool Selected(Control list, int32_t position) const override;
  int32_t SelCount(Control list) const override;
  int32_t ListIndex(Control list) const override;
  void SetListIndex(Control list, int32_t position) override;
  void SetVisible(Control control, bool visible) override;
  std::u16string Text(Control control) const override;
  int32_t Value(Control check_box) const override;
  void SetFocus(Control control) override;
  OpenDialog& Dialog() override;
  void ShowMessage(const std::u16string& text) override;
  void SetWaitCursor(bool wait) override;
  void Unload() override;

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void OnCommand(int id, int notification);
  void BuildControls();
  // Sizes, places and fonts everything for `dpi`; `origin` is the window's
  // new top left corner, or null to keep it.
  void Place(UINT dpi, const POINT* origin);
  HWND Handle(Control control) const;
  bool IsCombo(Control list) const { return list == Control::kCmbType; }

  WindowHandlers handlers_;
  std::unique_ptr<OpenDialog> comdlg_;
  HWND window_ = nullptr;
  std::vector<HWND> made_;                 // by position in the description
  std::array<HWND, 7> controls_{};         // by Control
  std::array<HFONT, 2> fonts_{};           // by ControlFont
  HWND focus_ = nullptr;                   // given back when the window is activated again
  bool waiting_ = false;
  bool quit_on_destroy_ = false;  // unloaded by the program, not by the destructor
};

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_WIN32_WIN32_MAIN_WINDOW_H_
