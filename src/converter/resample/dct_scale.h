// Choosing how far the JPEG decoder may shrink a picture while decoding.
//
// libjpeg-turbo decodes at 1/2, 1/4 or 1/8 of the size almost for free. The
// converter then resamples to the box with a high-quality filter, which needs
// at least twice the fitted size to work from on each constrained side; so the
// smallest scale leaving that much is chosen. Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_RESAMPLE_DCT_SCALE_H_
#define KALVENIX_CONVERTER_RESAMPLE_DCT_SCALE_H_

#include <cstdint>

#include "converter/base/image.h"

namespace quorvel {

// Returns the denominator 1, 2, 4 or 8 for a stored picture of
// `stored_width` x `stored_height` shown with EXIF `orientation`: 5 to 8
// turn it by a quarter, so that the stored width becomes the upright height
// that the box constrains.
uint32_t ChooseDctDenominator(uint32_t stored_width, uint32_t stored_height, int orientation,
                              TargetBox box);

// The side libjpeg produces when it scales `side` by 1/denominator.
uint32_t ScaledSide(uint32_t side, uint32_t denominator);

// Along one axis, what the samples of a shrunk decode stand for. At
// 1/denominator a side of `full` pixels becomes ScaledSide(full,
// denominator) samples, and unless the side divides the outermost one
// covers only what is left of the picture (the encoder filled its partial
// block with copies of the edge). Mapping the output onto the samples
// instead of onto the picture moves it by up to that padding towards the
// far edge. Turned upright, the partial sample may come first.
struct ShrunkAxis {
  uint32_t full = 0;  // 0: the samples are the picture, each whole
  uint32_t denominator = 1;
  bool partial_first = false;
};

struct ShrinkOnLoad {
  ShrunkAxis across;
  ShrunkAxis down;
};

// The axes of a picture stored `stored_width` x `stored_height`, decoded at
// 1/denominator and then put in EXIF `orientation` (1: left as stored).
ShrinkOnLoad ShrinkOnLoadFor(uint32_t stored_width, uint32_t stored_height,
                             uint32_t denominator, int orientation);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_RESAMPLE_DCT_SCALE_H_
