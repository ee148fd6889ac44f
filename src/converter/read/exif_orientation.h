// Reading the EXIF Orientation tag through libexif.
//
// Thread-safety: reentrant; every call parses into its own libexif object.
#ifndef KALVENIX_CONVERTER_READ_EXIF_ORIENTATION_H_
#define KALVENIX_CONVERTER_READ_EXIF_ORIENTATION_H_

#include <cstdint>
#include <span>

namespace quorvel {

// The orientation 1..8 stored in `exif`, which is the payload of a JPEG APP1
// segment (starting "Exif\0\0") or of a PNG eXIf chunk (starting with the
// TIFF byte order). Returns 1 for a missing, damaged or out-of-range tag:
// a picture is never refused for its metadata.
int ReadExifOrientation(std::span<const uint8_t> exif);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_EXIF_ORIENTATION_H_
