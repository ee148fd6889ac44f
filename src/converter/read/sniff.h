// Recognising a source picture's format from its first bytes.
//
// The name of a file never decides its format: a PNG saved as "bild.jpg" is
// read as PNG. Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_READ_SNIFF_H_
#define KALVENIX_CONVERTER_READ_SNIFF_H_

#include <cstdint>
#include <span>

namespace quorvel {

enum class PictureFormat { kUnknown, kJpeg, kPng, kGif, kBmp };

PictureFormat SniffFormat(std::span<const uint8_t> file);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_SNIFF_H_
