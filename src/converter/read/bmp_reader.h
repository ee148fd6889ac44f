// Reading a Windows or OS/2 bitmap with our own reader.
//
// 1, 2, 4, 8, 16, 24 and 32 bits; RLE4 and RLE8; BITFIELDS and
// ALPHABITFIELDS; bottom-up and top-down rows; OS/2 v1 and v2, INFO, V2 to V5
// headers. Palette pictures come out as RGB. 16- and 32-bit pictures with an
// alpha mask come out as RGBA unless every alpha value is zero (writers that
// leave the fourth byte empty mean an opaque picture). Pixels that RLE skips
// take palette entry 0. Embedded JPEG/PNG and 64-bit pictures are
// unsupported. Every length and offset is checked against the file before it
// is used. Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_READ_BMP_READER_H_
#define KALVENIX_CONVERTER_READ_BMP_READER_H_

#include <cstdint>
#include <span>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/source_picture.h"

namespace quorvel {

// `storage` lends its capacity to the pixels, so that a caller can reuse a
// buffer from an earlier picture; it is used up either way.
Status ReadBmp(std::span<const uint8_t> file, TargetBox box, SourcePicture* out,
               std::vector<uint8_t> storage = {});

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_BMP_READER_H_
