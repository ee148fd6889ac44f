#include "converter/write/png_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include <spng.h>
#include <zlib.h>

#include "converter/base/png_chunk.h"
#include "converter/colour/alpha.h"
#include "converter/write/png_row_filter.h"

namespace quorvel {
namespace {

// Each row gets the filter whose residuals have the lowest entropy; then a
// few stripes of the filtered rows are deflated several ways to pick how the
// whole picture is compressed: Huffman codes alone, or with matches at zlib
// `level`. Most photos hold few repeats worth a match, and zlib's search
// costs more than it saves there; blurred or flat areas, graphics and grey
// pictures (R = G = B: every residual three times) gain from matches. A
// short window keeps zlib from spending bits on far, chance matches in a
// photo's texture, and is faster; graphics need the long one.
// Measured on the 7 JPEG test photos fitted into 640 x 480 by the converter
// (bytes against ImageMagick 6 re-encoding the same pixels as 8-bit RGB;
// CPU time of EncodePng, median over the 7):
//   Huffman alone, Z_FILTERED or the default at 15 bits, probed on four
//     unprimed stripes of 16 KiB: 1.004 0.973 0.991 0.999 0.973 0.959 (grey)
//     0.950; 24.3 ms;
//   now: 0.998 0.973 0.987 0.999 0.973 0.959 0.950; 17.9 ms. Four take
//     Huffman codes alone; Kleiber and free Z_FILTERED at 12 bits (Kleiber
//     23.7 -> 60 ms), grey the default.
// Level 7 at 15 bits would bring Kleiber only to 1.000, in more time than 12
// bits at level 6; libspng's own filter choice was 1-2.5 % larger at every
// level.
// zlib's largest: longer Huffman blocks, 0.2 % smaller photos.
constexpr int kMemLevel = 9;
struct DeflateWay {
  int strategy;
  int window_bits;
};
constexpr DeflateWay kHuffmanOnly = {Z_HUFFMAN_ONLY, 15};
// Matches, the cheapest first. The longer windows are tried only where the
// short one beats Huffman codes alone: where it does not, the picture is
// texture, in which far matches do worse still. Among matches a later way
// wins a tie, the long window being the safer for graphics.
constexpr DeflateWay kMatchWays[] = {
    {Z_FILTERED, 12}, {Z_FILTERED, 15}, {Z_DEFAULT_STRATEGY, 15}};
// Bytes of filtered rows per probe stripe. Each stripe is deflated on its
// own, primed with up to kProbePrimerBytes of the rows above it, so that
// matches find what they would find in the whole picture: unprimed, the
// probe kept Kleiber's blurred background from its matches.
constexpr size_t kProbeStripeBytes = 8192;
constexpr uint32_t kProbeStripes = 8;
constexpr size_t kProbePrimerBytes = 8192;
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

// Filtered rows of one probe stripe, after those just above it.
struct ProbeStripe {
  std::vector<uint8_t> bytes;
  size_t primer = 0;  // leading bytes that only prime the window
};

std::vector<ProbeStripe> ProbeStripes(const uint8_t* pixels, size_t row_bytes, uint32_t height,
                                      uint32_t pixel_bytes, const std::vector<PngFilter>& filters) {
  const size_t line = row_bytes + 1;
  uint32_t stripe_rows = static_cast<uint32_t>(kProbeStripeBytes / line);
  if (stripe_rows == 0) stripe_rows = 1;
  const bool all_rows = uint64_t{stripe_rows} * kProbeStripes >= height;
  const uint32_t stripes = all_rows ? 1 : kProbeStripes;
  if (all_rows) stripe_rows = height;
  const uint32_t primer_rows = static_cast<uint32_t>((kProbePrimerBytes + line - 1) / line);
  std::vector<ProbeStripe> result(stripes);
  for (uint32_t s = 0; s < stripes; ++s) {
    uint32_t first = all_rows ? 0 : static_cast<uint32_t>(
        uint64_t{height} * (2 * s + 1) / (2 * kProbeStripes) - stripe_rows / 2);
    if (first > height - stripe_rows) first = height - stripe_rows;
    const uint32_t from = first > primer_rows ? first - primer_rows : 0;
    ProbeStripe& stripe = result[s];
    stripe.bytes.resize(size_t{first + stripe_rows - from} * line);
    stripe.primer = size_t{first - from} * line;
    for (uint32_t y = from; y < first + stripe_rows; ++y) {
      const uint8_t* row = pixels + size_t{y} * row_bytes;
      uint8_t* to = stripe.bytes.data() + size_t{y - from} * line;
      to[0] = static_cast<uint8_t>(filters[y]);
      FilterRow(filters[y], row, y == 0 ? nullptr : row - row_bytes, row_bytes, pixel_bytes,
                to + 1);
    }
  }
  return result;
}

// Deflated size of the stripes one way, or 0 when zlib is out of memory.
size_t ProbedSize(const std::vector<ProbeStripe>& stripes, int level, const DeflateWay& way) {
  z_stream stream{};
  // Raw deflate: a dictionary may then be set after each reset.
  if (deflateInit2(&stream, level, Z_DEFLATED, -way.window_bits, kMemLevel, way.strategy) !=
      Z_OK) {
    return 0;
  }
  std::vector<uint8_t> out;
  size_t total = 0;
  bool ok = true;
  for (const ProbeStripe& stripe : stripes) {
    ok = deflateReset(&stream) == Z_OK;
    const size_t window = size_t{1} << way.window_bits;
    const size_t primer = std::min(stripe.primer, window);
    if (ok && primer > 0 && way.strategy != Z_HUFFMAN_ONLY) {
      ok = deflateSetDictionary(&stream, stripe.bytes.data() + stripe.primer - primer,
                                static_cast<uInt>(primer)) == Z_OK;
    }
    const size_t size = stripe.bytes.size() - stripe.primer;
    out.resize(deflateBound(&stream, size));
    stream.next_in = const_cast<Bytef*>(stripe.bytes.data() + stripe.primer);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    ok = ok && deflate(&stream, Z_FINISH) == Z_STREAM_END;
    if (!ok) break;
    total += stream.total_out;
  }
  deflateEnd(&stream);
  return ok ? total : 0;
}

// The way to deflate the whole picture, or null when zlib is out of memory.
const DeflateWay* ChooseWay(const uint8_t* pixels, size_t row_bytes, uint32_t height,
                            uint32_t pixel_bytes, const std::vector<PngFilter>& filters,
                            int level) {
  const std::vector<ProbeStripe> stripes =
      ProbeStripes(pixels, row_bytes, height, pixel_bytes, filters);
  const DeflateWay* best = &kHuffmanOnly;
  size_t best_size = ProbedSize(stripes, level, kHuffmanOnly);
  if (best_size == 0) return nullptr;
  for (const DeflateWay& way : kMatchWays) {
    const size_t size = ProbedSize(stripes, level, way);
    if (size == 0) return nullptr;
    if (best == &kHuffmanOnly ? size < best_size : size <= best_size) best = &way, best_size = size;
    if (best == &kHuffmanOnly) break;
  }
  return best;
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
  for (size_t at = kPngSignatureBytes; at + kChunkOverhead <= size;) {
    const size_t length = BigEndian32(png + at);
    if (length > size - at - kChunkOverhead) break;
    const bool idat = IsChunkType(png + at, "IDAT");
    if (idat && first == 0) first = at;
    if (idat && end != 0 && end != at) {  // a second run: not libspng's layout
      first = 0;
      break;
    }
    if (idat) end = at + kChunkOverhead + length, payload += length;
    at += kChunkOverhead + length;
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
      const size_t length = BigEndian32(png + chunk);
      const size_t take = std::min(need, length - offset);
      const uint8_t* from = png + chunk + kChunkDataOffset + offset;
      out->insert(out->end(), from, from + take);
      need -= take, offset += take;
      if (offset == length) chunk += kChunkOverhead + length, offset = 0;
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
  const DeflateWay* way = ChooseWay(pixels, row_bytes, image.height, channels, filters, level);
  if (way == nullptr) return Fail(Error::kOutOfMemory, "PNG");

  spng_ihdr ihdr{};
  ihdr.width = image.width;
  ihdr.height = image.height;
  ihdr.bit_depth = 8;
  ihdr.color_type = alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
  int rc = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
  if (rc == 0) rc = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, level);
  if (rc == 0) rc = spng_set_option(ctx.get(), SPNG_IMG_MEM_LEVEL, kMemLevel);
  if (rc == 0) rc = spng_set_option(ctx.get(), SPNG_IMG_WINDOW_BITS, way->window_bits);
  if (rc == 0) rc = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_STRATEGY, way->strategy);
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
