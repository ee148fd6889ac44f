#include "main_window/file_list.h"

#include "main_window/split_file_selection.h"
#include "main_window/window_controls.h"
#include "platform/open_dialog.h"

namespace kalvenix {

namespace {

constexpr int16_t kMaxFileNameSize = 260;

}  // namespace

void AddChosenFiles(OpenDialog& dialog, WindowControls& controls) {
  // Every step runs even after one failed; only the last failure is kept and
  // looked at once, after ShowOpen, so a failed setting still shows the
  // dialog but adds nothing.
  DialogError error = DialogError::kNone;
  const auto record = [&error](DialogError step) {
    if (step != DialogError::kNone) error = step;
  };
  record(dialog.SetCancelError(true));
  record(dialog.SetMaxFileSize(kMaxFileNameSize));
  record(dialog.SetFilter(kOpenDialogFilter));
  record(dialog.SetDialogTitle(kOpenDialogTitle));
  record(dialog.SetFlags(kDialogExplorer | kDialogAllowMultiSelect));
  record(dialog.ShowOpen());
  if (error != DialogError::kNone) return;

  std::u16string file_name;
  if (dialog.FileName(&file_name) != DialogError::kNone) return;
  for (const std::u16string& path : SplitFileSelection(file_name))
    controls.AddItem(Control::kLstFiles, path);
}

void RemoveSelectedFiles(WindowControls& controls) {
  if (controls.SelCount(Control::kLstFiles) == 0) return;
  // Each entry present at the start is looked at exactly once: a removal
  // moves the next entry up to the same position.
  const int32_t count = controls.ListCount(Control::kLstFiles);
  int32_t position = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (controls.Selected(Control::kLstFiles, position)) {
      controls.RemoveItem(Control::kLstFiles, position);
    } else {
      ++position;
    }
  }
}

}  // namespace kalvenix
