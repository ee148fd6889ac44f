#include "converter/base/buffer_pool.h"

#include <algorithm>
#include <new>
#include <utility>

namespace quorvel {

std::vector<uint8_t> BufferPool::Take() {
  std::vector<uint8_t> buffer;
  MutexLock lock(&mutex_);
  if (!idle_.empty()) {
    buffer = std::move(idle_.front());
    idle_.erase(idle_.begin());
  }
  return buffer;
}

void BufferPool::Give(std::vector<uint8_t> buffer) noexcept {
  if (buffer.capacity() == 0 || buffer.capacity() > kIdleBytes) return;
  buffer.clear();
  std::vector<std::vector<uint8_t>> dropped;  // freed after the lock
  MutexLock lock(&mutex_);
  try {
    // Reserved first, so that keeping the buffer cannot fail half-way.
    dropped.reserve(idle_.size() + 1);
    idle_.reserve(idle_.size() + 1);
  } catch (const std::bad_alloc&) {
    return;  // the buffer is freed, as if the pool were full
  }
  const auto at = std::find_if(idle_.begin(), idle_.end(), [&](const std::vector<uint8_t>& b) {
    return b.capacity() < buffer.capacity();
  });
  idle_.insert(at, std::move(buffer));
  size_t kept = 0;
  size_t keep = 0;
  while (keep < idle_.size() && keep < kIdleBuffers &&
         kept + idle_[keep].capacity() <= kIdleBytes) {
    kept += idle_[keep].capacity();
    ++keep;
  }
  for (size_t i = keep; i < idle_.size(); ++i) dropped.push_back(std::move(idle_[i]));
  idle_.resize(keep);
}

void BufferPool::Clear() {
  std::vector<std::vector<uint8_t>> dropped;
  MutexLock lock(&mutex_);
  dropped.swap(idle_);
}

size_t BufferPool::IdleBytes() {
  MutexLock lock(&mutex_);
  size_t bytes = 0;
  for (const std::vector<uint8_t>& b : idle_) bytes += b.capacity();
  return bytes;
}

}  // namespace quorvel
