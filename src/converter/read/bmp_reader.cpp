#include "converter/read/bmp_reader.h"

#include <bit>
#include <cstring>
#include <utility>
#include <vector>

#include "converter/base/checked_size.h"
#include "converter/base/limits.h"
#include "converter/read/bmp_header.h"
#include "converter/read/declared_size.h"

namespace quorvel {
namespace {

Status Corrupt(const char* what) { return Fail(Error::kCorruptBmp, what); }

// Reduces one masked field to 8 bits, scaling so that the field's maximum
// becomes 255 whatever its width.
struct Channel {
  uint32_t mask = 0;
  uint32_t shift = 0;
  uint64_t max = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = uint32_t(std::countr_zero(mask));
    max = (uint64_t{1} << (32 - std::countl_zero(mask >> shift))) - 1;
  }
  uint8_t Read(uint32_t pixel) const {
    if (max == 0) return 0;
    uint64_t value = (pixel & mask) >> shift;
    return uint8_t((value * 255 + max / 2) / max);
  }
};

// The stored row (in file order) that becomes upright row `y`.
uint32_t StoredRow(const BmpHeader& h, uint32_t y) { return h.top_down ? y : h.height - 1 - y; }

Status AllocateImage(uint32_t width, uint32_t height, uint32_t channels, Image* image) {
  std::optional<size_t> bytes = PixelBufferBytes(width, height, channels);
  if (!bytes) return Fail(Error::kTooLarge, "dekodiertes Bild");
  image->width = width;
  image->height = height;
  image->channels = channels;
  image->pixels.resize(*bytes);
  return Status::Ok();
}

// The uncompressed rows, checked to lie wholly inside the file.
Status PlainRows(std::span<const uint8_t> file, const BmpHeader& h, size_t* stride) {
  std::optional<size_t> bits = CheckedMul(h.width, h.bits);
  if (!bits) return Fail(Error::kTooLarge, "Zeilengröße");
  *stride = (*bits + 31) / 32 * 4;
  std::optional<size_t> total = CheckedMul(*stride, h.height);
  if (!total || *total > file.size() - h.pixel_offset) return Corrupt("Pixeldaten kürzer als angegeben");
  return Status::Ok();
}

Status DecodePalette(std::span<const uint8_t> file, const BmpHeader& h, Image* image) {
  size_t stride = 0;
  if (Status s = PlainRows(file, h, &stride); !s.ok()) return s;
  if (Status s = AllocateImage(h.width, h.height, 3, image); !s.ok()) return s;
  const uint32_t per_byte = 8 / h.bits;
  const uint32_t index_mask = (1u << h.bits) - 1;
  for (uint32_t y = 0; y < h.height; ++y) {
    const uint8_t* src = file.data() + h.pixel_offset + size_t{StoredRow(h, y)} * stride;
    uint8_t* dst = image->row(y);
    for (uint32_t x = 0; x < h.width; ++x) {
      uint32_t shift = 8 - h.bits * (x % per_byte + 1);
      const BmpColour& c = h.palette[(src[x / per_byte] >> shift) & index_mask];
      dst[3 * x] = c.red;
      dst[3 * x + 1] = c.green;
      dst[3 * x + 2] = c.blue;
    }
  }
  return Status::Ok();
}

Status DecodeBgr(std::span<const uint8_t> file, const BmpHeader& h, Image* image) {
  size_t stride = 0;
  if (Status s = PlainRows(file, h, &stride); !s.ok()) return s;
  if (Status s = AllocateImage(h.width, h.height, 3, image); !s.ok()) return s;
  for (uint32_t y = 0; y < h.height; ++y) {
    const uint8_t* src = file.data() + h.pixel_offset + size_t{StoredRow(h, y)} * stride;
    uint8_t* dst = image->row(y);
    for (uint32_t x = 0; x < h.width; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return Status::Ok();
}

Status DecodeBitFields(std::span<const uint8_t> file, const BmpHeader& h, Image* image) {
  size_t stride = 0;
  if (Status s = PlainRows(file, h, &stride); !s.ok()) return s;
  bool alpha = h.masks[3] != 0;
  if (Status s = AllocateImage(h.width, h.height, alpha ? 4 : 3, image); !s.ok()) return s;
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), opacity(h.masks[3]);
  const uint32_t bytes = h.bits / 8;
  const uint32_t channels = image->channels;
  bool any_alpha = false;
  for (uint32_t y = 0; y < h.height; ++y) {
    const uint8_t* src = file.data() + h.pixel_offset + size_t{StoredRow(h, y)} * stride;
    uint8_t* dst = image->row(y);
    for (uint32_t x = 0; x < h.width; ++x, src += bytes, dst += channels) {
      uint32_t pixel = bytes == 2 ? uint32_t(src[0] | src[1] << 8)
                                  : uint32_t(src[0]) | uint32_t(src[1]) << 8 |
                                        uint32_t(src[2]) << 16 | uint32_t(src[3]) << 24;
      dst[0] = red.Read(pixel);
      dst[1] = green.Read(pixel);
      dst[2] = blue.Read(pixel);
      if (alpha) {
        dst[3] = opacity.Read(pixel);
        any_alpha |= dst[3] != 0;
      }
    }
  }
  if (alpha && !any_alpha) {
    // An alpha mask over bytes that are all zero: writers that never filled
    // the alpha byte; the picture is opaque.
    size_t count = size_t{image->width} * image->height;
    for (size_t i = 0; i < count; ++i) std::memmove(&image->pixels[i * 3], &image->pixels[i * 4], 3);
    image->channels = 3;
    image->pixels.resize(count * 3);
  }
  return Status::Ok();
}

// Expands RLE8/RLE4 into one palette index per pixel, rows in file order
// (bottom-up). Runs past the row end are clipped; reaching the end of the
// data counts as the end of the picture only once every row is reached.
Status ExpandRle(std::span<const uint8_t> file, const BmpHeader& h, std::vector<uint8_t>* indices) {
  const bool rle4 = h.encoding == BmpEncoding::kRle4;
  const uint8_t* data = file.data();
  size_t pos = h.pixel_offset;
  const size_t end = file.size();
  uint64_t x = 0, y = 0;
  auto put = [&](uint8_t index) {
    if (x < h.width && y < h.height) (*indices)[size_t(y) * h.width + size_t(x)] = index;
    ++x;
  };
  while (y < h.height) {
    if (end - pos < 2) return Corrupt("RLE-Daten enden zu früh");
    uint8_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i)
        put(rle4 ? uint8_t(i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      break;
    } else if (value == 2) {  // delta
      if (end - pos < 2) return Corrupt("RLE-Versatz endet zu früh");
      x += data[pos];
      y += data[pos + 1];
      pos += 2;
    } else {  // absolute run of `value` pixels, padded to 16 bits
      size_t bytes = rle4 ? (value + 1u) / 2 : value;
      size_t padded = (bytes + 1) & ~size_t{1};
      if (end - pos < padded) return Corrupt("RLE-Folge endet zu früh");
      for (uint32_t i = 0; i < value; ++i) {
        uint8_t b = data[pos + (rle4 ? i / 2 : i)];
        put(rle4 ? uint8_t(i % 2 == 0 ? b >> 4 : b & 0x0F) : b);
      }
      pos += padded;
    }
  }
  return Status::Ok();
}

Status DecodeRle(std::span<const uint8_t> file, const BmpHeader& h, Image* image) {
  std::optional<size_t> pixels = CheckedMul(h.width, h.height);
  if (!pixels || !PixelBufferBytes(h.width, h.height, 4)) return Fail(Error::kTooLarge, "dekodiertes Bild");
  uint64_t data_bytes = file.size() - h.pixel_offset;
  if (*pixels > data_bytes * kMaxRlePixelsPerByte + kMaxBlankPixels)
    return Corrupt("angegebene Größe übersteigt, was die RLE-Daten füllen können");
  std::vector<uint8_t> indices(*pixels, 0);  // skipped pixels take entry 0
  if (Status s = ExpandRle(file, h, &indices); !s.ok()) return s;
  if (Status s = AllocateImage(h.width, h.height, 3, image); !s.ok()) return s;
  for (uint32_t y = 0; y < h.height; ++y) {
    const uint8_t* src = indices.data() + size_t{h.height - 1 - y} * h.width;
    uint8_t* dst = image->row(y);
    for (uint32_t x = 0; x < h.width; ++x) {
      const BmpColour& c = h.palette[src[x]];
      dst[3 * x] = c.red;
      dst[3 * x + 1] = c.green;
      dst[3 * x + 2] = c.blue;
    }
  }
  return Status::Ok();
}

}  // namespace

Status ReadBmp(std::span<const uint8_t> file, TargetBox box, SourcePicture* out,
               std::vector<uint8_t> storage) {
  BmpHeader header;
  if (Status s = ParseBmpHeader(file, &header); !s.ok()) return s;
  if (Status s = CheckDeclaredSize(header.width, header.height, 1, box, Error::kCorruptBmp); !s.ok())
    return s;
  SourcePicture picture;
  picture.image.pixels = std::move(storage);
  picture.stored_width = header.width;
  picture.stored_height = header.height;
  Status decoded;
  switch (header.encoding) {
    case BmpEncoding::kPlain:
      decoded = header.bits == 24 ? DecodeBgr(file, header, &picture.image)
                                  : DecodePalette(file, header, &picture.image);
      break;
    case BmpEncoding::kRle8:
    case BmpEncoding::kRle4: decoded = DecodeRle(file, header, &picture.image); break;
    case BmpEncoding::kBitFields: decoded = DecodeBitFields(file, header, &picture.image); break;
  }
  if (!decoded.ok()) return decoded;
  picture.model = picture.image.channels == 4 ? PixelModel::kRgba : PixelModel::kRgb;
  *out = std::move(picture);
  return Status::Ok();
}

}  // namespace quorvel
