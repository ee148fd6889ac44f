// Choosing how far the JPEG decoder may shrink a picture while decoding.
//
// libjpeg-turbo decodes at 1/2, 1/4 or 1/8 of the size almost for free. The
// converter then resamples to the box with a high-quality filter, which needs
// at least twice the fitted size to work from on each constrained side; so the
// smallest scale leaving that much is chosen. Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_DCT_SCALE_H_
#define KALVENIX_CONVERTER_DCT_SCALE_H_

#include <cstdint>

#include "converter/image.h"

namespace quorvel {

// Returns the denominator 1, 2, 4 or 8 for a stored picture of
// `stored_width` x `stored_height`. `swaps_sides` is true when the picture is
// turned by a quarter (EXIF orientation 5 to 8), so that the stored width
// becomes the upright height that the box constrains.
uint32_t ChooseDctDenominator(uint32_t stored_width, uint32_t stored_height, bool swaps_sides,
                              TargetBox box);

// The side libjpeg produces when it scales `side` by 1/denominator.
uint32_t ScaledSide(uint32_t side, uint32_t denominator);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_DCT_SCALE_H_
