// The one place where sizes taken from a file are multiplied.
//
// Every helper returns std::nullopt instead of a wrapped or oversized result;
// callers report Error::kTooLarge. Thread-safety: pure functions.
#ifndef KALVENIX_CONVERTER_BASE_CHECKED_SIZE_H_
#define KALVENIX_CONVERTER_BASE_CHECKED_SIZE_H_

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorvel {

// a * b, or nullopt when it does not fit a size_t.
std::optional<size_t> CheckedMul(size_t a, size_t b);

// a * b * c, likewise.
std::optional<size_t> CheckedMul(size_t a, size_t b, size_t c);

// a + b, likewise.
std::optional<size_t> CheckedAdd(size_t a, size_t b);

// Bytes of an 8-bit interleaved picture, or nullopt when the picture exceeds
// kMaxPixels, kMaxDecodedBytes or the machine's memory share.
std::optional<size_t> PixelBufferBytes(uint32_t width, uint32_t height, uint32_t channels);

// Whether `bytes` may be allocated for one picture (and one working copy).
bool FitsInMemory(size_t bytes);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_CHECKED_SIZE_H_
