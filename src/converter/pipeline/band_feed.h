// Bands of decoded rows on their way from the decoder to the band stages.
//
// With a TaskRunner the bands go through a BandQueue to the runner's thread,
// which hands them to `process` while the decoder fills the next. Without one
// (no second thread was worth having, or another conversion holds it)
// `process` runs on the decoding thread as each band is filled. Either way
// `process` sees the same rows in the same bands in the same order, so a
// path gives the same bytes with or without the second thread.
// The first failure of `process` poisons the feed: Room returns null from
// then on and failure() keeps that status.
// Thread-safety: Room, Filled and Stop on the decoding thread; `process` on
// the runner's thread, or on the decoding thread without a runner.
#ifndef KALVENIX_CONVERTER_PIPELINE_BAND_FEED_H_
#define KALVENIX_CONVERTER_PIPELINE_BAND_FEED_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/task_runner.h"
#include "converter/pipeline/band_queue.h"

namespace quorvel {

class BandFeed {
 public:
  using Process = std::function<Status(const uint8_t* rows, uint32_t count, size_t row_bytes)>;

  // Bands of up to kBandRows rows of `row_bytes` each. `runner` may be null
  // and must outlive the feed; so must whatever `process` uses.
  BandFeed(size_t row_bytes, TaskRunner* runner, Process process);
  ~BandFeed() { Stop(); }
  BandFeed(const BandFeed&) = delete;
  BandFeed& operator=(const BandFeed&) = delete;

  // Room for the next `rows` rows, or null once `process` has failed.
  uint8_t* Room(uint32_t rows);
  // The band Room returned holds its rows now.
  void Filled();
  // No more bands, whether the decode succeeded or not; returns once
  // `process` has seen the last one. The feed cannot be restarted.
  void Stop();

  size_t row_bytes() const { return row_bytes_; }
  // Once Stop has returned.
  bool failed() const;
  Status failure() const;

 private:
  const size_t row_bytes_;
  TaskRunner* runner_;
  Process process_;
  std::optional<BandQueue> queue_;  // with a runner
  bool running_ = false;
  // Without a runner: the one band, and the first failure.
  std::vector<uint8_t> band_;
  uint32_t band_rows_ = 0;
  std::optional<Status> failure_;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_BAND_FEED_H_
