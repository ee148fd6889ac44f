#include "platform/owned_variant.h"

#include <utility>

namespace kalvenix {

OwnedVariant::OwnedVariant(OwnedVariant&& other) noexcept
    : variant_(std::exchange(other.variant_, CompVariant{})) {}

OwnedVariant& OwnedVariant::operator=(OwnedVariant&& other) noexcept {
  if (this != &other) {
    CompVariantClear(&variant_);
    variant_ = std::exchange(other.variant_, CompVariant{});
  }
  return *this;
}

OwnedVariant::~OwnedVariant() { CompVariantClear(&variant_); }

}  // namespace kalvenix
