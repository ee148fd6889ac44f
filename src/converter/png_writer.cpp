#include "converter/png_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include <spng.h>
#include <zlib.h>

#include "converter/alpha.h"
#include "converter/png_row_filter.h"

namespace quorvel {
namespace {

// Each row gets the filter whose residuals have the lowest entropy; then a
// few stripes of the filtered rows are deflated three ways to pick how the
// whole picture is compressed: Huffman codes alone, or with matches
// (Z_FILTERED or Z_DEFAULT_STRATEGY) at zlib `level`. Most photos hold few
// repeats worth a match, and zlib's search costs more than it saves there;
// blurred or flat areas, graphics and grey pictures (R = G = B: every
// residual three times) gain from matches.
// Measured on the 7 JPEG test photos fitted into 640 x 480 by the converter
// (bytes against ImageMagick 6 re-encoding the same pixels; CPU time of
// EncodePng, best of 9):
//   before (level 5, Z_FILTERED, libspng's filter choice): 1.017 0.998
//     1.055 1.013 1.012 1.765 (grey) 1.012, total 1.058; 282 ms;
//   now: 1.004 0.973 0.991 0.999 0.972 1.513 (grey) 0.950, total 1.010,
//     0.979 without grey; 195 ms. Four take Huffman codes alone (640 x 427:
//     49 -> 22 ms), three matches (640 x 480: 32 -> 52 ms).
// At full size, photos mostly take matches: 1.5-6 % smaller, 1.4-1.9 times
// the time. Matches at level 7 would bring the first photo to 1.000 for 2.4
// times the time; libspng's own filter choice was 1-2.5 % larger at every
// level.
// zlib's largest: longer Huffman blocks, 0.2 % smaller photos.
constexpr int kMemLevel = 9;
// Bytes of filtered rows per probe stripe, half zlib's window: stripes of a
// whole window chose the same for every test picture in twice the time.
constexpr size_t kProbeStripeBytes = 16384;
constexpr uint32_t kProbeStripes = 4;
// libspng writes 8 KiB IDAT chunks; joined, 12 bytes per chunk are saved.
constexpr size_t kIdatPieceBytes = size_t{1} << 20;

struct ContextDeleter {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

Status SpngFailure(int code) {
  if (code == SPNG_EMEM) return Fail(Error::kOutOfMemory, "PNG");
  return Fail(Error::kEncodeFailed, std::string("PNG: ") + spng_strerror(code));
}

// Deflated size of `data`, or 0 when zlib is out of memory.
size_t DeflatedSize(const std::vector<uint8_t>& data, int level, int strategy) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, 15, kMemLevel, strategy) != Z_OK) return 0;
  std::vector<uint8_t> out(deflateBound(&stream, data.size()));
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&stream, Z_FINISH);
  const size_t size = stream.total_out;
  deflateEnd(&stream);
  return rc == Z_STREAM_END ? size : 0;
}

// The zlib strategy for the whole picture, or -1 when zlib is out of memory.
int ChooseStrategy(const uint8_t* pixels, size_t row_bytes, uint32_t height, uint32_t pixel_bytes,
                   const std::vector<PngFilter>& filters, int level) {
  uint32_t stripe_rows = static_cast<uint32_t>(kProbeStripeBytes / (row_bytes + 1));
  if (stripe_rows == 0) stripe_rows = 1;
  const bool all_rows = uint64_t{stripe_rows} * kProbeStripes >= height;
  const uint32_t stripes = all_rows ? 1 : kProbeStripes;
  if (all_rows) stripe_rows = height;
  std::vector<uint8_t> sample;
  sample.reserve(size_t{stripes} * stripe_rows * (row_bytes + 1));
  for (uint32_t s = 0; s < stripes; ++s) {
    uint32_t first = all_rows ? 0 : static_cast<uint32_t>(
        uint64_t{height} * (2 * s + 1) / (2 * kProbeStripes) - stripe_rows / 2);
    if (first > height - stripe_rows) first = height - stripe_rows;
    for (uint32_t y = first; y < first + stripe_rows; ++y) {
      const uint8_t* row = pixels + size_t{y} * row_bytes;
      sample.push_back(static_cast<uint8_t>(filters[y]));
      sample.resize(sample.size() + row_bytes);
      FilterRow(filters[y], row, y == 0 ? nullptr : row - row_bytes, row_bytes, pixel_bytes,
                sample.data() + sample.size() - row_bytes);
    }
  }
  int best = -1;
  size_t best_size = SIZE_MAX;
  for (int strategy : {Z_HUFFMAN_ONLY, Z_FILTERED, Z_DEFAULT_STRATEGY}) {
    const size_t size = DeflatedSize(sample, level, strategy);
    if (size == 0) return -1;
    if (size < best_size) best = strategy, best_size = size;
  }
  return best;
}

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void AppendU32(std::vector<uint8_t>* out, uint32_t v) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                            static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  out->insert(out->end(), bytes, bytes + 4);
}

