#include "converter/read/png_reader.h"

#include <spng.h>
#include <zlib.h>

#include <memory>
#include <string>
#include <utility>

#include "converter/base/checked_size.h"
#include "converter/base/limits.h"
#include "converter/base/png_chunk.h"
#include "converter/read/declared_size.h"
#include "converter/read/exif_orientation.h"

namespace quorvel {
namespace {

Status SpngFailure(int code, const char* step) {
  Error error = Error::kCorruptPng;
  if (code == SPNG_EMEM) error = Error::kOutOfMemory;
  if (code == SPNG_EUSER_WIDTH || code == SPNG_EUSER_HEIGHT || code == SPNG_EOVERFLOW)
    error = Error::kTooLarge;
  return Fail(error, std::string(step) + ": " + spng_strerror(code));
}

uint32_t SamplesPerPixel(uint8_t color_type) {
  switch (color_type) {
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA: return 2;
    case SPNG_COLOR_TYPE_TRUECOLOR: return 3;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA: return 4;
    default: return 1;  // grey, indexed
  }
}

// Whether the filtered rows could come out of a file this small: deflate
// cannot expand beyond kMaxDeflateExpansion, so a header claiming more is a
// lie told to make us allocate.
bool PlausibleForFileSize(const spng_ihdr& ihdr, size_t file_size) {
  std::optional<size_t> bits = CheckedMul(ihdr.width, SamplesPerPixel(ihdr.color_type), ihdr.bit_depth);
  if (!bits) return false;
  std::optional<size_t> raw = CheckedMul(*bits / 8 + 1 + 1, ihdr.height);  // + partial byte, filter byte
  std::optional<size_t> most = CheckedMul(file_size, kMaxDeflateExpansion);
  return raw && most && *raw <= *most;
}

// libspng stops reading when the image data stream ends, so the checksum of
// the last IDAT chunk is never compared; damaged image data must not pass.
bool IdatChecksumsMatch(std::span<const uint8_t> file) {
  size_t pos = kPngSignatureBytes;
  while (file.size() - pos >= kChunkOverhead) {
    const uint32_t length = BigEndian32(&file[pos]);
    // Past the end: libspng has judged that file already.
    if (length > kMaxChunkLength || length > file.size() - pos - kChunkOverhead) return true;
    const uint8_t* chunk = &file[pos];
    const uint8_t* type = chunk + 4;
    if (IsChunkType(chunk, "IDAT") &&
        crc32(0, type, uInt(length) + 4) != BigEndian32(type + 4 + length))
      return false;
    if (IsChunkType(chunk, "IEND")) break;
    pos += kChunkOverhead + length;
  }
  return true;
}

Status StartContext(std::span<const uint8_t> file, SpngContext* out, spng_ihdr* ihdr) {
  SpngContext ctx(spng_ctx_new(0));
  if (!ctx) return Fail(Error::kOutOfMemory, "libspng-Kontext");
  spng_set_image_limits(ctx.get(), kMaxSide, kMaxSide);
  spng_set_chunk_limits(ctx.get(), kPngMaxChunkBytes, kPngMaxChunkCacheBytes);
  // A damaged ancillary chunk (a profile, a text) costs that chunk, not the
  // picture; damaged critical chunks stay fatal.
  spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
  if (int e = spng_set_png_buffer(ctx.get(), file.data(), file.size())) return SpngFailure(e, "Puffer");
  if (int e = spng_get_ihdr(ctx.get(), ihdr)) return SpngFailure(e, "IHDR");
  *out = std::move(ctx);
  return Status::Ok();
}

int OrientationOf(spng_ctx* ctx) {
  spng_exif exif{};
  if (spng_get_exif(ctx, &exif) != 0 || exif.data == nullptr) return 1;
  return ReadExifOrientation({reinterpret_cast<const uint8_t*>(exif.data), exif.length});
}

bool RowsAsStored(const spng_ihdr& ihdr, bool has_trns) {
  return ihdr.bit_depth == 8 && !has_trns &&
         (ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR ||
          ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA);
}

}  // namespace

Status ProbePng(std::span<const uint8_t> file, PictureHeader* out) {
  SpngContext ctx;
  spng_ihdr ihdr{};
  if (Status s = StartContext(file, &ctx, &ihdr); !s.ok()) return s;
  out->orientation = OrientationOf(ctx.get());
  out->stored_width = ihdr.width;
  out->stored_height = ihdr.height;
  spng_trns trns{};
  const bool has_trns = spng_get_trns(ctx.get(), &trns) == 0;
  const bool has_alpha = has_trns || ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                         ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
  out->model = has_alpha ? PixelModel::kRgba : PixelModel::kRgb;
  out->interlaced = ihdr.interlace_method != 0;
  out->rows_as_stored = RowsAsStored(ihdr, has_trns);
  return Status::Ok();
}

Status CheckIdatChecksums(std::span<const uint8_t> file) {
  if (!IdatChecksumsMatch(file)) return Fail(Error::kCorruptPng, "Bilddaten: CRC-Fehler");
  return Status::Ok();
}

Status PngImageDataFailure(int spng_error) { return SpngFailure(spng_error, "Bilddaten"); }

Status OpenPng(std::span<const uint8_t> file, TargetBox box, OpenedPng* out) {
  SpngContext ctx;
  spng_ihdr ihdr{};
  if (Status s = StartContext(file, &ctx, &ihdr); !s.ok()) return s;
  SourcePicture picture;
  picture.orientation = OrientationOf(ctx.get());
  picture.stored_width = ihdr.width;
  picture.stored_height = ihdr.height;
  Status size_ok =
      CheckDeclaredSize(ihdr.width, ihdr.height, picture.orientation, box, Error::kCorruptPng);
  if (!size_ok.ok()) return size_ok;
  if (!PlausibleForFileSize(ihdr, file.size()))
    return Fail(Error::kCorruptPng, "angegebene Größe übersteigt, was die Daten enthalten können");

  spng_trns trns{};
  bool has_trns = spng_get_trns(ctx.get(), &trns) == 0;
  bool has_alpha = has_trns || ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                   ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
  int format = has_alpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
  Image& image = picture.image;
  image.width = ihdr.width;
  image.height = ihdr.height;
  image.channels = has_alpha ? 4 : 3;
  std::optional<size_t> bytes = PixelBufferBytes(image.width, image.height, image.channels);
  size_t spng_bytes = 0;
  if (int e = spng_decoded_image_size(ctx.get(), format, &spng_bytes)) return SpngFailure(e, "Größe");
  if (!bytes || *bytes != spng_bytes) return Fail(Error::kTooLarge, "dekodiertes Bild");
  picture.model = has_alpha ? PixelModel::kRgba : PixelModel::kRgb;
  // The profile precedes the image data, so it is known before any row is;
  // whatever follows the image data cannot take it away.
  spng_iccp iccp{};
  if (spng_get_iccp(ctx.get(), &iccp) == 0 && iccp.profile != nullptr && iccp.profile_len <= kMaxIccBytes)
    picture.icc_profile.assign(iccp.profile, iccp.profile + iccp.profile_len);

  out->ctx = std::move(ctx);
  out->header = std::move(picture);
  out->format = format;
  out->flags = has_trns ? SPNG_DECODE_TRNS : 0;
  out->interlaced = ihdr.interlace_method != 0;
  out->rows_as_stored = RowsAsStored(ihdr, has_trns);
  return Status::Ok();
}

Status ReadPng(std::span<const uint8_t> file, TargetBox box, SourcePicture* out,
               std::vector<uint8_t> storage) {
  OpenedPng png;
  Status status = OpenPng(file, box, &png);
  if (!status.ok()) return status;
  Image& image = png.header.image;
  image.pixels = std::move(storage);
  image.pixels.resize(image.stride() * image.height);
  if (int e = spng_decode_image(png.ctx.get(), image.pixels.data(), image.pixels.size(), png.format,
                                png.flags))
    return PngImageDataFailure(e);
  if (Status checksums = CheckIdatChecksums(file); !checksums.ok()) return checksums;
  *out = std::move(png.header);
  return Status::Ok();
}

}  // namespace quorvel
