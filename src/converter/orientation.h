// Turning a stored picture upright according to its EXIF orientation.
//
// Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_ORIENTATION_H_
#define KALVENIX_CONVERTER_ORIENTATION_H_

#include "converter/error.h"
#include "converter/image.h"

namespace quorvel {

// Rewrites `*image` upright for EXIF orientation 1..8 (1 and anything out of
// range leave it unchanged). Orientations 5 to 8 swap width and height.
// Fails only when the upright copy cannot be allocated.
Status ApplyOrientation(int orientation, Image* image);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_ORIENTATION_H_
