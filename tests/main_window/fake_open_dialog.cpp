#include "fake_open_dialog.h"

namespace kalvenix {

DialogError FakeOpenDialog::Record(const QString& call) const {
  calls_ << call;
  return !failing_call_.isEmpty() && call.startsWith(failing_call_) ? DialogError::kInvalidSetting
                                                                     : DialogError::kNone;
}

DialogError FakeOpenDialog::SetCancelError(bool cancel_error) {
  cancel_error_ = cancel_error;
  return Record(QStringLiteral("SetCancelError(%1)").arg(cancel_error ? "true" : "false"));
}

DialogError FakeOpenDialog::SetMaxFileSize(int16_t max_file_size) {
  return Record(QStringLiteral("SetMaxFileSize(%1)").arg(max_file_size));
}

DialogError FakeOpenDialog::SetFilter(const std::u16string& filter) {
  return Record(QStringLiteral("SetFilter(%1)").arg(QString::fromStdU16String(filter)));
}

DialogError FakeOpenDialog::SetDialogTitle(const std::u16string& title) {
  return Record(QStringLiteral("SetDialogTitle(%1)").arg(QString::fromStdU16String(title)));
}

DialogError FakeOpenDialog::SetFlags(int32_t flags) {
  return Record(QStringLiteral("SetFlags(0x%1)").arg(flags, 0, 16));
}

DialogError FakeOpenDialog::ShowOpen() {
  const DialogError recorded = Record(QStringLiteral("ShowOpen"));
  if (recorded != DialogError::kNone) return recorded;
  if (cancel_) return cancel_error_ ? DialogError::kCancelled : DialogError::kNone;
  file_name_ = next_choice_;
  return DialogError::kNone;
}

DialogError FakeOpenDialog::FileName(std::u16string* file_name) const {
  const DialogError recorded = Record(QStringLiteral("FileName"));
  *file_name = recorded == DialogError::kNone ? file_name_ : std::u16string();
  return recorded;
}

}  // namespace kalvenix
