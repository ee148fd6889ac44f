// Reading a JPEG through libjpeg-turbo.
//
// Baseline, extended, progressive and arithmetic-coded files in greyscale,
// YCbCr, RGB, CMYK and YCCK. Grey comes out as RGB; CMYK and YCCK come out as
// CMYK for the colour step. A large picture is decoded at a reduced DCT scale
// chosen from the box and the EXIF orientation (see dct_scale.h).
// Thread-safety: reentrant; each call owns its codec.
#ifndef KALVENIX_CONVERTER_JPEG_READER_H_
#define KALVENIX_CONVERTER_JPEG_READER_H_

#include <cstdint>
#include <span>

#include "converter/error.h"
#include "converter/image.h"
#include "converter/source_picture.h"

namespace quorvel {

Status ReadJpeg(std::span<const uint8_t> file, TargetBox box, SourcePicture* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_JPEG_READER_H_
