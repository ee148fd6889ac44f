#include "converter/pipeline/jpeg_pipeline.h"

#include <optional>

#include "converter/pipeline/band_feed.h"
#include "converter/pipeline/band_stages.h"
#include "converter/read/jpeg_reader.h"

namespace quorvel {
namespace {

// StreamJpeg's sink: bands go through the feed to the stages.
class JpegBands : public JpegRowSink {
 public:
  JpegBands(OutputType type, EncodeOptions options, const Plan& plan, TaskRunner* runner,
            SrgbTransformCache* transforms)
      : type_(type), options_(options), plan_(plan), runner_(runner), transforms_(transforms) {}
  JpegBands(const JpegBands&) = delete;
  JpegBands& operator=(const JpegBands&) = delete;

  BandStages& stages() { return stages_; }
  // Once Stop has returned.
  bool stages_failed() const { return feed_ && feed_->failed(); }
  Status stages_failure() const { return feed_->failure(); }

  Status Start(const SourcePicture& header, bool) override {
    // Only a second thread can take the other half of the rows.
    split_ = plan_.split_rows && runner_ != nullptr;
    Status status = stages_.Start(header, plan_.size, type_, options_, split_, transforms_);
    if (!status.ok()) return status;
    feed_.emplace(header.image.stride(), runner_,
                  [this](const uint8_t* rows, uint32_t count, size_t stride) {
                    return stages_.Push(rows, count, stride);
                  });
    return Status::Ok();
  }

  uint8_t* Band(uint32_t rows) override {
    band_ = feed_->Room(rows);
    band_rows_ = rows;
    return band_;
  }

  void Filled() override {
    feed_->Filled();
    // The stages only read the band, and this thread writes it again only
    // after asking for a later one.
    if (split_) stages_.PushLower(band_, band_rows_, feed_->row_bytes());
  }

  // After the decode, whether it succeeded or not.
  void Stop() {
    if (feed_) feed_->Stop();
  }

 private:
  OutputType type_;
  EncodeOptions options_;
  const Plan& plan_;
  TaskRunner* runner_;
  SrgbTransformCache* transforms_;
  bool split_ = false;
  uint8_t* band_ = nullptr;
  uint32_t band_rows_ = 0;
  BandStages stages_;
  // After the stages, so that it stops (waiting for the runner) before the
  // stages it feeds are destroyed.
  std::optional<BandFeed> feed_;
};

}  // namespace

Status ConvertJpegInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                          EncodeOptions options, const Plan& plan, TaskRunner* runner,
                          std::vector<uint8_t>* encoded, SrgbTransformCache* transforms) {
  JpegBands bands(type, options, plan, runner, transforms);
  Status status = StreamJpeg(file, box, plan.dct_denominator, &bands);
  bands.Stop();
  // Failed stages stopped the decoder; their reason is the one to give.
  if (bands.stages_failed()) return bands.stages_failure();
  if (!status.ok()) return status;
  return bands.stages().Finish(encoded);
}

}  // namespace quorvel
