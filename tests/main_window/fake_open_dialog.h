// FakeOpenDialog: an OpenDialog that records every call, in order, and
// answers as a test tells it: a chosen FileName, a cancel, or a failing step.
#ifndef KALVENIX_TESTS_MAIN_WINDOW_FAKE_OPEN_DIALOG_H_
#define KALVENIX_TESTS_MAIN_WINDOW_FAKE_OPEN_DIALOG_H_

#include <string>
#include <vector>

#include "platform/open_dialog.h"

namespace kalvenix {

class FakeOpenDialog final : public OpenDialog {
 public:
  DialogError SetCancelError(bool cancel_error) override;
  DialogError SetMaxFileSize(int16_t max_file_size) override;
  DialogError SetFilter(const std::u16string& filter) override;
  DialogError SetDialogTitle(const std::u16string& title) override;
  DialogError SetFlags(int32_t flags) override;
  DialogError ShowOpen() override;
  DialogError FileName(std::u16string* file_name) const override;

  // What the user will choose at the next ShowOpen.
  void Choose(const std::u16string& file_name) {
    next_choice_ = file_name;
    cancel_ = false;
  }
  void Cancel() { cancel_ = true; }
  // The call whose record starts with `call` reports kInvalidSetting.
  void FailCall(const std::string& call) { failing_call_ = call; }

  // "SetCancelError(true)", "SetMaxFileSize(260)", ... in call order, UTF-8.
  const std::vector<std::string>& calls() const { return calls_; }

 private:
  DialogError Record(const std::string& call) const;

  mutable std::vector<std::string> calls_;
  std::string failing_call_;
  std::u16string next_choice_;
  std::u16string file_name_;
  bool cancel_error_ = false;
  bool cancel_ = false;
};

// The calls one use of "Add" makes, in order, as calls() records them.
std::vector<std::string> AddCommandCalls();

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_MAIN_WINDOW_FAKE_OPEN_DIALOG_H_
