#include "converter/colour/alpha.h"

namespace quorvel {

bool HasTransparency(const Image& image) {
  if (image.channels != 4) return false;
  const uint8_t* p = image.pixels.data();
  const size_t count = size_t{image.width} * image.height;
  // AND all alphas together without an early exit: the loop vectorises, and
  // opaque pictures (the usual case) need the full scan anyway.
  uint8_t all = 0xff;
  for (size_t i = 0; i < count; ++i) all &= p[i * 4 + 3];
  return all != 0xff;
}

void FlattenRowOntoWhite(const uint8_t* rgba, uint32_t width, uint8_t* rgb) {
  for (uint32_t x = 0; x < width; ++x, rgba += 4, rgb += 3) {
    const uint32_t a = rgba[3];
    const uint32_t white = 255 * (255 - a);
    for (int c = 0; c < 3; ++c) rgb[c] = static_cast<uint8_t>((rgba[c] * a + white + 127) / 255);
  }
}

void DropAlphaRow(const uint8_t* rgba, uint32_t width, uint8_t* rgb) {
  for (uint32_t x = 0; x < width; ++x, rgba += 4, rgb += 3) {
    rgb[0] = rgba[0];
    rgb[1] = rgba[1];
    rgb[2] = rgba[2];
  }
}

}  // namespace quorvel
