// What a format reader hands on: the stored pixels before colour and
// orientation are settled.
//
// The reader owns nothing after returning; the SourcePicture owns its pixels
// and the embedded profile. Thread-safety: plain data.
#ifndef KALVENIX_CONVERTER_BASE_SOURCE_PICTURE_H_
#define KALVENIX_CONVERTER_BASE_SOURCE_PICTURE_H_

#include <cstdint>
#include <vector>

#include "converter/base/image.h"

namespace quorvel {

// How the 3 or 4 channels of `SourcePicture::image` are to be read.
enum class PixelModel {
  kRgb,           // 3 channels
  kRgba,          // 4 channels, straight alpha
  kCmyk,          // 4 channels, 0 = no ink
  kCmykInverted,  // 4 channels, 255 = no ink (as Adobe writes CMYK and YCCK JPEGs)
};

inline bool IsCmyk(PixelModel model) {
  return model == PixelModel::kCmyk || model == PixelModel::kCmykInverted;
}

struct SourcePicture {
  Image image;  // as stored: possibly DCT-shrunk, not yet upright
  PixelModel model = PixelModel::kRgb;
  std::vector<uint8_t> icc_profile;  // empty when the file embeds none
  int orientation = 1;               // EXIF 1..8; 1 when absent or invalid
  uint32_t stored_width = 0;         // the stored size before any DCT shrink
  uint32_t stored_height = 0;
  uint32_t dct_denominator = 1;      // the image is the stored picture at 1/this
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_SOURCE_PICTURE_H_
