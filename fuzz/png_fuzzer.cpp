// The PNG reader on arbitrary bytes with the product's limits, followed by
// the colour and orientation steps on what it reads.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "converter/png_reader.h"
#include "fuzz/fuzz_support.h"

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// libspng refuses a chunk whose CRC does not match, and the fuzzer cannot
// learn CRCs inside an uninstrumented library: nearly every mutation would
// stop at its chunk. So the CRCs are made right again before reading.
std::vector<uint8_t> WithCrcsRecomputed(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  size_t pos = 8;  // after the signature
  while (png.size() - pos >= 12) {
    const uint32_t length = BigEndian32(&png[pos]);
    if (length > png.size() - pos - 12) break;
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, &png[pos + 4], static_cast<uInt>(length) + 4));
    uint8_t* out = &png[pos + 8 + length];
    out[0] = static_cast<uint8_t>(crc >> 24);
    out[1] = static_cast<uint8_t>(crc >> 16);
    out[2] = static_cast<uint8_t>(crc >> 8);
    out[3] = static_cast<uint8_t>(crc);
    pos += 12 + size_t{length};
  }
  return png;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One input in three keeps its CRCs, so refusing a bad one stays under test.
  if (size % 3 == 0 || size < 8)
    return fuzz::FuzzReader(data, size, quorvel::PictureFormat::kPng, quorvel::ReadPng);
  const std::vector<uint8_t> png = WithCrcsRecomputed(data, size);
  return fuzz::FuzzReader(png.data(), png.size(), quorvel::PictureFormat::kPng,
                          quorvel::ReadPng);
}
