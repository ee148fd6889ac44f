#include "converter/pipeline/band_queue.h"

#include <new>

namespace quorvel {

uint8_t* BandQueue::Room(uint32_t rows) {
  if (rows > kBandRows) return nullptr;
  size_t slot = 0;
  {
    MutexLock lock(&mutex_);
    while (filled_ - taken_ >= kBands && !failed_) room_.Wait(&mutex_);
    if (failed_) return nullptr;
    slot = filled_ % kBands;
  }
  std::vector<uint8_t>& band = bands_[slot];
  if (band.size() < rows * row_bytes_) band.resize(rows * row_bytes_);
  band_rows_[slot] = rows;
  return band.data();
}

void BandQueue::Filled() {
  {
    MutexLock lock(&mutex_);
    ++filled_;
  }
  arrived_.Signal();
}

void BandQueue::Close() {
  {
    MutexLock lock(&mutex_);
    closed_ = true;
  }
  arrived_.Signal();
}

void BandQueue::Drain(const std::function<Status(const uint8_t*, uint32_t, size_t)>& process) noexcept {
  try {
    for (;;) {
      const uint8_t* band = nullptr;
      uint32_t rows = 0;
      {
        MutexLock lock(&mutex_);
        while (taken_ >= filled_ && !closed_) arrived_.Wait(&mutex_);
        if (taken_ == filled_) return;  // closed and empty
        band = bands_[taken_ % kBands].data();
        rows = band_rows_[taken_ % kBands];
      }
      Status status = process(band, rows, row_bytes_);
      if (!status.ok()) return GiveUp(std::move(status));
      {
        MutexLock lock(&mutex_);
        ++taken_;
      }
      room_.Signal();
    }
  } catch (const std::bad_alloc&) {
    GiveUp(Fail(Error::kOutOfMemory, "Bandverarbeitung"));
  } catch (...) {
    GiveUp(Fail(Error::kInternal, "Bandverarbeitung"));
  }
}

bool BandQueue::failed() const {
  MutexLock lock(&mutex_);
  return failed_;
}

Status BandQueue::failure() const {
  MutexLock lock(&mutex_);
  return failure_;
}

void BandQueue::GiveUp(Status status) noexcept {
  {
    MutexLock lock(&mutex_);
    failure_ = std::move(status);
    failed_ = true;
  }
  room_.Signal();
}

}  // namespace quorvel
