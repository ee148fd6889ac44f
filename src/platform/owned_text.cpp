#include "platform/owned_text.h"

#include <new>
#include <utility>

namespace kalvenix {

OwnedText::OwnedText(std::u16string_view text) {
  static_assert(sizeof(char16_t) == sizeof(uint16_t));
  if (text.size() > UINT32_MAX) throw std::bad_alloc();
  const CompStatus status = CompTextAlloc(reinterpret_cast<const uint16_t*>(text.data()),
                                          static_cast<uint32_t>(text.size()), &text_);
  if (status != COMP_OK) throw std::bad_alloc();
}

OwnedText OwnedText::Adopt(CompText text) noexcept {
  OwnedText owned;
  owned.text_ = text;
  return owned;
}

OwnedText::OwnedText(OwnedText&& other) noexcept : text_(std::exchange(other.text_, CompText{})) {}

OwnedText& OwnedText::operator=(OwnedText&& other) noexcept {
  if (this != &other) {
    CompTextFree(&text_);
    text_ = std::exchange(other.text_, CompText{});
  }
  return *this;
}

OwnedText::~OwnedText() { CompTextFree(&text_); }

std::u16string OwnedText::ToString() const { return ToU16String(text_); }

std::u16string ToU16String(const CompText& text) {
  if (text.units == nullptr || text.length == 0) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text.units), text.length);
}

}  // namespace kalvenix
