// The size rule: how large the written picture is.
//
// The picture is scaled to fit inside the box keeping its aspect ratio, up or
// down; a side of 0 or less leaves that side free, both free keep the size.
// Neither side of the result is ever 0.
// Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_FIT_SIZE_H_
#define KALVENIX_CONVERTER_FIT_SIZE_H_

#include <cstdint>

#include "converter/error.h"
#include "converter/image.h"

namespace quorvel {

struct PictureSize {
  uint32_t width = 0;
  uint32_t height = 0;

  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// Fails with kTooLarge when the result exceeds kMaxOutputPixels (limits.h),
// and with kInternal for a source of zero size (a reader never hands one on).
Status FitSize(PictureSize source, TargetBox box, PictureSize* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_FIT_SIZE_H_
