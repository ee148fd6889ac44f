// What every fuzz target shares: the box an input is read for, and the
// promises a successful read must keep. A broken promise traps, so libFuzzer
// keeps the input like any other crash.
#ifndef KALVENIX_FUZZ_FUZZ_SUPPORT_H_
#define KALVENIX_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>

#include "converter/decode.h"
#include "converter/image.h"

namespace fuzz {

// Derived from the input so a reproducer replays exactly; by the size's
// parity, since intact files of one format end alike (JPEG's EOI, PNG's IEND)
// while their sizes do not. Half the inputs are read at full size, half for a
// small box, which sends large JPEGs through the reduced DCT scales.
inline quorvel::TargetBox BoxFor(size_t size) {
  if (size & 1) return quorvel::TargetBox{0, 0};
  return quorvel::TargetBox{160, 120};
}

inline void Require(bool promise) {
  if (!promise) __builtin_trap();
}

// A decoded picture is whole: a size, 3 or 4 channels, exactly the pixels
// that size needs, never larger than the picture itself.
inline void CheckDecoded(const quorvel::DecodedPicture& picture) {
  const quorvel::Image& image = picture.image;
  Require(image.width > 0 && image.height > 0);
  Require(image.channels == 3 || image.channels == 4);
  Require(image.pixels.size() == size_t{image.width} * image.height * image.channels);
  Require(image.width <= picture.full_width && image.height <= picture.full_height);
}

}  // namespace fuzz

#endif  // KALVENIX_FUZZ_FUZZ_SUPPORT_H_
