// Reducing a picture to a palette of at most 256 colours for GIF
// (libimagequant, Floyd-Steinberg dithering), with GIF's one transparent index.
//
// With `transparency`: a picture with some alpha makes every pixel below half
// alpha transparent and composites the rest onto white (GIF has no partial
// alpha); an opaque picture makes transparent every pixel that maps to the
// palette entry of its top-left pixel (the classic background rule for logos).
// Without it alpha is flattened onto white and no index is transparent.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_WRITE_QUANTIZE_H_
#define KALVENIX_CONVERTER_WRITE_QUANTIZE_H_

#include <array>
#include <cstdint>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"

namespace quorvel {

struct IndexedImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> indices;  // one per pixel, rows top-down
  std::vector<std::array<uint8_t, 3>> palette;  // 1..256 entries
  int transparent_index = -1;    // -1: none
};

Status QuantizeForGif(const Image& image, bool transparency, IndexedImage* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_WRITE_QUANTIZE_H_
