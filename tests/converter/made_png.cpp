#include "made_png.h"

#include <zlib.h>

#include <algorithm>

#include "converter/write/png_row_filter.h"

namespace quorvel::testing {
namespace {

void PutBigEndian32(uint32_t value, std::vector<uint8_t>* out) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(uint8_t(value >> shift));
}

void AppendChunk(const Chunk& chunk, std::vector<uint8_t>* png) {
  PutBigEndian32(uint32_t(chunk.data.size()), png);
  const size_t type_at = png->size();
  png->insert(png->end(), chunk.type.begin(), chunk.type.end());
  png->insert(png->end(), chunk.data.begin(), chunk.data.end());
  PutBigEndian32(uint32_t(crc32(0, &(*png)[type_at], uInt(png->size() - type_at))), png);
}

}  // namespace

FilteredPicture MakeFilteredPicture(uint32_t width, uint32_t height, uint32_t channels) {
  const size_t stride = size_t{width} * channels;
  FilteredPicture picture;
  picture.pixels.resize(stride * height);
  uint32_t noise = 12345;
  for (uint32_t y = 0; y < height; ++y) {
    for (size_t i = 0; i < stride; ++i) {
      noise = noise * 1103515245u + 12345u;
      const uint32_t smooth = (y * 3 + uint32_t(i / channels) * 2 + uint32_t(i % channels) * 60);
      picture.pixels[y * stride + i] = uint8_t(smooth + (noise >> 28));
    }
  }
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = &picture.pixels[y * stride];
    const auto filter = static_cast<PngFilter>(y % 5);
    picture.filtered.push_back(uint8_t(filter));
    const size_t at = picture.filtered.size();
    picture.filtered.resize(at + stride);
    FilterRow(filter, row, y == 0 ? nullptr : row - stride, stride, channels,
              &picture.filtered[at]);
  }
  return picture;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> stream(size);
  if (compress2(stream.data(), &size, data.data(), uLong(data.size()), 6) != Z_OK) return {};
  stream.resize(size);
  return stream;
}

std::vector<Chunk> IdatChunks(const std::vector<uint8_t>& stream, size_t part) {
  std::vector<Chunk> chunks;
  for (size_t at = 0; at < stream.size(); at += part) {
    const auto from = stream.begin() + ptrdiff_t(at);
    chunks.push_back({"IDAT", {from, from + ptrdiff_t(std::min(part, stream.size() - at))}});
  }
  return chunks;
}

std::vector<uint8_t> MakePng(uint32_t width, uint32_t height, uint32_t channels,
                             const std::vector<Chunk>& chunks) {
  std::vector<uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10};
  Chunk header{"IHDR", {}};
  PutBigEndian32(width, &header.data);
  PutBigEndian32(height, &header.data);
  // Depth 8; colour type RGB or RGBA; deflate, adaptive filters, no interlace.
  header.data.insert(header.data.end(), {8, uint8_t(channels == 4 ? 6 : 2), 0, 0, 0});
  AppendChunk(header, &png);
  for (const Chunk& chunk : chunks) AppendChunk(chunk, &png);
  AppendChunk({"IEND", {}}, &png);
  return png;
}

}  // namespace quorvel::testing
