// OwnedText: one CompText buffer with a single owner.
//
// The buffer comes from CompTextAlloc and goes back through CompTextFree, so
// it can be handed to a component by reference: the component may free it
// and store a new one, which this object then owns and frees. Move-only.
// Not thread-safe; one owner at a time.
#ifndef KALVENIX_PLATFORM_OWNED_TEXT_H_
#define KALVENIX_PLATFORM_OWNED_TEXT_H_

#include <string>
#include <string_view>

#include "platform/component_abi.h"
#include "platform/platform_export.h"

namespace kalvenix {

class KALVENIX_PLATFORM_API OwnedText {
 public:
  OwnedText() = default;
  // Copies `text`; throws std::bad_alloc when the runtime has no memory.
  explicit OwnedText(std::u16string_view text);
  // Takes over a buffer that the caller owned (a message, a by-value result).
  static OwnedText Adopt(CompText text) noexcept;

  OwnedText(OwnedText&& other) noexcept;
  OwnedText& operator=(OwnedText&& other) noexcept;
  OwnedText(const OwnedText&) = delete;
  OwnedText& operator=(const OwnedText&) = delete;
  ~OwnedText();

  const CompText& get() const { return text_; }
  // The storage itself, for a by-reference argument.
  CompText* storage() { return &text_; }
  std::u16string ToString() const;

 private:
  CompText text_{nullptr, 0};
};

// A copy of a counted text; an empty text gives an empty string.
KALVENIX_PLATFORM_API std::u16string ToU16String(const CompText& text);

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_OWNED_TEXT_H_
