#include "converter/jpeg_pipeline.h"

#include <memory>
#include <optional>

#include "converter/band_queue.h"
#include "converter/band_stages.h"
#include "converter/band_worker.h"
#include "converter/jpeg_reader.h"
#include "converter/orientation.h"
#include "converter/sniff.h"

namespace quorvel {
namespace {

// StreamJpeg's sink: bands go through the queue to the worker's stages.
class JpegBands : public JpegRowSink {
 public:
  JpegBands(TargetBox box, OutputType type, EncodeOptions options, ConverterContext* context)
      : box_(box), type_(type), options_(options), context_(context) {}
  ~JpegBands() override { Stop(); }
  JpegBands(const JpegBands&) = delete;
  JpegBands& operator=(const JpegBands&) = delete;

  bool declined() const { return declined_; }
  const PictureSize& size() const { return size_; }
  BandStages& stages() { return stages_; }
  // Once Stop has returned.
  bool worker_failed() const { return queue_ && queue_->failed(); }
  Status worker_failure() const { return queue_->failure(); }

  Status Start(const SourcePicture& header, bool all_scans_first) override {
    if (header.model != PixelModel::kRgb) return Decline();
    Status status = FitSize(
        UprightSize({header.stored_width, header.stored_height}, header.orientation), box_,
        &size_);
    if (!status.ok()) return status;
    const PictureSize stored = UprightSize(size_, header.orientation);
    const bool resize = stored.width != header.image.width || stored.height != header.image.height;
    // Without resampling only a JPEG encoder fed upright rows has work to share.
    if (!resize && !(type_ == OutputType::kJpeg && header.orientation == 1)) return Decline();
    std::unique_ptr<BandWorker::Lease> lease = context_->worker().TryAcquire();
    if (!lease) return Decline();
    // When every scan is read before the first row, the rows then come faster
    // than one thread resamples them and this thread would only wait: it
    // takes the lower output rows itself.
    split_ = all_scans_first;
    status = stages_.Start(header, size_, type_, options_, split_, &context_->colour_transforms());
    if (!status.ok()) return status;
    queue_.emplace(header.image.stride());
    lease_ = std::move(lease);
    lease_->Run([this] {
      queue_->Drain([this](const uint8_t* rows, uint32_t count, size_t stride) {
        return stages_.Push(rows, count, stride);
      });
    });
    return Status::Ok();
  }

  uint8_t* Band(uint32_t rows) override {
    band_ = queue_->Room(rows);
    band_rows_ = rows;
    return band_;
  }

  void Filled() override {
    queue_->Filled();
    // The worker only reads the band, and this thread writes it again only
    // after asking for a later one.
    if (split_) stages_.PushLower(band_, band_rows_, queue_->row_bytes());
  }

  // After the decode, whether it succeeded or not: waits for the worker.
  void Stop() {
    if (!lease_) return;
    queue_->Close();
    lease_.reset();
  }

 private:
  Status Decline() {
    declined_ = true;
    return Fail(Error::kUnsupported, "not for the band pipeline");
  }

  TargetBox box_;
  OutputType type_;
  EncodeOptions options_;
  ConverterContext* context_;
  bool declined_ = false;
  bool split_ = false;
  PictureSize size_;  // upright, as written
  uint8_t* band_ = nullptr;
  uint32_t band_rows_ = 0;
  BandStages stages_;
  std::optional<BandQueue> queue_;
  // Last, so that it is released (waiting for the worker) before the
  // members the worker uses are destroyed.
  std::unique_ptr<BandWorker::Lease> lease_;
};

}  // namespace

Status ConvertJpegInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                          EncodeOptions options, std::vector<uint8_t>* encoded,
                          PictureSize* produced, bool* handled,
                          ConverterContext* context) {
  std::optional<ConverterContext> own;
  if (context == nullptr) context = &own.emplace();
  *handled = false;
  if (SniffFormat(file) != PictureFormat::kJpeg) return Status::Ok();
  JpegBands bands(box, type, options, context);
  Status status = StreamJpeg(file, box, &bands);
  bands.Stop();
  if (bands.declined()) return Status::Ok();
  *handled = true;
  // A worker that failed stopped the decoder; its reason is the one to give.
  if (bands.worker_failed()) return bands.worker_failure();
  if (!status.ok()) return status;
  status = bands.stages().Finish(encoded);
  if (!status.ok()) return status;
  *produced = bands.size();
  return Status::Ok();
}

}  // namespace quorvel
