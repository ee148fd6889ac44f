// The BMP reader on arbitrary bytes, with the product's limits.
#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/decode.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorvel::DecodedPicture picture;
  if (quorvel::DecodePicture(std::span(data, size), fuzz::BoxFor(size), &picture).ok())
    fuzz::CheckDecoded(picture);
  return 0;
}
