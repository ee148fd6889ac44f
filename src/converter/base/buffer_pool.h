// Large byte buffers kept between conversions for the next one to reuse.
//
// A batch converts photo after photo of similar sizes. The source file's
// bytes and the decoded pixels are the largest buffers of a conversion, and
// taking fresh memory from the system for them each time costs more than a
// small conversion's decoding (every page is faulted in and zeroed again).
// The pool keeps the storage of a few of them instead, within a limit, and
// its owner empties it when no conversion may come (the converter context,
// when the component's last object goes).
// Thread-safety: thread-safe; a taken buffer belongs to its taker alone.
#ifndef KALVENIX_CONVERTER_BASE_BUFFER_POOL_H_
#define KALVENIX_CONVERTER_BASE_BUFFER_POOL_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "converter/base/mutex.h"
#include "converter/base/thread_annotations.h"

namespace quorvel {

class BufferPool {
 public:
  // A source's bytes and its pixels: what one conversion holds at once.
  static constexpr size_t kIdleBuffers = 2;
  // What a desktop program may hold idle between two pictures of a batch.
  static constexpr size_t kIdleBytes = size_t{128} << 20;

  BufferPool() = default;
  BufferPool(const BufferPool&) = delete;
  BufferPool& operator=(const BufferPool&) = delete;

  // An empty buffer with the storage of the largest idle one, or a new
  // empty one when none is idle.
  std::vector<uint8_t> Take() EXCLUDES(mutex_);
  // Keeps `buffer`'s storage for a later Take when it fits the limits
  // (the largest buffers are kept); frees it otherwise. Never throws.
  void Give(std::vector<uint8_t> buffer) noexcept EXCLUDES(mutex_);
  // Frees every idle buffer.
  void Clear() EXCLUDES(mutex_);
  size_t IdleBytes() EXCLUDES(mutex_);

 private:
  Mutex mutex_;
  std::vector<std::vector<uint8_t>> idle_ GUARDED_BY(mutex_);  // largest first
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_BUFFER_POOL_H_
