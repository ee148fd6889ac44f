#include "converter/fit_size.h"

#include <string>

#include "converter/fitted_size.h"
#include "converter/limits.h"

namespace quorvel {

Status FitSize(PictureSize source, TargetBox box, PictureSize* out) {
  if (source.width == 0 || source.height == 0) {
    return Fail(Error::kInternal, "Quelle ohne Pixel");
  }
  // The readers choose their DCT shrink with the same rule, so both agree on
  // the size to the pixel.
  const FittedSize fitted = FitIntoBox(source.width, source.height, box);
  // Each side alone first, so that the product cannot overflow.
  if (fitted.width > kMaxOutputPixels || fitted.height > kMaxOutputPixels ||
      fitted.width * fitted.height > kMaxOutputPixels) {
    return Fail(Error::kTooLarge, "Zielgröße " + std::to_string(fitted.width) + " x " +
                                      std::to_string(fitted.height));
  }
  out->width = static_cast<uint32_t>(fitted.width);
  out->height = static_cast<uint32_t>(fitted.height);
  return Status::Ok();
}

}  // namespace quorvel
