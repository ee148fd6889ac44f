// Encoding a picture as JPEG (libjpeg-turbo).
//
// Quality is clamped to 10..100; chroma is kept at full resolution (4:4:4)
// from quality 90 on, where halved chroma would be the visible loss, and
// halved both ways (4:2:0) below. Huffman tables are optimised. Alpha is
// flattened onto white. The bytes are the caller's.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_JPEG_WRITER_H_
#define KALVENIX_CONVERTER_JPEG_WRITER_H_

#include <cstdint>
#include <vector>

#include "converter/error.h"
#include "converter/image.h"

namespace quorvel {

Status EncodeJpeg(const Image& image, int32_t quality, std::vector<uint8_t>* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_JPEG_WRITER_H_
