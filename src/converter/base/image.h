// An 8-bit picture in memory, the currency between the pipeline's steps.
//
// Pixels are interleaved, rows top-down without padding: RGB (3 channels) or
// RGBA (4 channels, straight alpha, not premultiplied), always sRGB once a
// reader has handed the image on. The Image owns its pixels; pass it by value
// (moved) from step to step.
#ifndef KALVENIX_CONVERTER_BASE_IMAGE_H_
#define KALVENIX_CONVERTER_BASE_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

struct Image {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t channels = 0;  // 3 or 4
  std::vector<uint8_t> pixels;

  size_t stride() const { return size_t{width} * channels; }
  bool has_alpha() const { return channels == 4; }
  uint8_t* row(uint32_t y) { return pixels.data() + y * stride(); }
  const uint8_t* row(uint32_t y) const { return pixels.data() + y * stride(); }
};

// A picture's size in pixels, without the pixels.
struct PictureSize {
  uint32_t width = 0;
  uint32_t height = 0;

  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// The box a picture must fit into; a side of 0 or less is free.
struct TargetBox {
  int32_t width = 0;
  int32_t height = 0;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_IMAGE_H_
