// Holding the size a file's header declares against the limits, before any
// pixel buffer exists.
//
// Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_DECLARED_SIZE_H_
#define KALVENIX_CONVERTER_DECLARED_SIZE_H_

#include <cstdint>

#include "converter/error.h"
#include "converter/image.h"

namespace quorvel {

// Fails with `corrupt` for a zero side, and with kTooLarge for a side beyond
// kMaxSide, a picture beyond kMaxPixels or one whose fit into `box` (upright,
// so `swaps_sides` for EXIF orientations 5 to 8) would exceed
// kMaxOutputPixels.
Status CheckDeclaredSize(uint32_t width, uint32_t height, bool swaps_sides, TargetBox box,
                         Error corrupt);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_DECLARED_SIZE_H_
