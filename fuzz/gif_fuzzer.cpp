// The GIF reader on arbitrary bytes with the product's limits, followed by
// the colour and orientation steps on what it reads; then our own LZW
// decoder on the same bytes directly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "converter/read/gif_lzw.h"
#include "converter/read/gif_reader.h"
#include "fuzz/fuzz_support.h"

namespace {

// Through the reader the decoder sees only sizes 9 to 11, behind a header
// giflib accepted and after the mutator has hit the size byte; here every
// input reaches it, at every size it takes: the screen's width and height
// stand for the frame's, its flags byte picks the code size, and the bytes
// after the screen descriptor are the sub-blocks. A million pixels keep one
// input well inside the time-out; big frames are the reader's part.
void FuzzOwnLzw(std::span<const uint8_t> file) {
  if (file.size() < 13) return;
  uint32_t width = uint32_t(file[6] | file[7] << 8);
  uint32_t height = uint32_t(file[8] | file[9] << 8);
  if (width == 0 || height == 0) return;
  using quorvel::GifLzwDecoder;
  int code_size = GifLzwDecoder::kMinCodeSize + file[10] % GifLzwDecoder::kMaxCodeSize;
  uint32_t rows = std::min(height, std::max(1u, (1u << 20) / width));
  auto decoder = std::make_unique<GifLzwDecoder>(file.subspan(13), code_size,
                                                 uint64_t{width} * rows);
  std::vector<uint16_t> row(width);
  for (uint32_t y = 0; y < rows; ++y) {
    if (!decoder->Read(row).ok()) return;
    for (uint16_t index : row) fuzz::Require(index < (1u << code_size));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int result = fuzz::FuzzReader(data, size, quorvel::PictureFormat::kGif, quorvel::ReadGif);
  if (result == 0) FuzzOwnLzw({data, size});
  return result;
}
