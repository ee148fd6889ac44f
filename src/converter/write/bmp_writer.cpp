#include "converter/write/bmp_writer.h"

#include <limits>

#include "converter/colour/alpha.h"

namespace quorvel {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dpi, what most writers put

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

Status EncodeBmp(const Image& image, std::vector<uint8_t>* out) {
  const uint64_t row_bytes = (uint64_t{image.width} * 3 + 3) / 4 * 4;
  const uint64_t pixel_bytes = row_bytes * image.height;
  const uint64_t file_bytes = kFileHeaderBytes + kInfoHeaderBytes + pixel_bytes;
  // Sizes are 32-bit fields, and the height is stored as a signed number.
  if (file_bytes > std::numeric_limits<uint32_t>::max() ||
      image.width > uint32_t{std::numeric_limits<int32_t>::max()} ||
      image.height > uint32_t{std::numeric_limits<int32_t>::max()}) {
    return Fail(Error::kTooLarge, "BMP größer als 4 GiB");
  }
  out->assign(static_cast<size_t>(file_bytes), 0);
  uint8_t* h = out->data();
  h[0] = 'B';
  h[1] = 'M';
  Put32(h + 2, static_cast<uint32_t>(file_bytes));
  Put32(h + 10, kFileHeaderBytes + kInfoHeaderBytes);
  uint8_t* info = h + kFileHeaderBytes;
  Put32(info + 0, kInfoHeaderBytes);
  Put32(info + 4, image.width);
  Put32(info + 8, image.height);  // positive: rows run bottom-up
  Put16(info + 12, 1);            // planes
  Put16(info + 14, 24);           // bits per pixel
  Put32(info + 16, 0);            // BI_RGB, uncompressed
  Put32(info + 20, static_cast<uint32_t>(pixel_bytes));
  Put32(info + 24, kPixelsPerMetre);
  Put32(info + 28, kPixelsPerMetre);
  uint8_t* pixels = info + kInfoHeaderBytes;
  std::vector<uint8_t> flat(image.channels == 4 ? size_t{image.width} * 3 : 0);
  for (uint32_t y = 0; y < image.height; ++y) {
    const uint8_t* src = image.row(y);
    if (image.channels == 4) {
      FlattenRowOntoWhite(src, image.width, flat.data());
      src = flat.data();
    }
    uint8_t* dst = pixels + (image.height - 1 - y) * row_bytes;
    for (uint32_t x = 0; x < image.width; ++x, src += 3, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  }
  return Status::Ok();
}

}  // namespace quorvel
