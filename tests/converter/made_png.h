// PNG files made in the tests, for what the shared pictures lack: image data
// filtered, split, cut or damaged in chosen ways.
#ifndef KALVENIX_TESTS_CONVERTER_MADE_PNG_H_
#define KALVENIX_TESTS_CONVERTER_MADE_PNG_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::testing {

// An 8-bit picture of `channels` (3 or 4), photo-like (smooth with noise),
// and its rows as a PNG stores them: each behind its filter byte, the rows
// taking the five filters in turn.
struct FilteredPicture {
  std::vector<uint8_t> pixels;    // rows back to back
  std::vector<uint8_t> filtered;  // the image data before compression
};
FilteredPicture MakeFilteredPicture(uint32_t width, uint32_t height, uint32_t channels);

// `data` as one zlib stream.
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data);

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
};

// `stream` cut into IDAT chunks of `part` bytes (the last may be shorter).
std::vector<Chunk> IdatChunks(const std::vector<uint8_t>& stream, size_t part);

// A PNG of an 8-bit RGB or RGBA picture: signature, IHDR, `chunks`, IEND,
// every CRC right.
std::vector<uint8_t> MakePng(uint32_t width, uint32_t height, uint32_t channels,
                             const std::vector<Chunk>& chunks);

}  // namespace quorvel::testing

#endif  // KALVENIX_TESTS_CONVERTER_MADE_PNG_H_
