#include "converter/read/bmp_header.h"

#include <algorithm>
#include <climits>
#include <string>

#include "converter/base/checked_size.h"

namespace quorvel {
namespace {

constexpr size_t kFileHeaderBytes = 14;

enum Compression : uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitFields = 6,
};

// Little-endian reads; the caller has checked that [offset, offset + n) lies
// inside `bytes`.
uint16_t U16(std::span<const uint8_t> bytes, size_t offset) {
  return uint16_t(bytes[offset] | bytes[offset + 1] << 8);
}
uint32_t U32(std::span<const uint8_t> bytes, size_t offset) {
  return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
         uint32_t(bytes[offset + 2]) << 16 | uint32_t(bytes[offset + 3]) << 24;
}

Status Corrupt(const std::string& what) { return Fail(Error::kCorruptBmp, what); }

bool IsWindowsHeader(uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The raw header fields, before they are judged.
struct RawFields {
  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = kRgb, colours_used = 0;
  bool os2 = false, os2_v1 = false;
};

Status ReadFields(std::span<const uint8_t> header, uint32_t size, RawFields* f) {
  if (size == 12) {
    f->os2 = f->os2_v1 = true;
    f->width = U16(header, 4);
    f->height = U16(header, 6);
    f->bits = U16(header, 10);
    return Status::Ok();
  }
  if (!IsWindowsHeader(size) && (size < 16 || size > 64)) return Corrupt("Kopfgröße " + std::to_string(size));
  f->os2 = !IsWindowsHeader(size);
  f->width = int32_t(U32(header, 4));
  f->height = int32_t(U32(header, 8));
  f->bits = U16(header, 14);
  // OS/2 v2 headers may stop after any field; what is missing is zero.
  if (size >= 20) f->compression = U32(header, 16);
  if (size >= 36) f->colours_used = U32(header, 32);
  return Status::Ok();
}

Status JudgeEncoding(const RawFields& f, BmpHeader* h) {
  // An embedded JPEG or PNG declares no bit count of its own.
  if (!f.os2 && (f.compression == kJpeg || f.compression == kPng))
    return Fail(Error::kUnsupported, "eingebettetes JPEG oder PNG");
  bool palette_bits = f.bits == 1 || f.bits == 2 || f.bits == 4 || f.bits == 8;
  if (f.bits == 64) return Fail(Error::kUnsupported, "64-Bit-Bitmap");
  if (!palette_bits && f.bits != 16 && f.bits != 24 && f.bits != 32)
    return Corrupt("Bittiefe " + std::to_string(f.bits));
  h->bits = f.bits;
  switch (f.compression) {
    case kRgb:
      h->encoding = (f.bits == 16 || f.bits == 32) ? BmpEncoding::kBitFields : BmpEncoding::kPlain;
      if (f.bits == 16) h->masks = {0x7C00, 0x03E0, 0x001F, 0};
      if (f.bits == 32) h->masks = {0xFF0000, 0xFF00, 0xFF, 0};
      return Status::Ok();
    case kRle8:
    case kRle4: {
      uint32_t wanted = f.compression == kRle8 ? 8 : 4;
      if (f.bits != wanted) return Corrupt("RLE mit " + std::to_string(f.bits) + " Bit");
      // Run-length rows run bottom-up by definition.
      if (h->top_down) return Corrupt("RLE von oben nach unten");
      h->encoding = f.compression == kRle8 ? BmpEncoding::kRle8 : BmpEncoding::kRle4;
      return Status::Ok();
    }
    case kBitFields:
    case kAlphaBitFields:
      // OS/2 v2 uses 3 and 4 for Huffman 1D and RLE24.
      if (f.os2) return Fail(Error::kUnsupported, "OS/2-Kompression " + std::to_string(f.compression));
      if (f.bits != 16 && f.bits != 32) return Corrupt("Bitfelder mit " + std::to_string(f.bits) + " Bit");
      h->encoding = BmpEncoding::kBitFields;
      return Status::Ok();
    case kJpeg:
    case kPng:  // OS/2 v2: 4 is RLE24, 5 undefined
      return Fail(Error::kUnsupported, "OS/2-Kompression " + std::to_string(f.compression));
    default:
      return Corrupt("Kompression " + std::to_string(f.compression));
  }
}

}  // namespace

Status ParseBmpHeader(std::span<const uint8_t> file, BmpHeader* out) {
  if (file.size() < kFileHeaderBytes + 4) return Corrupt("Dateikopf");
  BmpHeader h;
  uint32_t header_size = U32(file, kFileHeaderBytes);
  std::optional<size_t> header_end = CheckedAdd(kFileHeaderBytes, header_size);
  if (header_size < 12 || !header_end || *header_end > file.size()) return Corrupt("Infokopf");
  std::span<const uint8_t> header = file.subspan(kFileHeaderBytes, header_size);

  RawFields f;
  if (Status s = ReadFields(header, header_size, &f); !s.ok()) return s;
  if (f.width <= 0) return Corrupt("Breite " + std::to_string(f.width));
  if (f.height == 0 || f.height == INT32_MIN) return Corrupt("Höhe " + std::to_string(f.height));
  h.top_down = f.height < 0;
  h.width = uint32_t(f.width);
  h.height = uint32_t(f.height < 0 ? -f.height : f.height);
  if (Status s = JudgeEncoding(f, &h); !s.ok()) return s;

  // Masks sit inside V2+ headers, or follow a plain INFO header.
  size_t palette_start = *header_end;
  if (f.compression == kBitFields || f.compression == kAlphaBitFields) {
    size_t count = f.compression == kAlphaBitFields ? 4 : 3;
    if (header_size >= 52) {
      for (size_t i = 0; i < 3; ++i) h.masks[i] = U32(header, 40 + 4 * i);
      if (header_size >= 56) h.masks[3] = U32(header, 52);
    } else {
      if (file.size() - palette_start < count * 4) return Corrupt("Bitfeldmasken");
      for (size_t i = 0; i < count; ++i) h.masks[i] = U32(file, palette_start + 4 * i);
      palette_start += count * 4;
    }
  }
  if (h.encoding == BmpEncoding::kBitFields) {
    uint64_t all_bits = (uint64_t{1} << h.bits) - 1;
    for (uint32_t mask : h.masks)
      if (mask & ~all_bits) return Corrupt("Bitfeldmaske breiter als das Pixel");
    if ((h.masks[0] | h.masks[1] | h.masks[2]) == 0) return Corrupt("leere Bitfeldmasken");
  }

  uint32_t pixel_offset = U32(file, 10);
  if (pixel_offset < palette_start || pixel_offset >= file.size()) return Corrupt("Pixelversatz");
  h.pixel_offset = pixel_offset;

  if (h.bits <= 8) {
    size_t entry = f.os2_v1 ? 3 : 4;
    size_t declared = f.colours_used != 0 ? f.colours_used : size_t{1} << h.bits;
    // A palette may be short (missing entries are black) or oversized (only
    // 256 can be addressed); it must not reach into the pixels.
    size_t in_file = (pixel_offset - palette_start) / entry;
    size_t count = std::min({declared, size_t{256}, in_file});
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = file.data() + palette_start + i * entry;
      h.palette[i] = {p[2], p[1], p[0]};
    }
  }
  *out = h;
  return Status::Ok();
}

}  // namespace quorvel