// `png` with its run of IDAT chunks rewritten as pieces of kIdatPieceBytes.
// libspng's output is well-formed; anything unexpected is copied unchanged.
void JoinIdatChunks(const uint8_t* png, size_t size, std::vector<uint8_t>* out) {
  size_t first = 0, end = 0, payload = 0;
  for (size_t at = 8; at + 12 <= size;) {
    const size_t length = ReadU32(png + at);
    if (length > size - at - 12) break;
    const bool idat = std::memcmp(png + at + 4, "IDAT", 4) == 0;
    if (idat && first == 0) first = at;
    if (idat && end != 0 && end != at) {  // a second run: not libspng's layout
      first = 0;
      break;
    }
    if (idat) end = at + 12 + length, payload += length;
    at += 12 + length;
  }
  if (first == 0 || payload == 0) {
    out->assign(png, png + size);
    return;
  }
  out->clear();
  out->reserve(size);
  out->insert(out->end(), png, png + first);
  // Copied straight from libspng's chunks: no second copy of the picture.
  size_t chunk = first, offset = 0;
  for (size_t left = payload; left > 0;) {
    const size_t piece = std::min(kIdatPieceBytes, left);
    AppendU32(out, static_cast<uint32_t>(piece));
    const size_t start = out->size();
    out->insert(out->end(), {'I', 'D', 'A', 'T'});
    for (size_t need = piece; need > 0;) {
      const size_t length = ReadU32(png + chunk);
      const size_t take = std::min(need, length - offset);
      const uint8_t* from = png + chunk + 8 + offset;
      out->insert(out->end(), from, from + take);
      need -= take, offset += take;
      if (offset == length) chunk += 12 + length, offset = 0;
    }
    AppendU32(out, static_cast<uint32_t>(
                       crc32(0, out->data() + start, static_cast<uInt>(out->size() - start))));
    left -= piece;
  }
  out->insert(out->end(), png + end, png + size);
}

}  // namespace

Status EncodePng(const Image& image, std::vector<uint8_t>* out, int level) {
  std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) return Fail(Error::kOutOfMemory, "PNG");
  const bool alpha = HasTransparency(image);
  const uint32_t channels = alpha ? 4 : 3;
  // Opaque RGBA loses its alpha: a quarter fewer bytes to compress and write.
  const uint8_t* pixels = image.pixels.data();
  std::vector<uint8_t> rgb;
  if (image.channels == 4 && !alpha) {
    rgb.resize(size_t{image.width} * 3 * image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
      DropAlphaRow(image.row(y), image.width, rgb.data() + size_t{y} * image.width * 3);
    }
    pixels = rgb.data();
  }
  const size_t row_bytes = size_t{image.width} * channels;
  const std::vector<PngFilter> filters =
      ChooseRowFilters(pixels, row_bytes, image.height, channels);
  const int strategy = ChooseStrategy(pixels, row_bytes, image.height, channels, filters, level);
  if (strategy < 0) return Fail(Error::kOutOfMemory, "PNG");

  spng_ihdr ihdr{};
  ihdr.width = image.width;
  ihdr.height = image.height;
  ihdr.bit_depth = 8;
  ihdr.color_type = alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
  int rc = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
  if (rc == 0) rc = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, level);
  if (rc == 0) rc = spng_set_option(ctx.get(), SPNG_IMG_MEM_LEVEL, kMemLevel);
  if (rc == 0) rc = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_STRATEGY, strategy);
  if (rc == 0) rc = spng_set_ihdr(ctx.get(), &ihdr);
  if (rc == 0) rc = spng_set_srgb(ctx.get(), 0 /* perceptual */);
  if (rc == 0) {
    rc = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                           SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
  }
  for (uint32_t y = 0; rc == 0 && y < image.height; ++y) {
    // libspng applies one filter when offered only that one.
    rc = spng_set_option(ctx.get(), SPNG_FILTER_CHOICE,
                         SPNG_FILTER_CHOICE_NONE << static_cast<int>(filters[y]));
    if (rc == 0) rc = spng_encode_row(ctx.get(), pixels + size_t{y} * row_bytes, row_bytes);
    if (rc == SPNG_EOI && y + 1 == image.height) rc = 0;
  }
  if (rc != 0) return SpngFailure(rc);
  size_t size = 0;
  int error = 0;
  std::unique_ptr<void, FreeDeleter> buffer(spng_get_png_buffer(ctx.get(), &size, &error));
  if (!buffer) return SpngFailure(error != 0 ? error : SPNG_EMEM);
  JoinIdatChunks(static_cast<const uint8_t*>(buffer.get()), size, out);
  return Status::Ok();
}

}  // namespace quorvel
