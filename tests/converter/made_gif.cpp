#include "made_gif.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace quorvel::testing {
namespace {

class BitWriter {
 public:
  void Put(uint32_t code, int bits) {
    buffer_ |= uint64_t{code} << count_;
    count_ += bits;
    while (count_ >= 8) {
      bytes_.push_back(uint8_t(buffer_));
      buffer_ >>= 8;
      count_ -= 8;
    }
  }
  std::vector<uint8_t> Finish() {
    if (count_ > 0) bytes_.push_back(uint8_t(buffer_));
    return std::move(bytes_);
  }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

// The palette's size field (entries = 2 << field) and its entries, padded.
uint8_t PutPalette(std::vector<uint8_t>* out, const std::vector<std::array<uint8_t, 3>>& palette) {
  int depth = 1;
  while ((size_t{1} << depth) < palette.size()) ++depth;
  for (size_t i = 0; i < (size_t{1} << depth); ++i) {
    std::array<uint8_t, 3> c = i < palette.size() ? palette[i] : std::array<uint8_t, 3>{};
    out->insert(out->end(), c.begin(), c.end());
  }
  return uint8_t(depth - 1);
}

void PutWord(std::vector<uint8_t>* out, uint16_t value) {
  out->push_back(uint8_t(value));
  out->push_back(uint8_t(value >> 8));
}

}  // namespace

std::vector<uint8_t> EncodeLzw(const std::vector<uint16_t>& pixels, const LzwOptions& options,
                               LzwStats* stats) {
  LzwStats local;
  LzwStats& s = stats != nullptr ? *stats : local;
  s = {};
  const uint32_t clear = 1u << options.minimum_code_size;
  BitWriter out;
  std::unordered_map<uint32_t, uint32_t> table;  // prefix << 12 | pixel -> code
  int bits = 0;
  uint32_t next = 0;
  int codes_since_clear = 0;
  uint32_t last_added = 0;  // the entry the decoder defines with the next code
  auto reset = [&] {
    table.clear();
    bits = options.minimum_code_size + 1;
    next = clear + 2;
    codes_since_clear = 0;
    last_added = 0;
  };
  reset();
  out.Put(clear, bits);
  // A decoder defines each entry one code late, so the width grows by the
  // entry the decoder is about to define: after every code, as giflib does.
  auto emit = [&](uint32_t code) {
    out.Put(code, bits);
    ++s.codes;
    ++codes_since_clear;
    if (last_added != 0 && code == last_added) ++s.self_defining;
    last_added = 0;
    if (next >= (1u << bits) && bits < 12) ++bits;
  };
  uint32_t prefix = pixels.front();
  for (size_t i = 1; i < pixels.size(); ++i) {
    uint32_t key = prefix << 12 | pixels[i];
    if (auto it = table.find(key); it != table.end()) {
      prefix = it->second;
      continue;
    }
    emit(prefix);
    if (options.clear_every > 0 && codes_since_clear >= options.clear_every) {
      out.Put(clear, bits);
      ++s.clears;
      reset();
    } else if (next < 4096) {
      last_added = next;
      table[key] = next++;
      if (next == 4096) ++s.table_fills;
    } else if (options.when_full == TableFull::kClear) {
      out.Put(clear, bits);
      ++s.clears;
      reset();
    }
    prefix = pixels[i];
  }
  emit(prefix);
  out.Put(clear + 1, bits);
  return out.Finish();
}

std::vector<uint8_t> PackCodes(const std::vector<RawCode>& codes) {
  BitWriter out;
  for (const RawCode& c : codes) out.Put(c.code, c.bits);
  return out.Finish();
}

std::vector<uint8_t> MakeGif(const GifFrame& frame) {
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
  PutWord(&gif, frame.screen_width);
  PutWord(&gif, frame.screen_height);
  std::vector<uint8_t> palette;
  uint8_t depth = PutPalette(&palette, frame.palette);
  gif.push_back(uint8_t(0x80 | depth << 4 | depth));
  gif.push_back(0);  // background
  gif.push_back(0);  // aspect
  gif.insert(gif.end(), palette.begin(), palette.end());
  if (frame.transparent_index >= 0)
    gif.insert(gif.end(), {0x21, 0xf9, 4, 1, 0, 0, uint8_t(frame.transparent_index), 0});
  gif.push_back(0x2c);
  PutWord(&gif, frame.left);
  PutWord(&gif, frame.top);
  PutWord(&gif, frame.width);
  PutWord(&gif, frame.height);
  uint8_t flags = frame.interlaced ? 0x40 : 0;
  palette.clear();
  if (!frame.local_palette.empty())
    flags |= uint8_t(0x80 | PutPalette(&palette, frame.local_palette));
  gif.push_back(flags);
  gif.insert(gif.end(), palette.begin(), palette.end());
  gif.push_back(frame.code_size_byte);
  for (size_t at = 0; at < frame.lzw.size(); at += 255) {
    size_t n = std::min<size_t>(255, frame.lzw.size() - at);
    gif.push_back(uint8_t(n));
    auto from = frame.lzw.begin() + std::ptrdiff_t(at);
    gif.insert(gif.end(), from, from + std::ptrdiff_t(n));
  }
  gif.push_back(0);
  gif.push_back(0x3b);
  return gif;
}

std::vector<uint32_t> InterlacedRows(uint32_t height) {
  std::vector<uint32_t> rows;
  for (auto [start, step] : {std::pair{0u, 8u}, {4u, 8u}, {2u, 4u}, {1u, 2u}})
    for (uint32_t y = start; y < height; y += step) rows.push_back(y);
  return rows;
}

}  // namespace quorvel::testing
