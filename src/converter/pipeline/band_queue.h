// Bands of decoded rows on their way from a decoding thread to the band
// worker (band_worker.h).
//
// A fixed ring of buffers: the decoder fills one while the worker works
// through those filled before, and waits only when it is a whole ring ahead.
// Either side may stop early: the decoder by closing the queue, the worker by
// failing, after which the decoder gets no more room.
// Thread-safety: one producing thread (Room, Filled, Close) and one
// consuming thread (Drain).
#ifndef KALVENIX_CONVERTER_PIPELINE_BAND_QUEUE_H_
#define KALVENIX_CONVERTER_PIPELINE_BAND_QUEUE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "converter/base/band_rows.h"
#include "converter/base/error.h"
#include "converter/base/mutex.h"
#include "converter/base/thread_annotations.h"

namespace quorvel {

class BandQueue {
 public:
  // Bands of up to kBandRows rows of `row_bytes` bytes each.
  explicit BandQueue(size_t row_bytes) : row_bytes_(row_bytes) {}
  BandQueue(const BandQueue&) = delete;
  BandQueue& operator=(const BandQueue&) = delete;

  // Producer: room for the next `rows` rows, waiting while the ring is full;
  // null once the consumer has failed. `rows` is at most kBandRows: a
  // producer asking for more is a bug, and gets null without waiting. May
  // throw std::bad_alloc.
  uint8_t* Room(uint32_t rows) EXCLUDES(mutex_);
  // Producer: the band Room returned holds its rows now.
  void Filled() EXCLUDES(mutex_);
  // Producer: no more bands, whether the decode succeeded or not.
  void Close() EXCLUDES(mutex_);

  // Consumer: hands each filled band to `process` (rows, count, stride) in
  // order until the queue is closed and empty or `process` fails. Never
  // throws: an exception counts as a failure.
  void Drain(const std::function<Status(const uint8_t*, uint32_t, size_t)>& process) noexcept
      EXCLUDES(mutex_);

  size_t row_bytes() const { return row_bytes_; }

  // The consumer's failure. Meant to be read once Drain has returned, but
  // locked all the same, so that the answer does not rest on the caller's
  // join order.
  bool failed() const EXCLUDES(mutex_);
  Status failure() const EXCLUDES(mutex_);

 private:
  void GiveUp(Status status) noexcept EXCLUDES(mutex_);

  // Bands in flight: the decoder can run ahead of the worker by this many
  // before it waits, which evens out bands that cost more on one side.
  static constexpr size_t kBands = 4;

  const size_t row_bytes_;
  mutable Mutex mutex_;
  CondVar arrived_;  // a band was filled, or the queue closed
  CondVar room_;     // a band was taken, or the consumer failed
  // A buffer belongs to the producer from Room to Filled and to the consumer
  // from then until it is taken, so the contents need no lock.
  std::array<std::vector<uint8_t>, kBands> bands_;
  std::array<uint32_t, kBands> band_rows_{};
  uint64_t filled_ GUARDED_BY(mutex_) = 0;  // written by the producer
  uint64_t taken_ GUARDED_BY(mutex_) = 0;   // written by the consumer
  bool closed_ GUARDED_BY(mutex_) = false;
  bool failed_ GUARDED_BY(mutex_) = false;
  Status failure_ GUARDED_BY(mutex_);
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_BAND_QUEUE_H_
