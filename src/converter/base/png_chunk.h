// The layout of PNG chunks, for the walks over a whole file that the
// converter makes itself beside libspng: a 4-byte big-endian length, the
// 4-letter type, the data, then a CRC over type and data.
//
// Thread-safety: constants and pure functions.
#ifndef KALVENIX_CONVERTER_BASE_PNG_CHUNK_H_
#define KALVENIX_CONVERTER_BASE_PNG_CHUNK_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvel {

inline constexpr size_t kPngSignatureBytes = 8;
inline constexpr size_t kChunkOverhead = 12;  // length, type, CRC
inline constexpr size_t kChunkDataOffset = 8;  // after length and type
// Longer lengths are invalid; checking this keeps length + overhead from wrapping.
inline constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;

inline uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// Whether the chunk starting at `chunk` has the 4-letter `type`.
inline bool IsChunkType(const uint8_t* chunk, const char* type) {
  return std::memcmp(chunk + 4, type, 4) == 0;
}

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_PNG_CHUNK_H_
