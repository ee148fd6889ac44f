// The fields of a bitmap's file and info headers that decoding needs.
//
// ParseBmpHeader checks every field against the file before anything reads
// pixels: the palette and the pixel offset lie inside the file, the bit count
// suits the compression, the masks fit the bit count. Thread-safety: pure
// function.
#ifndef KALVENIX_CONVERTER_READ_BMP_HEADER_H_
#define KALVENIX_CONVERTER_READ_BMP_HEADER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/base/error.h"

namespace quorvel {

enum class BmpEncoding { kPlain, kRle8, kRle4, kBitFields };

struct BmpColour {
  uint8_t red = 0, green = 0, blue = 0;
};

struct BmpHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  bool top_down = false;
  uint32_t bits = 0;
  BmpEncoding encoding = BmpEncoding::kPlain;
  std::array<uint32_t, 4> masks{};  // red, green, blue, alpha (kBitFields only)
  std::array<BmpColour, 256> palette{};  // entries missing from the file stay black
  size_t pixel_offset = 0;          // < file size
};

Status ParseBmpHeader(std::span<const uint8_t> file, BmpHeader* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_BMP_HEADER_H_
