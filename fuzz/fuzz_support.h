// What every fuzz target shares: the box an input is read for, the reader
// step run as the converter runs it, and the promises a successful read must
// keep. A broken promise traps, so libFuzzer keeps the input like any crash.
#ifndef KALVENIX_FUZZ_FUZZ_SUPPORT_H_
#define KALVENIX_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/source_picture.h"
#include "converter/colour/colour_profile.h"
#include "converter/read/sniff.h"
#include "converter/resample/orientation.h"

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

// An image is whole: a size, 3 or 4 channels, exactly the pixels it needs.
inline void CheckImage(const quorvel::Image& image) {
  Require(image.width > 0 && image.height > 0);
  Require(image.channels == 3 || image.channels == 4);
  Require(image.pixels.size() == size_t{image.width} * image.height * image.channels);
}

using Reader = quorvel::Status (*)(std::span<const uint8_t>, quorvel::TargetBox,
                                   quorvel::SourcePicture*);

// One reader and the steps after it, on what the sniffer would hand it: the
// converter never gives a reader another format's bytes, so neither does the
// fuzzer (-1 keeps such inputs out of the corpus).
inline int FuzzReader(const uint8_t* data, size_t size, quorvel::PictureFormat format,
                      Reader read) {
  const std::span<const uint8_t> file(data, size);
  if (quorvel::SniffFormat(file) != format) return -1;
  // Allocation is the one failure that still throws; DecodePicture turns it
  // into kOutOfMemory.
  try {
    quorvel::SourcePicture picture;
    if (!read(file, BoxFor(size), &picture).ok()) return 0;
    CheckImage(picture.image);
    Require(picture.image.width <= picture.stored_width);
    Require(picture.image.height <= picture.stored_height);
    if (!quorvel::ConvertToSrgb(&picture).ok()) return 0;
    if (!quorvel::ApplyOrientation(picture.orientation, &picture.image).ok()) return 0;
    CheckImage(picture.image);
  } catch (const std::bad_alloc&) {
  }
  return 0;
}

}  // namespace fuzz

#endif  // KALVENIX_FUZZ_FUZZ_SUPPORT_H_
