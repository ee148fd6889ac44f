// Reading a source picture: sniff, decode, colour to sRGB, orient upright.
//
// DecodePicture is the readers' one entry for the rest of the converter. It
// recognises the format by its signature bytes (never by a name), refuses
// sizes beyond the limits from the header before allocating pixels, and may
// decode a large JPEG at a reduced DCT scale: the image it returns is upright
// (EXIF orientation applied), sRGB, 8-bit RGB or RGBA, and at least twice the
// size that fitting into `box` needs on each constrained side (or the full size
// when it is smaller than that or the box is free). A picture whose fit into
// `box` would exceed the output limit is refused from the header too. On
// failure `*out` is left as it was. Throws std::bad_alloc only.
// Thread-safety: reentrant; the transform cache is thread-safe.
#ifndef KALVENIX_CONVERTER_PIPELINE_DECODE_H_
#define KALVENIX_CONVERTER_PIPELINE_DECODE_H_

#include <cstdint>
#include <span>

#include "converter/base/buffer_pool.h"
#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/colour/srgb_transform_cache.h"
#include "converter/resample/dct_scale.h"

namespace quorvel {

struct DecodedPicture {
  Image image;              // upright, sRGB
  uint32_t full_width = 0;  // the upright picture's size before any DCT shrink
  uint32_t full_height = 0;
  ShrinkOnLoad shrink;      // what the upright image's samples stand for; for Resample
};

// `transforms` keeps colour transforms for later pictures, `buffers` lends
// storage for the pixels; either may be null.
Status DecodePicture(std::span<const uint8_t> file, TargetBox box, DecodedPicture* out,
                     SrgbTransformCache* transforms = nullptr, BufferPool* buffers = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_DECODE_H_
