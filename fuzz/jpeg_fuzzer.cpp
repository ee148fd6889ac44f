// The JPEG reader on arbitrary bytes with the product's limits, followed by
// the colour and orientation steps on what it reads.
#include <cstddef>
#include <cstdint>

#include "converter/read/jpeg_reader.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz::FuzzReader(data, size, quorvel::PictureFormat::kJpeg,
                          [](std::span<const uint8_t> file, quorvel::TargetBox box,
                             quorvel::SourcePicture* out) {
                            return quorvel::ReadJpeg(file, box, out);
                          });
}
