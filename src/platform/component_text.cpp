// The text and variant helpers of the component ABI. One allocator for the
// whole process: on Linux every component reaches these through the runtime
// library; on Windows only the program uses them, for its own side of a call.
#include <cstdlib>
#include <cstring>

#include "platform/component_abi.h"

extern "C" {

COMP_EXPORT CompStatus CompTextAlloc(const uint16_t* units, uint32_t length, CompText* out) {
  if (out == nullptr) return COMP_E_INVALID_ARGUMENT;
  *out = CompText{nullptr, 0};
  if (length == 0) return COMP_OK;
  if (units == nullptr) return COMP_E_INVALID_ARGUMENT;
  // uint32_t units of two bytes always fit in size_t on the 64-bit targets we build.
  const size_t bytes = size_t{length} * sizeof(uint16_t);
  auto* copy = static_cast<uint16_t*>(std::malloc(bytes));
  if (copy == nullptr) return COMP_E_OUT_OF_MEMORY;
  std::memcpy(copy, units, bytes);
  *out = CompText{copy, length};
  return COMP_OK;
}

COMP_EXPORT void CompTextFree(CompText* text) {
  if (text == nullptr) return;
  std::free(text->units);
  *text = CompText{nullptr, 0};
}

COMP_EXPORT void CompVariantClear(CompVariant* variant) {
  if (variant == nullptr) return;
  if (variant->type == COMP_VT_TEXT) CompTextFree(&variant->value.text);
  std::memset(variant, 0, sizeof(*variant));
  variant->type = COMP_VT_EMPTY;
}

}  // extern "C"
