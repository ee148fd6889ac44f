#include "converter/pipeline/band_feed.h"

#include <utility>

#include "converter/base/band_rows.h"

namespace quorvel {

BandFeed::BandFeed(size_t row_bytes, TaskRunner* runner, Process process)
    : row_bytes_(row_bytes), runner_(runner), process_(std::move(process)) {
  if (runner_ == nullptr) return;
  queue_.emplace(row_bytes_);
  running_ = true;
  runner_->Run([this] { queue_->Drain(process_); });
}

uint8_t* BandFeed::Room(uint32_t rows) {
  if (queue_) return queue_->Room(rows);
  // As the queue: a producer asking for more than a band is a bug.
  if (failure_ || rows > kBandRows) return nullptr;
  if (band_.size() < size_t{rows} * row_bytes_) band_.resize(size_t{rows} * row_bytes_);
  band_rows_ = rows;
  return band_.data();
}

void BandFeed::Filled() {
  if (queue_) return queue_->Filled();
  Status status = process_(band_.data(), band_rows_, row_bytes_);
  if (!status.ok()) failure_ = std::move(status);
}

void BandFeed::Stop() {
  if (!running_) return;
  running_ = false;
  queue_->Close();
  runner_->Wait();
}

bool BandFeed::failed() const { return queue_ ? queue_->failed() : failure_.has_value(); }

Status BandFeed::failure() const {
  if (queue_) return queue_->failure();
  return failure_ ? *failure_ : Status::Ok();
}

}  // namespace quorvel
