#include "main_window/file_list.h"

#include <QListWidget>
#include <memory>

#include "main_window/split_file_selection.h"
#include "platform/open_dialog.h"

namespace kalvenix {

namespace {

constexpr int16_t kMaxFileNameSize = 260;

}  // namespace

void AddChosenFiles(OpenDialog& dialog, QListWidget& list) {
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
    list.addItem(QString::fromStdU16String(path));
}

void RemoveSelectedFiles(QListWidget& list) {
  if (list.selectedItems().isEmpty()) return;
  // Each entry present at the start is looked at exactly once: a removal
  // moves the next entry up to the same position.
  const int count = list.count();
  int position = 0;
  for (int i = 0; i < count; ++i) {
    if (list.item(position)->isSelected()) {
      std::unique_ptr<QListWidgetItem> removed(list.takeItem(position));
    } else {
      ++position;
    }
  }
}

}  // namespace kalvenix
