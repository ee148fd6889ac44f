// Encoding a picture as PNG (libspng).
//
// 8-bit RGB, or RGBA when some pixel is not fully opaque; marked as sRGB,
// which every picture is by the time it is written. The bytes are the caller's.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_WRITE_PNG_WRITER_H_
#define KALVENIX_CONVERTER_WRITE_PNG_WRITER_H_

#include <cstdint>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"

namespace quorvel {

// The zlib level for pictures whose rows repeat enough for deflate's matches
// to pay; see png_writer.cpp for the measurement behind it.
inline constexpr int kPngCompressionLevel = 6;

// `level` is for measuring other zlib levels; the converter passes
// kPngCompressionLevel.
Status EncodePng(const Image& image, std::vector<uint8_t>* out, int level = kPngCompressionLevel);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_WRITE_PNG_WRITER_H_
