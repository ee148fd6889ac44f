#include "converter/write/encode.h"

#include "converter/write/bmp_writer.h"
#include "converter/write/gif_writer.h"
#include "converter/write/jpeg_writer.h"
#include "converter/write/png_writer.h"

namespace quorvel {

Status EncodePicture(const Image& image, OutputType type, EncodeOptions options,
                     std::vector<uint8_t>* out) {
  switch (type) {
    case OutputType::kBmp: return EncodeBmp(image, out);
    case OutputType::kGif: return EncodeGif(image, options.transparency, out);
    case OutputType::kJpeg: return EncodeJpeg(image, options.quality, out);
    case OutputType::kPng: return EncodePng(image, out);
  }
  return Fail(Error::kInternal, "Ausgabetyp");
}

}  // namespace quorvel
