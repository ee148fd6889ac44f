#include "converter/write/quantize.h"

#include <limits>
#include <memory>
#include <string>

#include <libimagequant.h>

#include "converter/colour/alpha.h"

// libimagequant runs its loops on an OpenMP team when it is built with
// OpenMP (Debian's is). Resolved at run time, so that a build without OpenMP
// needs nothing.
extern "C" __attribute__((weak)) void omp_set_num_threads(int count);
extern "C" __attribute__((weak)) int omp_get_max_threads();

namespace quorvel {
namespace {

// Pixels below this alpha become GIF's transparent index.
constexpr uint8_t kHalfAlpha = 128;
// libimagequant's speed 1..10. Measured on a 640 x 427 photo, one thread,
// with dithering: speed 4 takes 240 ms for 39.2 dB, 6 180 ms for 37.8 dB,
// 8 55 ms for 37.2 dB. Once dithered the difference is not visible.
constexpr int kQuantizeSpeed = 8;

// One thread for the quantiser's loops: a 640 x 480 picture gives a team
// too little work per loop, and its spinning at every barrier cost more CPU
// than the quantiser itself (perf: 39 % in libgomp, 39 % in libimagequant),
// taking the core the band worker and other programs need. With one thread
// libgomp starts none. The setting is the calling thread's, which belongs to
// the host, so it gets its own back.
class OneOpenMpThread {
 public:
  OneOpenMpThread() {
    if (omp_set_num_threads == nullptr || omp_get_max_threads == nullptr) return;
    callers_ = omp_get_max_threads();
    omp_set_num_threads(1);
  }
  ~OneOpenMpThread() {
    if (callers_ > 0) omp_set_num_threads(callers_);
  }
  OneOpenMpThread(const OneOpenMpThread&) = delete;
  OneOpenMpThread& operator=(const OneOpenMpThread&) = delete;

 private:
  int callers_ = 0;
};

struct AttrDeleter {
  void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct ImageDeleter {
  void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct ResultDeleter {
  void operator()(liq_result* p) const { liq_result_destroy(p); }
};

Status LiqFailure(liq_error e) {
  if (e == LIQ_OUT_OF_MEMORY) return Fail(Error::kOutOfMemory, "GIF-Palette");
  return Fail(Error::kEncodeFailed, "GIF-Palette: libimagequant " + std::to_string(e));
}

// The RGBA that goes into the quantiser: fully opaque, or (with `cut_alpha`)
// either opaque or alpha 0, so the palette holds no half-transparent entries.
std::vector<uint8_t> PrepareRgba(const Image& image, bool cut_alpha) {
  const size_t count = size_t{image.width} * image.height;
  std::vector<uint8_t> rgba(count * 4);
  const uint8_t* s = image.pixels.data();
  uint8_t* d = rgba.data();
  if (image.channels == 3) {
    for (size_t i = 0; i < count; ++i, s += 3, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = 255;
    }
    return rgba;
  }
  for (size_t i = 0; i < count; ++i, s += 4, d += 4) {
    if (cut_alpha && s[3] < kHalfAlpha) {
      d[0] = d[1] = d[2] = d[3] = 0;
      continue;
    }
    FlattenRowOntoWhite(s, 1, d);
    d[3] = 255;
  }
  return rgba;
}

int NearestOpaque(const liq_palette& palette, const uint8_t* rgb) {
  int best = -1;
  int best_distance = std::numeric_limits<int>::max();
  for (unsigned i = 0; i < palette.count; ++i) {
    const liq_color& c = palette.entries[i];
    if (c.a < kHalfAlpha) continue;
    const int dr = c.r - rgb[0];
    const int dg = c.g - rgb[1];
    const int db = c.b - rgb[2];
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<int>(i);
    }
  }
  return best;
}

}  // namespace

Status QuantizeForGif(const Image& image, bool transparency, IndexedImage* out) {
  if (image.width > uint32_t{std::numeric_limits<int>::max()} ||
      image.height > uint32_t{std::numeric_limits<int>::max()}) {
    return Fail(Error::kTooLarge, "GIF");
  }
  const bool cut_alpha = transparency && HasTransparency(image);
  std::vector<uint8_t> rgba = PrepareRgba(image, cut_alpha);
  std::unique_ptr<liq_attr, AttrDeleter> attr(liq_attr_create());
  if (!attr) return Fail(Error::kOutOfMemory, "GIF-Palette");
  // With transparent pixels keep one entry free, so the transparent index can
  // always be added even if the quantiser folded the few transparent pixels
  // into another colour.
  liq_error e = liq_set_max_colors(attr.get(), cut_alpha ? 255 : 256);
  if (e == LIQ_OK) e = liq_set_speed(attr.get(), kQuantizeSpeed);
  if (e != LIQ_OK) return LiqFailure(e);
  std::unique_ptr<liq_image, ImageDeleter> liq_image(liq_image_create_rgba(
      attr.get(), rgba.data(), static_cast<int>(image.width), static_cast<int>(image.height), 0));
  if (!liq_image) return Fail(Error::kOutOfMemory, "GIF-Palette");
  const OneOpenMpThread one_thread;
  liq_result* raw_result = nullptr;
  e = liq_image_quantize(liq_image.get(), attr.get(), &raw_result);
  std::unique_ptr<liq_result, ResultDeleter> result(raw_result);
  if (e != LIQ_OK) return LiqFailure(e);
  e = liq_set_dithering_level(result.get(), 1.0f);
  if (e != LIQ_OK) return LiqFailure(e);
  IndexedImage indexed;
  indexed.width = image.width;
  indexed.height = image.height;
  indexed.indices.resize(size_t{image.width} * image.height);
  e = liq_write_remapped_image(result.get(), liq_image.get(), indexed.indices.data(),
                               indexed.indices.size());
  if (e != LIQ_OK) return LiqFailure(e);
  const liq_palette* palette = liq_get_palette(result.get());
  if (palette == nullptr || palette->count == 0 || palette->count > 256) {
    return Fail(Error::kEncodeFailed, "GIF-Palette leer");
  }
  for (unsigned i = 0; i < palette->count; ++i) {
    const liq_color& c = palette->entries[i];
    indexed.palette.push_back({c.r, c.g, c.b});
  }
  if (cut_alpha) {
    int transparent = -1;
    for (unsigned i = 0; i < palette->count && transparent < 0; ++i) {
      if (palette->entries[i].a < kHalfAlpha) transparent = static_cast<int>(i);
    }
    if (transparent < 0) {
      transparent = static_cast<int>(indexed.palette.size());
      indexed.palette.push_back({255, 255, 255});
    }
    // The rule is per source pixel, whatever dithering chose: transparent
    // exactly where alpha is below half.
    const uint8_t* s = rgba.data();
    for (size_t i = 0; i < indexed.indices.size(); ++i, s += 4) {
      uint8_t& index = indexed.indices[i];
      if (s[3] == 0) {
        index = static_cast<uint8_t>(transparent);
      } else if (index >= palette->count || palette->entries[index].a < kHalfAlpha) {
        const int nearest = NearestOpaque(*palette, s);
        if (nearest < 0) return Fail(Error::kEncodeFailed, "GIF-Palette ohne deckende Farbe");
        index = static_cast<uint8_t>(nearest);
      }
    }
    // Viewers that ignore transparency show white there, as if flattened.
    indexed.palette[static_cast<size_t>(transparent)] = {255, 255, 255};
    indexed.transparent_index = transparent;
  } else if (transparency) {
    indexed.transparent_index = indexed.indices[0];
  }
  *out = std::move(indexed);
  return Status::Ok();
}

}  // namespace quorvel
