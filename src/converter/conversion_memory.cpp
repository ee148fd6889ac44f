#include "converter/conversion_memory.h"

#include <malloc.h>

#include <mutex>

namespace quorvel {
namespace {

// glibc's ceiling for the mmap threshold on 64-bit; it covers the coefficient
// buffer of a 16-megapixel progressive JPEG's luma.
constexpr int kMmapThreshold = 32 * 1024 * 1024;

// Free memory kept at the top of the heap between conversions: a few large
// buffers' worth, and no more than a desktop program may hold idle.
constexpr int kTrimThreshold = 128 * 1024 * 1024;

}  // namespace

void KeepConversionMemory() {
  static std::once_flag once;
  std::call_once(once, [] {
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
  });
}

}  // namespace quorvel
