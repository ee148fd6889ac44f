// The size rule: how large the written picture is.
//
// The picture keeps its aspect ratio and is scaled up or down so that it fits
// inside the box; a side of the box that is 0 or less is free, and a box with
// both sides free keeps the original size. Sides round to the nearest pixel
// and never fall below 1.
// Thread-safety: pure functions.
#ifndef KALVENIX_CONVERTER_RESAMPLE_FIT_SIZE_H_
#define KALVENIX_CONVERTER_RESAMPLE_FIT_SIZE_H_

#include <cstdint>

#include "converter/base/error.h"
#include "converter/base/image.h"

namespace quorvel {

// Unchecked, so 64-bit: the readers weigh absurd declared sizes and boxes
// with it before anything is allocated.
struct FittedSize {
  uint64_t width;
  uint64_t height;
};

// `width` and `height` are the upright picture's size, both at least 1.
FittedSize FitIntoBox(uint32_t width, uint32_t height, TargetBox box);

// The same rule for the picture about to be written. Fails with kTooLarge
// when the result exceeds kMaxOutputPixels (limits.h), and with kInternal for
// a source of zero size (a reader never hands one on).
Status FitSize(PictureSize source, TargetBox box, PictureSize* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_RESAMPLE_FIT_SIZE_H_
