// OpenDialog: the window's open-file dialog (`comdlg`), as the add command
// drives it: a few settings, then ShowOpen, then FileName.
//
// Every call returns a DialogError that the caller records, so the add command
// can go on after a failing step and decide once, after ShowOpen, whether
// anything was chosen. The dialog lives as long as the window that owns it and
// keeps what a previous use left (its folder) between uses. Not thread-safe:
// used on the user-interface thread only.
#ifndef KALVENIX_PLATFORM_OPEN_DIALOG_H_
#define KALVENIX_PLATFORM_OPEN_DIALOG_H_

#include <cstdint>
#include <string>

namespace kalvenix {

enum class DialogError : int32_t {
  kNone = 0,
  kCancelled,       // the user cancelled while CancelError was set
  kInvalidSetting,  // a setting the dialog cannot take; the dialog still shows
};

// Flags bits the adapters understand; others are accepted and ignored.
inline constexpr int32_t kDialogAllowMultiSelect = 0x200;
inline constexpr int32_t kDialogExplorer = 0x80000;

class OpenDialog {
 public:
  OpenDialog() = default;
  OpenDialog(const OpenDialog&) = delete;
  OpenDialog& operator=(const OpenDialog&) = delete;
  virtual ~OpenDialog() = default;

  // With CancelError set, a cancelled ShowOpen reports kCancelled; without it
  // a cancel reports kNone and leaves FileName as it was.
  virtual DialogError SetCancelError(bool cancel_error) = 0;
  virtual DialogError SetMaxFileSize(int16_t max_file_size) = 0;
  // "description|patterns" pairs, patterns separated by ";".
  virtual DialogError SetFilter(const std::u16string& filter) = 0;
  virtual DialogError SetDialogTitle(const std::u16string& title) = 0;
  virtual DialogError SetFlags(int32_t flags) = 0;
  // Modal; returns when the user has confirmed or cancelled.
  virtual DialogError ShowOpen() = 0;
  // One file: its full path. Several: the folder, then each name, with one
  // NUL between items and none before the first or after the last.
  virtual DialogError FileName(std::u16string* file_name) const = 0;
};

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_OPEN_DIALOG_H_
