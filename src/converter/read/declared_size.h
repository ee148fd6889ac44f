// Holding the size a file's header declares against the limits, before any
// pixel buffer exists.
//
// Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_READ_DECLARED_SIZE_H_
#define KALVENIX_CONVERTER_READ_DECLARED_SIZE_H_

#include <cstdint>

#include "converter/base/error.h"
#include "converter/base/image.h"

namespace quorvel {

// Fails with `corrupt` for a zero side, and with kTooLarge for a side beyond
// kMaxSide, a picture beyond kMaxPixels or one whose fit into `box` (upright,
// turned by EXIF `orientation`; 1 for formats without one) would exceed
// kMaxOutputPixels.
Status CheckDeclaredSize(uint32_t width, uint32_t height, int orientation, TargetBox box,
                         Error corrupt);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_DECLARED_SIZE_H_
