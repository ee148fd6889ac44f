#include "converter/fit_size.h"

#include <algorithm>
#include <string>

#include "converter/output_limits.h"

namespace quorvel {
namespace {

// round(a * b / c) in integers: every factor is below 2^32, so the product
// stays below 2^64 and no floating-point rounding can make a side one pixel
// off the exact fit.
uint64_t MulDivRound(uint64_t a, uint64_t b, uint64_t c) {
  return (a * b + c / 2) / c;
}

}  // namespace

Status FitSize(PictureSize source, TargetBox box, PictureSize* out) {
  if (source.width == 0 || source.height == 0) {
    return Fail(Error::kInternal, "source of zero size");
  }
  const uint64_t sw = source.width;
  const uint64_t sh = source.height;
  const bool width_free = box.width <= 0;
  const bool height_free = box.height <= 0;
  uint64_t w = sw;
  uint64_t h = sh;
  if (!width_free && !height_free) {
    const uint64_t bw = static_cast<uint64_t>(box.width);
    const uint64_t bh = static_cast<uint64_t>(box.height);
    // Compare the aspect ratios exactly: sw/sh <= bw/bh means the height binds.
    if (sw * bh <= bw * sh) {
      h = bh;
      w = MulDivRound(sw, bh, sh);
    } else {
      w = bw;
      h = MulDivRound(sh, bw, sw);
    }
  } else if (!height_free) {
    h = static_cast<uint64_t>(box.height);
    w = MulDivRound(sw, h, sh);
  } else if (!width_free) {
    w = static_cast<uint64_t>(box.width);
    h = MulDivRound(sh, w, sw);
  }
  // A very wide picture fitted into a low box would round a side to 0 pixels.
  w = std::max<uint64_t>(w, 1);
  h = std::max<uint64_t>(h, 1);
  // w and h are each below 2^63 here; checking them one by one first keeps
  // the product from overflowing.
  if (w > kMaxOutputPixels || h > kMaxOutputPixels || w * h > kMaxOutputPixels) {
    return Fail(Error::kTooLarge,
                "Zielgröße " + std::to_string(w) + " x " + std::to_string(h));
  }
  out->width = static_cast<uint32_t>(w);
  out->height = static_cast<uint32_t>(h);
  return Status::Ok();
}

}  // namespace quorvel
