// The window and its surroundings as plain data, for running the batch
// without Qt. Starts with the window's initial values ("JPG", 640 x 480,
// quality 100, no transparency). Records the messages shown.
#ifndef KALVENIX_TESTS_CONVERSION_FAKE_WINDOW_H_
#define KALVENIX_TESTS_CONVERSION_FAKE_WINDOW_H_

#include <string>
#include <vector>

#include "conversion/conversion_window.h"

namespace kalvenix {

class FakeWindow final : public ConversionWindow, public ConversionSurroundings {
 public:
  std::vector<std::u16string> entries;
  std::u16string type_text = u"JPG";
  int32_t type_index = 2;
  int32_t transparency_state = 0;
  std::u16string quality = u"100";
  std::u16string height = u"480";
  std::u16string width = u"640";
  std::u16string folder;
  std::vector<std::u16string> messages;

  int32_t EntryCount() const override { return static_cast<int32_t>(entries.size()); }
  std::u16string EntryText(int32_t index) const override { return entries.at(index); }
  std::u16string OutputTypeText() const override { return type_text; }
  int32_t OutputTypeIndex() const override { return type_index; }
  int32_t TransparencyState() const override { return transparency_state; }
  std::u16string QualityText() const override { return quality; }
  std::u16string HeightText() const override { return height; }
  std::u16string WidthText() const override { return width; }

  void ShowMessage(const std::u16string& text) override { messages.push_back(text); }
  std::u16string ExecutableFolder() const override { return folder; }
};

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_CONVERSION_FAKE_WINDOW_H_
