#include "converter/band_queue.h"

#include <new>

namespace quorvel {

uint8_t* BandQueue::Room(uint32_t rows) {
  if (rows > max_rows_) return nullptr;
  std::unique_lock<std::mutex> lock(mutex_);
  room_.wait(lock, [this] { return filled_ - taken_ < kBands || failed_; });
  if (failed_) return nullptr;
  const size_t slot = filled_ % kBands;
  lock.unlock();
  std::vector<uint8_t>& band = bands_[slot];
  if (band.size() < rows * row_bytes_) band.resize(rows * row_bytes_);
  band_rows_[slot] = rows;
  return band.data();
}

void BandQueue::Filled() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++filled_;
  }
  arrived_.notify_one();
}

void BandQueue::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  arrived_.notify_one();
}

void BandQueue::Drain(const std::function<Status(const uint8_t*, uint32_t, size_t)>& process) noexcept {
  try {
    for (;;) {
      const uint8_t* band = nullptr;
      uint32_t rows = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_.wait(lock, [this] { return taken_ < filled_ || closed_; });
        if (taken_ == filled_) return;  // closed and empty
        band = bands_[taken_ % kBands].data();
        rows = band_rows_[taken_ % kBands];
      }
      Status status = process(band, rows, row_bytes_);
      if (!status.ok()) return GiveUp(std::move(status));
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ++taken_;
      }
      room_.notify_one();
    }
  } catch (const std::bad_alloc&) {
    GiveUp(Fail(Error::kOutOfMemory, "band"));
  } catch (...) {
    GiveUp(Fail(Error::kInternal, "band"));
  }
}

void BandQueue::GiveUp(Status status) noexcept {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    failure_ = std::move(status);
    failed_ = true;
  }
  room_.notify_one();
}

}  // namespace quorvel
