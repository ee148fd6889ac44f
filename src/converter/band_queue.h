// Bands of decoded rows on their way from a decoding thread to the band
// worker (band_worker.h).
//
// A fixed ring of buffers: the decoder fills one while the worker works
// through those filled before, and waits only when it is a whole ring ahead.
// Either side may stop early: the decoder by closing the queue, the worker by
// failing, after which the decoder gets no more room.
// Thread-safety: one producing thread (Room, Filled, Close) and one
// consuming thread (Drain).
#ifndef KALVENIX_CONVERTER_BAND_QUEUE_H_
#define KALVENIX_CONVERTER_BAND_QUEUE_H_

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "converter/error.h"

namespace quorvel {

class BandQueue {
 public:
  // Bands of up to `max_rows` rows of `row_bytes` bytes each.
  BandQueue(size_t row_bytes, uint32_t max_rows) : row_bytes_(row_bytes), max_rows_(max_rows) {}
  BandQueue(const BandQueue&) = delete;
  BandQueue& operator=(const BandQueue&) = delete;

  // Producer: room for the next `rows` rows, waiting while the ring is full;
  // null once the consumer has failed or for more than max_rows. May throw
  // std::bad_alloc.
  uint8_t* Room(uint32_t rows);
  // Producer: the band Room returned holds its rows now.
  void Filled();
  // Producer: no more bands, whether the decode succeeded or not.
  void Close();

  // Consumer: hands each filled band to `process` (rows, count, stride) in
  // order until the queue is closed and empty or `process` fails. Never
  // throws: an exception counts as a failure.
  void Drain(const std::function<Status(const uint8_t*, uint32_t, size_t)>& process) noexcept;

  size_t row_bytes() const { return row_bytes_; }

  // The consumer's failure; read once Drain has returned.
  bool failed() const { return failed_; }
  const Status& failure() const { return failure_; }

 private:
  void GiveUp(Status status) noexcept;

  // Bands in flight: the decoder can run ahead of the worker by this many
  // before it waits, which evens out bands that cost more on one side.
  static constexpr size_t kBands = 4;

  const size_t row_bytes_;
  const uint32_t max_rows_;
  std::mutex mutex_;
  std::condition_variable arrived_;  // a band was filled, or the queue closed
  std::condition_variable room_;     // a band was taken, or the consumer failed
  // A buffer belongs to the producer from Room to Filled and to the consumer
  // from then until it is taken, so the contents need no lock.
  std::array<std::vector<uint8_t>, kBands> bands_;
  std::array<uint32_t, kBands> band_rows_{};
  uint64_t filled_ = 0;  // guarded by mutex_, written by the producer
  uint64_t taken_ = 0;   // guarded by mutex_, written by the consumer
  bool closed_ = false;  // guarded by mutex_
  bool failed_ = false;  // guarded by mutex_
  Status failure_;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BAND_QUEUE_H_
