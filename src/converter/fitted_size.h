// The size a picture takes when fitted into a target box.
//
// The picture keeps its aspect ratio and is scaled up or down so that it fits
// inside the box; a side of the box that is 0 or less is free, and a box with
// both sides free keeps the original size. Sides round to the nearest pixel
// and never fall below 1. Sizes are 64-bit so absurd boxes stay exact.
// Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_FITTED_SIZE_H_
#define KALVENIX_CONVERTER_FITTED_SIZE_H_

#include <cstdint>

#include "converter/image.h"

namespace quorvel {

struct FittedSize {
  uint64_t width;
  uint64_t height;
};

// `width` and `height` are the upright picture's size, both at least 1.
FittedSize FitIntoBox(uint32_t width, uint32_t height, TargetBox box);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_FITTED_SIZE_H_
