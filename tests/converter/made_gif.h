// GIF files made in the tests, for what the shared pictures lack: LZW data
// with a chosen minimum code size, clear codes where a test wants them, and
// streams damaged in chosen ways.
#ifndef KALVENIX_TESTS_CONVERTER_MADE_GIF_H_
#define KALVENIX_TESTS_CONVERTER_MADE_GIF_H_

#include <array>
#include <cstdint>
#include <vector>

namespace quorvel::testing {

enum class TableFull {
  kKeep,   // go on with the full table (the deferred clear)
  kClear,  // send a clear code
};

struct LzwOptions {
  int minimum_code_size = 8;
  TableFull when_full = TableFull::kKeep;
  int clear_every = 0;  // a clear code after this many codes as well (0: never)
};

// What the encoder did, so a test can show it covers what it claims.
struct LzwStats {
  int codes = 0;
  int clears = 0;       // beyond the one at the start
  int table_fills = 0;  // times the table reached 4096 entries
  int self_defining = 0;  // codes naming the entry they define (KwKwK)
};

// A code written with an explicit width, for hand-made streams.
struct RawCode {
  uint32_t code;
  int bits;
};

// `pixels` (each below 2^minimum_code_size) as LZW codes, packed LSB first,
// from the clear code at the start to the end code.
std::vector<uint8_t> EncodeLzw(const std::vector<uint16_t>& pixels, const LzwOptions& options,
                               LzwStats* stats = nullptr);
std::vector<uint8_t> PackCodes(const std::vector<RawCode>& codes);

struct GifFrame {
  uint16_t screen_width = 0, screen_height = 0;
  uint16_t left = 0, top = 0, width = 0, height = 0;
  std::vector<std::array<uint8_t, 3>> palette;  // global; 2, 4, ... 256 entries
  std::vector<std::array<uint8_t, 3>> local_palette;  // none when empty
  int transparent_index = -1;                   // -1: no graphic control block
  bool interlaced = false;
  uint8_t code_size_byte = 8;
  std::vector<uint8_t> lzw;  // packed codes, cut into sub-blocks here
};

// GIF89a with one frame: screen, palette, control block, descriptor, the
// data in sub-blocks of 255 bytes, their terminator and the trailer.
std::vector<uint8_t> MakeGif(const GifFrame& frame);

// The rows of a `height`-row frame in the order an interlaced GIF stores
// them.
std::vector<uint32_t> InterlacedRows(uint32_t height);

}  // namespace quorvel::testing

#endif  // KALVENIX_TESTS_CONVERTER_MADE_GIF_H_
