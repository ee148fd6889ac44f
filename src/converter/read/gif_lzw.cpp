#include "converter/read/gif_lzw.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace quorvel {

GifLzwDecoder::GifLzwDecoder(std::span<const uint8_t> blocks, int minimum_code_size,
                             uint64_t pixel_count)
    : blocks_(blocks),
      minimum_code_size_(minimum_code_size),
      clear_code_(minimum_code_size >= kMinCodeSize && minimum_code_size <= kMaxCodeSize
                      ? 1u << minimum_code_size
                      : 0),
      pixels_left_(pixel_count) {
  // A literal is an entry of its own: one pixel, its own first and last.
  for (uint32_t i = 0; i < clear_code_; ++i) {
    suffix_[i] = uint16_t(i);
    first_[i] = uint16_t(i);
    length_[i] = 1;
  }
  code_size_ = uint32_t(minimum_code_size_) + 1;
  next_code_ = clear_code_ + 2;
}

Status GifLzwDecoder::Failed(const char* what) {
  failure_ = Fail(Error::kCorruptGif, std::string("Pixeldaten: ") + what);
  return failure_;
}

bool GifLzwDecoder::NextByte(uint8_t* byte) {
  if (block_left_ == 0) {
    if (blocks_ended_ || position_ >= blocks_.size()) return false;
    size_t length = blocks_[position_++];
    // An empty sub-block ends the data; giflib, too, takes one before the
    // last pixel as a defect rather than reading on.
    if (length == 0) {
      blocks_ended_ = true;
      return false;
    }
    // giflib reads a sub-block whole or fails, even when the pixels it
    // still needs lie in the part that is there.
    if (length > blocks_.size() - position_) return false;
    block_left_ = length;
  }
  *byte = blocks_[position_++];
  --block_left_;
  return true;
}

// Every code but the first after a clear defines an entry; the next code
// widens once the entry it will define no longer fits. Checking after that
// first code too, as giflib does, matters only for size 1, whose first
// entry (4) already needs 3 bits.
void GifLzwDecoder::GrowCodeSize() {
  if (next_code_ >= (1u << code_size_) && code_size_ < uint32_t(kMaxCodeBits)) ++code_size_;
}

Status GifLzwDecoder::DecodeOne() {
  for (;;) {
    while (bit_count_ < int(code_size_)) {
      uint8_t byte = 0;
      if (!NextByte(&byte)) return Failed("Daten enden vor dem letzten Pixel des Bildes");
      bit_buffer_ |= uint32_t{byte} << bit_count_;
      bit_count_ += 8;
    }
    uint32_t code = bit_buffer_ & ((1u << code_size_) - 1);
    bit_buffer_ >>= code_size_;
    bit_count_ -= int(code_size_);

    if (code == clear_code_) {
      code_size_ = uint32_t(minimum_code_size_) + 1;
      next_code_ = clear_code_ + 2;
      previous_ = kNoCode;
      continue;
    }
    if (code == clear_code_ + 1) return Failed("Endcode vor dem letzten Pixel des Bildes");
    if (previous_ == kNoCode) {
      // Right after a clear (or at the start) only a pixel can follow.
      if (code >= clear_code_) return Failed("Code jenseits der Tabelle");
      pending_[0] = uint16_t(code);
      pending_begin_ = 0;
      pending_end_ = 1;
      previous_ = code;
      GrowCodeSize();
      return Status::Ok();
    }
    // The one code not yet in the table that may come is the entry this
    // very code defines: the previous string plus its own first pixel.
    if (code > next_code_) return Failed("Code jenseits der Tabelle");
    bool defines_itself = code == next_code_;
    uint32_t source = defines_itself ? previous_ : code;
    size_t length = size_t{length_[source]} + (defines_itself ? 1 : 0);
    if (length > pending_.size()) return Failed("Code jenseits der Tabelle");
    uint16_t first = first_[source];
    if (defines_itself) pending_[length - 1] = first;
    uint32_t walk = source;
    for (size_t i = length_[source]; i-- > 0;) {
      pending_[i] = suffix_[walk];
      walk = prefix_[walk];
    }
    pending_begin_ = 0;
    pending_end_ = length;

    // A full table stays as it is until the next clear code (the deferred
    // clear), and codes stay 12 bits wide.
    if (next_code_ < kTableSize) {
      prefix_[next_code_] = uint16_t(previous_);
      suffix_[next_code_] = first;
      first_[next_code_] = first_[previous_];
      length_[next_code_] = uint16_t(length_[previous_] + 1);
      ++next_code_;
    }
    previous_ = code;
    GrowCodeSize();
    return Status::Ok();
  }
}

Status GifLzwDecoder::SkipToTerminator() {
  position_ += block_left_;  // present: checked when the sub-block began
  block_left_ = 0;
  if (blocks_ended_) return Status::Ok();
  for (;;) {
    if (position_ >= blocks_.size()) return Failed("Bilddaten abgeschnitten");
    size_t length = blocks_[position_++];
    if (length == 0) {
      blocks_ended_ = true;
      return Status::Ok();
    }
    if (length > blocks_.size() - position_) return Failed("Bilddaten abgeschnitten");
    position_ += length;
  }
}

Status GifLzwDecoder::Read(std::span<uint16_t> pixels) {
  if (!failure_.ok()) return failure_;
  if (clear_code_ == 0) return Failed("minimale Codegröße außerhalb des Bereichs");
  size_t filled = 0;
  while (filled < pixels.size()) {
    if (pixels_left_ == 0) return Failed("mehr Pixel verlangt, als das Bild hat");
    if (pending_begin_ == pending_end_) {
      if (Status s = DecodeOne(); !s.ok()) return s;
      continue;
    }
    size_t count = std::min({pending_end_ - pending_begin_, pixels.size() - filled,
                             size_t(std::min<uint64_t>(pixels_left_, pending_.size()))});
    std::copy_n(pending_.begin() + std::ptrdiff_t(pending_begin_), count,
                pixels.begin() + std::ptrdiff_t(filled));
    pending_begin_ += count;
    filled += count;
    pixels_left_ -= count;
  }
  if (pixels_left_ == 0) {
    pending_begin_ = pending_end_;  // past the frame: dropped
    return SkipToTerminator();
  }
  return Status::Ok();
}

}  // namespace quorvel
