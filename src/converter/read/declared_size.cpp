#include "converter/read/declared_size.h"

#include <string>

#include "converter/base/limits.h"
#include "converter/resample/fit_size.h"
#include "converter/resample/orientation.h"

namespace quorvel {
namespace {

std::string SizeText(uint64_t width, uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace

Status CheckDeclaredSize(uint32_t width, uint32_t height, int orientation, TargetBox box,
                         Error corrupt) {
  if (width == 0 || height == 0) return Fail(corrupt, "angegebene Größe " + SizeText(width, height));
  if (width > kMaxSide || height > kMaxSide || uint64_t{width} * height > kMaxPixels)
    return Fail(Error::kTooLarge, "angegebene Größe " + SizeText(width, height));
  const PictureSize upright = UprightSize({width, height}, orientation);
  const FittedSize out = FitIntoBox(upright.width, upright.height, box);
  // Both sides are below 2^32 here, so the product cannot wrap.
  if (out.width > UINT32_MAX || out.height > UINT32_MAX || out.width * out.height > kMaxOutputPixels)
    return Fail(Error::kTooLarge, "Zielgröße " + SizeText(out.width, out.height));
  return Status::Ok();
}

}  // namespace quorvel
