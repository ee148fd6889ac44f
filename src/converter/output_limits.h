// Limits on what the converter writes.
//
// Thread-safety: constants only.
#ifndef KALVENIX_CONVERTER_OUTPUT_LIMITS_H_
#define KALVENIX_CONVERTER_OUTPUT_LIMITS_H_

#include <cstdint>

namespace quorvel {

// 256 megapixels: an RGBA picture of that size already needs 1 GiB, and a
// width/height typed by hand (or a negative number read as huge) must never
// make the converter try to allocate more than a desktop can spare.
inline constexpr uint64_t kMaxOutputPixels = uint64_t{256} * 1024 * 1024;

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_OUTPUT_LIMITS_H_
