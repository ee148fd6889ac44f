// Encoding a picture as GIF (giflib): one frame with a palette of at most
// 256 colours from QuantizeForGif, whose transparency rule it follows. The
// bytes are the caller's.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_WRITE_GIF_WRITER_H_
#define KALVENIX_CONVERTER_WRITE_GIF_WRITER_H_

#include <cstdint>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/write/quantize.h"

namespace quorvel {

Status EncodeGif(const Image& image, bool transparency, std::vector<uint8_t>* out);

// The GIF file of an already indexed picture.
Status WriteIndexedGif(const IndexedImage& image, std::vector<uint8_t>* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_WRITE_GIF_WRITER_H_
