#include "converter/base/checked_size.h"

#include "converter/base/limits.h"
#include "converter/base/physical_memory.h"

namespace quorvel {

std::optional<size_t> CheckedMul(size_t a, size_t b) {
  size_t r = 0;
  if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}

std::optional<size_t> CheckedMul(size_t a, size_t b, size_t c) {
  std::optional<size_t> ab = CheckedMul(a, b);
  if (!ab) return std::nullopt;
  return CheckedMul(*ab, c);
}

std::optional<size_t> CheckedAdd(size_t a, size_t b) {
  size_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}

std::optional<size_t> PixelBufferBytes(uint32_t width, uint32_t height, uint32_t channels) {
  std::optional<size_t> pixels = CheckedMul(width, height);
  if (!pixels || *pixels > kMaxPixels) return std::nullopt;
  std::optional<size_t> bytes = CheckedMul(*pixels, channels);
  if (!bytes || *bytes > kMaxDecodedBytes || !FitsInMemory(*bytes)) return std::nullopt;
  return bytes;
}

bool FitsInMemory(size_t bytes) {
  // The picture plus the one copy a later step makes of it.
  std::optional<size_t> needed = CheckedMul(bytes, 2);
  if (!needed) return false;
  const uint64_t physical = PhysicalMemoryBytes();
  if (physical == 0) return true;  // unknown: the fixed limits alone decide
  return *needed <= physical / kMemoryShareDivisor;
}

}  // namespace quorvel
