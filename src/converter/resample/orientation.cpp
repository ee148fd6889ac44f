#include "converter/resample/orientation.h"

#include <cstring>


namespace quorvel {
namespace {

// The stored pixel that lands at upright (x, y), for the EXIF meaning of each
// value: 2 mirrors, 3 turns by 180, 4 flips, 5 transposes, 6 shows the stored
// picture turned a quarter clockwise, 7 transverses, 8 a quarter
// counter-clockwise.
struct Source {
  uint32_t x, y;
};

Source StoredPixel(int orientation, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
  switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {y, h - 1 - x};
    case 7: return {w - 1 - y, h - 1 - x};
    case 8: return {w - 1 - y, x};
    default: return {x, y};
  }
}

// A fixed channel count lets each pixel copy compile to plain moves.
template <uint32_t kChannels>
void Reorder(int orientation, const Image& in, Image* out) {
  for (uint32_t y = 0; y < out->height; ++y) {
    uint8_t* dst = out->row(y);
    for (uint32_t x = 0; x < out->width; ++x) {
      Source s = StoredPixel(orientation, x, y, in.width, in.height);
      std::memcpy(dst + size_t{x} * kChannels, in.row(s.y) + size_t{s.x} * kChannels, kChannels);
    }
  }
}

}  // namespace

Status ApplyOrientation(int orientation, Image* image) {
  if (orientation < 2 || orientation > 8) return Status::Ok();
  const Image& in = *image;
  if (in.channels != 3 && in.channels != 4) return Fail(Error::kInternal, "Kanalzahl");
  Image out;
  const PictureSize upright = UprightSize({in.width, in.height}, orientation);
  out.width = upright.width;
  out.height = upright.height;
  out.channels = in.channels;
  out.pixels.resize(in.pixels.size());
  if (in.channels == 3)
    Reorder<3>(orientation, in, &out);
  else
    Reorder<4>(orientation, in, &out);
  *image = std::move(out);
  return Status::Ok();
}

}  // namespace quorvel
