// Encoding a picture as JPEG (libjpeg-turbo).
//
// Quality is clamped to 10..100; chroma is kept at full resolution (4:4:4)
// from quality 90 on, where halved chroma would be the visible loss, and
// halved both ways (4:2:0) below. Huffman tables are optimised. Alpha is
// flattened onto white. The bytes are the caller's.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_WRITE_JPEG_WRITER_H_
#define KALVENIX_CONVERTER_WRITE_JPEG_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"

namespace quorvel {

Status EncodeJpeg(const Image& image, int32_t quality, std::vector<uint8_t>* out);

// EncodeJpeg row by row, for a pipeline that produces the rows over time.
// Call Start, Write until every row is in, then Finish. After a failure
// every later call returns that failure.
// Thread-safety: one thread at a time.
class JpegRowEncoder {
 public:
  JpegRowEncoder();
  ~JpegRowEncoder();
  JpegRowEncoder(const JpegRowEncoder&) = delete;
  JpegRowEncoder& operator=(const JpegRowEncoder&) = delete;

  // `channels` is 3 (RGB) or 4 (RGBA, flattened onto white).
  Status Start(uint32_t width, uint32_t height, uint32_t channels, int32_t quality);
  // The next `count` rows, `stride` bytes apart.
  Status Write(const uint8_t* rows, uint32_t count, size_t stride);
  // The whole file, once every row has been written.
  Status Finish(std::vector<uint8_t>* out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_WRITE_JPEG_WRITER_H_
