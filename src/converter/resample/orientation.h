// Turning a stored picture upright according to its EXIF orientation.
//
// Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_RESAMPLE_ORIENTATION_H_
#define KALVENIX_CONVERTER_RESAMPLE_ORIENTATION_H_

#include "converter/base/error.h"
#include "converter/base/image.h"

namespace quorvel {

// Whether `orientation` turns the picture by a quarter, swapping its sides.
inline bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The size the picture stored as `stored` shows upright. The swap undoes
// itself, so the same call gives the stored size of an upright one.
inline PictureSize UprightSize(PictureSize stored, int orientation) {
  return OrientationSwapsSides(orientation) ? PictureSize{stored.height, stored.width} : stored;
}

// Rewrites `*image` upright for EXIF orientation 1..8 (1 and anything out of
// range leave it unchanged). Orientations 5 to 8 swap width and height.
// Fails only when the upright copy cannot be allocated.
Status ApplyOrientation(int orientation, Image* image);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_RESAMPLE_ORIENTATION_H_
