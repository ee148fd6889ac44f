#include "converter/resample/fit_size.h"

#include <algorithm>
#include <string>

#include "converter/base/limits.h"

namespace quorvel {
namespace {

// round(a * b / c) for values far below 2^63 (sides < 2^32).
uint64_t MulDivRound(uint64_t a, uint64_t b, uint64_t c) {
  return std::max<uint64_t>(1, (a * b + c / 2) / c);
}

}  // namespace

FittedSize FitIntoBox(uint32_t width, uint32_t height, TargetBox box) {
  bool width_free = box.width <= 0;
  bool height_free = box.height <= 0;
  if (width_free && height_free) return {width, height};
  uint64_t bw = width_free ? 0 : uint64_t(box.width);
  uint64_t bh = height_free ? 0 : uint64_t(box.height);
  // With both sides given the tighter one decides: width/height > bw/bh
  // means the width reaches the box first.
  bool width_decides = height_free || (!width_free && uint64_t{width} * bh > uint64_t{height} * bw);
  if (width_decides) return {bw, MulDivRound(height, bw, width)};
  return {MulDivRound(width, bh, height), bh};
}

Status FitSize(PictureSize source, TargetBox box, PictureSize* out) {
  if (source.width == 0 || source.height == 0) {
    return Fail(Error::kInternal, "Quelle ohne Pixel");
  }
  // The readers choose their DCT shrink with FitIntoBox too, so both agree on
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
