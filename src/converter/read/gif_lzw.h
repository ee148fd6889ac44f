// Our own decoder for one GIF frame's LZW data, for the minimum code sizes
// giflib refuses (9 to 11; it stops at 8, the most an 8-bit pixel needs,
// while other readers accept any size whose clear code still fits a 12-bit
// table).
//
// The input is the frame's data sub-blocks from the first length byte on;
// the decoder reads nothing beyond them. Pixels come out in file order (the
// caller de-interlaces) as indices below 2^minimum_code_size. The outcome
// follows giflib's for the sizes it reads: data that ends before the last
// pixel (no more bytes, an empty sub-block, the end code) fails the frame, as
// does a missing run of sub-blocks after the last pixel; pixels coded past
// the frame's end are dropped. Stricter than giflib, a code beyond the table
// fails instead of painting guesses. After a failure every Read returns it.
// Thread-safety: one decoder per thread; it keeps a view of `blocks`, which
// must outlive it.
#ifndef KALVENIX_CONVERTER_READ_GIF_LZW_H_
#define KALVENIX_CONVERTER_READ_GIF_LZW_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/base/error.h"

namespace quorvel {

class GifLzwDecoder {
 public:
  // Smallest and largest minimum code size the decoder takes; a clear code
  // of 4096 or more would leave no room in the 12-bit table.
  static constexpr int kMinCodeSize = 1;
  static constexpr int kMaxCodeSize = 11;

  // `pixel_count`: the frame's width times height. A `minimum_code_size`
  // outside [kMinCodeSize, kMaxCodeSize] makes every Read fail.
  GifLzwDecoder(std::span<const uint8_t> blocks, int minimum_code_size, uint64_t pixel_count);

  GifLzwDecoder(const GifLzwDecoder&) = delete;
  GifLzwDecoder& operator=(const GifLzwDecoder&) = delete;

  // Fills `pixels` completely or fails; after a failure every call returns
  // that same failure.
  // The call that delivers the frame's last pixel also checks that the
  // frame's sub-blocks are all there.
  Status Read(std::span<uint16_t> pixels);

 private:
  static constexpr int kMaxCodeBits = 12;
  static constexpr size_t kTableSize = size_t{1} << kMaxCodeBits;
  static constexpr uint32_t kNoCode = 0xffffffffu;

  Status Failed(const char* what);
  void GrowCodeSize();
  Status DecodeOne();              // the next code into pending_
  bool NextByte(uint8_t* byte);    // false at the end of the sub-blocks
  Status SkipToTerminator();

  std::span<const uint8_t> blocks_;
  size_t position_ = 0;      // next byte of blocks_ to read
  size_t block_left_ = 0;    // data bytes left in the current sub-block
  bool blocks_ended_ = false;
  uint32_t bit_buffer_ = 0;
  int bit_count_ = 0;

  int minimum_code_size_;
  uint32_t clear_code_;
  uint32_t code_size_ = 0;
  uint32_t next_code_ = 0;      // the entry the next code defines
  uint32_t previous_ = kNoCode;
  uint64_t pixels_left_;
  Status failure_;  // the first; every later Read returns it

  // Each entry is its prefix's entry plus one pixel; its first pixel and
  // length make expanding it one backwards walk into pending_.
  std::array<uint16_t, kTableSize> prefix_{};
  std::array<uint16_t, kTableSize> suffix_{};
  std::array<uint16_t, kTableSize> first_{};
  std::array<uint16_t, kTableSize> length_{};

  // The pixels of the last code not yet handed out: pending_[pending_begin_,
  // pending_end_).
  std::array<uint16_t, kTableSize> pending_{};
  size_t pending_begin_ = 0;
  size_t pending_end_ = 0;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_GIF_LZW_H_
