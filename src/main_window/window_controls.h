// WindowControls: what the window's handlers do to its controls, and nothing
// more. The Qt window and the Win32 window each implement it with their own
// toolkit's controls; the handlers (window_handlers.h) are written once
// against it, and tests drive them through a plain fake.
//
// Operations carry the names the controls give them. Positions count from 0.
// An operation named for a kind of control (a list's, a check box's) is only
// ever asked of such a control. User-interface thread only.
#ifndef KALVENIX_MAIN_WINDOW_WINDOW_CONTROLS_H_
#define KALVENIX_MAIN_WINDOW_WINDOW_CONTROLS_H_

#include <cstdint>
#include <string>

namespace kalvenix {

class OpenDialog;

// The controls the handlers touch. Frames, the fixed labels and the buttons
// are the toolkit's own business.
enum class Control : int32_t {
  kCmbType,    // drop-down list of the output types
  kLstFiles,   // the file list, several entries selectable
  kLblQuali,   // "Qualität (10-100)"
  kTxtQuali,   // quality text box
  kChkTrans,   // "Transparenz" check box
  kTxtWidth,   // width text box
  kTxtHeight,  // height text box
};

class WindowControls {
 public:
  WindowControls() = default;
  WindowControls(const WindowControls&) = delete;
  WindowControls& operator=(const WindowControls&) = delete;
  virtual ~WindowControls() = default;

  // Lists (kCmbType, kLstFiles). AddItem appends: neither list sorts.
  virtual void AddItem(Control list, const std::u16string& text) = 0;
  // Later entries move up by one.
  virtual void RemoveItem(Control list, int32_t position) = 0;
  virtual int32_t ListCount(Control list) const = 0;
  // Empty for a position outside the list.
  virtual std::u16string List(Control list, int32_t position) const = 0;
  virtual bool Selected(Control list, int32_t position) const = 0;
  virtual int32_t SelCount(Control list) const = 0;
  // The selected entry of kCmbType; -1 when none is.
  virtual int32_t ListIndex(Control list) const = 0;
  // Selects the entry and raises the list's Click: the window's handler has
  // run to its end when this returns.
  virtual void SetListIndex(Control list, int32_t position) = 0;

  // Showing or hiding keeps a control's text and check state.
  virtual void SetVisible(Control control, bool visible) = 0;
  // A text box's text; kCmbType's selected entry's text, empty when none.
  virtual std::u16string Text(Control control) const = 0;
  // The check box's state: 0 unchecked, 1 checked, 2 greyed.
  virtual int32_t Value(Control check_box) const = 0;
  virtual void SetFocus(Control control) = 0;

  // The window's open dialog; it lives as long as the window.
  virtual OpenDialog& Dialog() = 0;
  // A modal box: the text, one OK button, no icon, caption "Kalvenix".
  virtual void ShowMessage(const std::u16string& text) = 0;
  // The wait cursor over the whole program, while the window cannot answer.
  virtual void SetWaitCursor(bool wait) = 0;
  // Closes and destroys the window, and ends the program: no further event
  // reaches a handler.
  virtual void Unload() = 0;
};

}  // namespace kalvenix

#endif  // KALVENIX_MAIN_WINDOW_WINDOW_CONTROLS_H_
