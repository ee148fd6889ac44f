// OwnedVariant: a CompVariant whose by-value text this object owns, cleared
// with CompVariantClear when it goes. Used for results coming back from a
// component. Move-only; not thread-safe.
//
// The argument builders below make variants that own nothing: a by-value
// text argument borrows its buffer for the call, the by-reference forms point
// at the caller's storage, which must outlive the call.
#ifndef KALVENIX_PLATFORM_OWNED_VARIANT_H_
#define KALVENIX_PLATFORM_OWNED_VARIANT_H_

#include "platform/component_abi.h"
#include "platform/platform_export.h"

namespace kalvenix {

class KALVENIX_PLATFORM_API OwnedVariant {
 public:
  OwnedVariant() = default;
  explicit OwnedVariant(CompVariant adopted) noexcept : variant_(adopted) {}

  OwnedVariant(OwnedVariant&& other) noexcept;
  OwnedVariant& operator=(OwnedVariant&& other) noexcept;
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
  ~OwnedVariant();

  const CompVariant& get() const { return variant_; }

 private:
  CompVariant variant_{};  // type 0 is COMP_VT_EMPTY
};

inline CompVariant Int32Argument(int32_t value) {
  CompVariant variant{};
  variant.type = COMP_VT_I4;
  variant.value.i4 = value;
  return variant;
}

inline CompVariant BoolArgument(bool value) {
  CompVariant variant{};
  variant.type = COMP_VT_BOOL;
  variant.value.boolean = value ? COMP_TRUE : COMP_FALSE;
  return variant;
}

inline CompVariant TextArgument(const CompText& borrowed) {
  CompVariant variant{};
  variant.type = COMP_VT_TEXT;
  variant.value.text = borrowed;
  return variant;
}

inline CompVariant Int32Reference(int32_t* storage) {
  CompVariant variant{};
  variant.type = COMP_VT_BYREF | COMP_VT_I4;
  variant.value.p_i4 = storage;
  return variant;
}

inline CompVariant BoolReference(CompBool* storage) {
  CompVariant variant{};
  variant.type = COMP_VT_BYREF | COMP_VT_BOOL;
  variant.value.p_boolean = storage;
  return variant;
}

inline CompVariant TextReference(CompText* storage) {
  CompVariant variant{};
  variant.type = COMP_VT_BYREF | COMP_VT_TEXT;
  variant.value.p_text = storage;
  return variant;
}

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_OWNED_VARIANT_H_
