#include "fake_open_dialog.h"

#include <cstdio>

#include "platform/utf_text.h"

namespace kalvenix {

DialogError FakeOpenDialog::Record(const std::string& call) const {
  calls_.push_back(call);
  return !failing_call_.empty() && call.starts_with(failing_call_) ? DialogError::kInvalidSetting
                                                                   : DialogError::kNone;
}

DialogError FakeOpenDialog::SetCancelError(bool cancel_error) {
  cancel_error_ = cancel_error;
  return Record(cancel_error ? "SetCancelError(true)" : "SetCancelError(false)");
}

DialogError FakeOpenDialog::SetMaxFileSize(int16_t max_file_size) {
  return Record("SetMaxFileSize(" + std::to_string(max_file_size) + ")");
}

DialogError FakeOpenDialog::SetFilter(const std::u16string& filter) {
  return Record("SetFilter(" + Utf16ToUtf8(filter).value_or("?") + ")");
}

DialogError FakeOpenDialog::SetDialogTitle(const std::u16string& title) {
  return Record("SetDialogTitle(" + Utf16ToUtf8(title).value_or("?") + ")");
}

DialogError FakeOpenDialog::SetFlags(int32_t flags) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(flags));
  return Record("SetFlags(0x" + std::string(hex) + ")");
}

DialogError FakeOpenDialog::ShowOpen() {
  const DialogError recorded = Record("ShowOpen");
  if (recorded != DialogError::kNone) return recorded;
  if (cancel_) return cancel_error_ ? DialogError::kCancelled : DialogError::kNone;
  file_name_ = next_choice_;
  return DialogError::kNone;
}

DialogError FakeOpenDialog::FileName(std::u16string* file_name) const {
  const DialogError recorded = Record("FileName");
  *file_name = recorded == DialogError::kNone ? file_name_ : std::u16string();
  return recorded;
}

std::vector<std::string> AddCommandCalls() {
  return {"SetCancelError(true)",
          "SetMaxFileSize(260)",
          "SetFilter(Bilder (*.bmp,*.gif,*.jpg,*.png)|*.bmp;*.gif;*.jpg;*.png)",
          "SetDialogTitle(Bild zum Konvertieren auswählen)",
          "SetFlags(0x80200)",
          "ShowOpen",
          "FileName"};
}

}  // namespace kalvenix
