#include "converter/resample/dct_scale.h"

#include "converter/resample/fit_size.h"
#include "converter/resample/orientation.h"

namespace quorvel {

uint32_t ScaledSide(uint32_t side, uint32_t denominator) {
  // libjpeg rounds scaled sizes up (jdiv_round_up).
  return uint32_t((uint64_t{side} + denominator - 1) / denominator);
}

uint32_t ChooseDctDenominator(uint32_t stored_width, uint32_t stored_height, int orientation,
                              TargetBox box) {
  if (stored_width == 0 || stored_height == 0) return 1;
  const PictureSize upright = UprightSize({stored_width, stored_height}, orientation);
  const uint32_t width = upright.width;
  const uint32_t height = upright.height;
  if (box.width <= 0 && box.height <= 0) return 1;
  FittedSize fitted = FitIntoBox(width, height, box);
  for (uint32_t denominator : {8u, 4u, 2u}) {
    bool width_ok = box.width <= 0 || ScaledSide(width, denominator) >= 2 * fitted.width;
    bool height_ok = box.height <= 0 || ScaledSide(height, denominator) >= 2 * fitted.height;
    if (width_ok && height_ok) return denominator;
  }
  return 1;
}

ShrinkOnLoad ShrinkOnLoadFor(uint32_t stored_width, uint32_t stored_height,
                             uint32_t denominator, int orientation) {
  if (denominator <= 1) return {};
  // Which stored side each upright axis runs along, and whether it runs
  // from the stored far edge (orientation.cpp's StoredPixel).
  const bool x_reversed = orientation == 2 || orientation == 3 || orientation == 6 ||
                          orientation == 7;
  const bool y_reversed = orientation == 3 || orientation == 4 || orientation == 7 ||
                          orientation == 8;
  const PictureSize upright = UprightSize({stored_width, stored_height}, orientation);
  return {{upright.width, denominator, x_reversed}, {upright.height, denominator, y_reversed}};
}

}  // namespace quorvel
