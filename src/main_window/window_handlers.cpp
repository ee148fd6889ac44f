#include "main_window/window_handlers.h"

#include "main_window/file_list.h"
#include "platform/system_paths.h"

namespace kalvenix {

namespace {

// Sets the wait cursor for its scope; a batch left by an exception takes it
// back, too.
class WaitCursor {
 public:
  WaitCursor(WindowControls& controls, bool& busy) : controls_(controls), busy_(busy) {
    busy_ = true;
    controls_.SetWaitCursor(true);
  }
  ~WaitCursor() {
    busy_ = false;
    controls_.SetWaitCursor(false);
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  WindowControls& controls_;
  bool& busy_;
};

}  // namespace

WindowHandlers::WindowHandlers(WindowControls& controls, BatchRunner run_batch)
    : controls_(controls), run_batch_(std::move(run_batch)) {}

void WindowHandlers::Load() {
  for (const char16_t* type : {u"BMP", u"GIF", u"JPG", u"PNG"})
    controls_.AddItem(Control::kCmbType, type);
  // Selecting runs ShowOptionsForType, as a click on the list would.
  controls_.SetListIndex(Control::kCmbType, kJpgPosition);
  controls_.SetFocus(Control::kTxtQuali);
}

void WindowHandlers::ShowOptionsForType() {
  const bool quality = controls_.ListIndex(Control::kCmbType) == kJpgPosition;
  controls_.SetVisible(Control::kLblQuali, quality);
  controls_.SetVisible(Control::kTxtQuali, quality);
  controls_.SetVisible(Control::kChkTrans, controls_.ListIndex(Control::kCmbType) == kGifPosition);
}

void WindowHandlers::AddFiles() { AddChosenFiles(controls_.Dialog(), controls_); }

void WindowHandlers::RemoveFiles() { RemoveSelectedFiles(controls_); }

void WindowHandlers::ConvertFiles() {
  const WaitCursor wait(controls_, busy_);
  run_batch_(*this, *this);
}

void WindowHandlers::EndProgram() { controls_.Unload(); }

int32_t WindowHandlers::EntryCount() const { return controls_.ListCount(Control::kLstFiles); }

std::u16string WindowHandlers::EntryText(int32_t index) const {
  return controls_.List(Control::kLstFiles, index);
}

std::u16string WindowHandlers::OutputTypeText() const { return controls_.Text(Control::kCmbType); }

int32_t WindowHandlers::OutputTypeIndex() const { return controls_.ListIndex(Control::kCmbType); }

int32_t WindowHandlers::TransparencyState() const { return controls_.Value(Control::kChkTrans); }

std::u16string WindowHandlers::QualityText() const { return controls_.Text(Control::kTxtQuali); }

std::u16string WindowHandlers::HeightText() const { return controls_.Text(Control::kTxtHeight); }

std::u16string WindowHandlers::WidthText() const { return controls_.Text(Control::kTxtWidth); }

void WindowHandlers::ShowMessage(const std::u16string& text) {
  // The user has to read and close the box: the pointer must not say "wait".
  if (busy_) controls_.SetWaitCursor(false);
  controls_.ShowMessage(text);
  if (busy_) controls_.SetWaitCursor(true);
}

std::u16string WindowHandlers::ExecutableFolder() const { return kalvenix::ExecutableFolder(); }

}  // namespace kalvenix
