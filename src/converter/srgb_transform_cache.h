// Little CMS transforms from embedded profiles to sRGB, built once.
//
// Building a transform costs far more than applying it to a thumbnail, and a
// batch of photos from one camera repeats one profile; so transforms are kept
// per distinct profile (the last kCapacity of them) for the process.
// Thread-safety: thread-safe. Lookups serialise on one mutex; the returned
// transforms carry no per-call cache, so threads may apply one at once.
#ifndef KALVENIX_CONVERTER_SRGB_TRANSFORM_CACHE_H_
#define KALVENIX_CONVERTER_SRGB_TRANSFORM_CACHE_H_

#include <cstdint>
#include <memory>
#include <span>

#include "converter/source_picture.h"

namespace quorvel {

// One profile's way to sRGB. `handle` is a cmsHTRANSFORM, or null when the
// profile is unusable or already (within rounding) sRGB; `identity` tells
// which.
struct SrgbTransform {
  void* handle = nullptr;
  bool identity = false;
  ~SrgbTransform();
};

// The transform for pixels of `model` tagged with `profile`.
std::shared_ptr<const SrgbTransform> SrgbTransformFor(std::span<const uint8_t> profile, PixelModel model);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_SRGB_TRANSFORM_CACHE_H_
