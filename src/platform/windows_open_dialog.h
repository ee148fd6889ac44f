// WindowsOpenDialog: OpenDialog on the system's GetOpenFileNameW.
//
// The settings keep their meaning: the filter becomes the dialog's
// description/pattern pairs, the title its caption, the multi-select bit a
// multi-select dialog. The dialog is always the Explorer kind, since only that
// kind separates several names with NULs, which is FileName's form. The size
// from SetMaxFileSize is only a minimum for the result buffer: several names
// need far more than a single path, so the buffer starts large and, should the
// dialog still report it too small, grows to what the dialog asks for and the
// dialog shows once more. The initial folder is left to the dialog, which
// opens where the previous use ended.
//
// `owner` may be null and must outlive the adapter. The adapter owns
// everything it returns. User-interface thread only.
#ifndef KALVENIX_PLATFORM_WINDOWS_OPEN_DIALOG_H_
#define KALVENIX_PLATFORM_WINDOWS_OPEN_DIALOG_H_

#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/open_dialog.h"

namespace kalvenix {

// What one showing of the system dialog gave: confirmed, or not, with
// CommDlgExtendedError's code (0: the user cancelled).
struct OpenDialogOutcome {
  bool confirmed = false;
  DWORD error = 0;
};

// Shows the dialog that `request` describes; the seam tests replace.
using ShowOpenDialogFunction = std::function<OpenDialogOutcome(OPENFILENAMEW* request)>;

// The real one: GetOpenFileNameW, then CommDlgExtendedError on failure.
OpenDialogOutcome ShowSystemOpenDialog(OPENFILENAMEW* request);

// The result buffer's first size, in characters (2 MiB): room for more names
// than the list can take. Generous on purpose: Wine's dialog writes a
// multi-file result past a smaller nMaxFile instead of reporting it too small.
inline constexpr size_t kInitialResultChars = 1024 * 1024;
// No more than this is ever allocated, however large a size the dialog asks
// for: 32,767 list entries (all the list can address) of up to 260 characters.
inline constexpr size_t kMaxResultChars = 32767 * 261;

// "description|patterns|..." as the dialog takes it: every piece followed
// by a NUL, and one more NUL at the end. Empty gives empty (no filter).
// Refused (nullopt): an odd number of pieces, an empty description or
// pattern list, or a NUL anywhere, which would end the list early.
std::optional<std::u16string> DialogFilterPairs(std::u16string_view filter);

// What the dialog wrote into its buffer, in FileName's form: the pieces up
// to the first empty one (the list's end, or the buffer's), joined by single
// NULs. One piece is one file's full path and comes back as it is.
std::u16string FileSelectionFromBuffer(std::u16string_view buffer);

// The buffer for the next showing: `current` 0 means the first, which gets
// at least kInitialResultChars and at least `max_file_size`. After a
// too-small report it gets what the dialog asked for (`reported`, which a
// 16-bit field may have cut short) but at least twice `current`, and never
// more than kMaxResultChars; 0 when `current` is already that large, so
// showing again would not help.
size_t ResultBufferChars(size_t current, int16_t max_file_size, size_t reported);

class WindowsOpenDialog final : public OpenDialog {
 public:
  explicit WindowsOpenDialog(HWND owner, ShowOpenDialogFunction show = ShowSystemOpenDialog);

  DialogError SetCancelError(bool cancel_error) override;
  DialogError SetMaxFileSize(int16_t max_file_size) override;
  DialogError SetFilter(const std::u16string& filter) override;
  DialogError SetDialogTitle(const std::u16string& title) override;
  DialogError SetFlags(int32_t flags) override;
  // Any failure of the dialog other than a buffer too small counts as a
  // cancel, as does running out of room at kMaxResultChars.
  DialogError ShowOpen() override;
  DialogError FileName(std::u16string* file_name) const override;

 private:
  HWND owner_;
  ShowOpenDialogFunction show_;
  bool cancel_error_ = false;
  int16_t max_file_size_ = 260;
  int32_t flags_ = 0;
  std::u16string filter_pairs_;  // empty: no filter
  std::u16string title_;         // empty: the dialog's own caption
  DWORD filter_index_ = 1;       // the dialog's choice, kept for the next use
  std::u16string file_name_;
};

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_WINDOWS_OPEN_DIALOG_H_
