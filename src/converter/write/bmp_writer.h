// Encoding a picture as BMP: 24-bit, bottom-up, the plain 40-byte header that
// every reader knows. Alpha is flattened onto white. The bytes are the caller's.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_WRITE_BMP_WRITER_H_
#define KALVENIX_CONVERTER_WRITE_BMP_WRITER_H_

#include <cstdint>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"

namespace quorvel {

Status EncodeBmp(const Image& image, std::vector<uint8_t>* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_WRITE_BMP_WRITER_H_
