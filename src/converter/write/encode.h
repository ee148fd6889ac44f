// Encoding a picture in the chosen output type.
//
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_WRITE_ENCODE_H_
#define KALVENIX_CONVERTER_WRITE_ENCODE_H_

#include <cstdint>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/output_type.h"

namespace quorvel {

struct EncodeOptions {
  bool transparency = false;  // GIF only
  int32_t quality = 100;      // JPEG only
};

Status EncodePicture(const Image& image, OutputType type, EncodeOptions options,
                     std::vector<uint8_t>* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_WRITE_ENCODE_H_
