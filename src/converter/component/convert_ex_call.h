// The arguments of convertEx as the batch passes them.
//
// source (text), destination (text), width, height (I4), transparency (BOOL)
// and quality (I4), in this order. The batch passes the source by value and
// the rest by reference; by-value forms are taken for every argument too, so
// other callers need not mimic that. A BOOL argument also takes an I4.
// Thread-safety: pure functions; the variants belong to the caller.
#ifndef KALVENIX_CONVERTER_COMPONENT_CONVERT_EX_CALL_H_
#define KALVENIX_CONVERTER_COMPONENT_CONVERT_EX_CALL_H_

#include <cstdint>
#include <string>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "platform/component_abi.h"

namespace quorvel {

inline constexpr char kConvertExName[] = "convertEx";
inline constexpr uint32_t kConvertExArgumentCount = 6;

struct ConvertExCall {
  std::string source;
  std::string destination;
  TargetBox box;
  bool transparency = false;
  int32_t quality = 100;
  // Where the produced size goes back to; null when passed by value.
  int32_t* width_out = nullptr;
  int32_t* height_out = nullptr;
};

// kBadArguments with the argument's position on the wrong count or type, a
// null reference, or a path that is no valid text.
Status ParseConvertExCall(const CompVariant* args, uint32_t count, ConvertExCall* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COMPONENT_CONVERT_EX_CALL_H_
