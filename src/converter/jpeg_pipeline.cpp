#include "converter/jpeg_pipeline.h"

#include <lcms2.h>

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>

#include "converter/band_worker.h"
#include "converter/exif_orientation.h"
#include "converter/jpeg_reader.h"
#include "converter/jpeg_writer.h"
#include "converter/orientation.h"
#include "converter/resample.h"
#include "converter/sniff.h"
#include "converter/srgb_transform_cache.h"

namespace quorvel {
namespace {

// Bands in flight: the decoder can run ahead of the worker by this many
// before it waits, which evens out bands that cost more on one side.
constexpr size_t kBands = 4;

// The most rows the reader asks for at once (its band height).
constexpr uint32_t kMaxBandRows = 32;

class BandPipeline : public JpegRowSink {
 public:
  BandPipeline(TargetBox box, OutputType type, EncodeOptions options)
      : box_(box), type_(type), options_(options) {}
  ~BandPipeline() override { FinishDecoding(); }
  BandPipeline(const BandPipeline&) = delete;
  BandPipeline& operator=(const BandPipeline&) = delete;

  bool declined() const { return declined_; }

  Status Start(const SourcePicture& header, bool all_scans_first) override {
    if (header.model != PixelModel::kRgb) return Decline();
    orientation_ = header.orientation;
    const bool swaps = OrientationSwapsSides(orientation_);
    Status status = FitSize({swaps ? header.stored_height : header.stored_width,
                             swaps ? header.stored_width : header.stored_height},
                            box_, &size_);
    if (!status.ok()) return status;
    // A picture stored turned is resampled as stored and turned afterwards,
    // when it is small: the same filter along the same axes.
    const PictureSize stored = swaps ? PictureSize{size_.height, size_.width} : size_;
    const Image& decoded = header.image;
    const bool resize = stored.width != decoded.width || stored.height != decoded.height;
    // Rows can go to the encoder as they come only when nothing turns them.
    const bool jpeg = type_ == OutputType::kJpeg && orientation_ == 1;
    // Without resampling only a JPEG encoder has work to share.
    if (!resize && !jpeg) return Decline();
    if (!resize && orientation_ != 1) return Decline();
    lease_ = BandWorker::TryAcquire();
    if (!lease_) return Decline();
    if (!header.icc_profile.empty()) {
      transform_ = SrgbTransformFor(header.icc_profile, header.model);
      if (transform_ && transform_->handle == nullptr) transform_.reset();
    }
    width_ = decoded.width;
    stride_ = decoded.stride();
    if (transform_) colour_rows_.resize(stride_ * kMaxBandRows);
    if (resize) {
      out_.width = stored.width;
      out_.height = stored.height;
      out_.channels = decoded.channels;
      out_.pixels.resize(out_.stride() * out_.height);
      // When every scan is read before the first row, the rows then come
      // faster than one thread resamples them and this thread would only
      // wait: it takes the lower output rows itself.
      seam_ = all_scans_first && out_.height >= 2 ? out_.height / 2 : out_.height;
      resampler_ = std::make_unique<Resampler>(decoded.width, decoded.height, &out_, 0, seam_);
      if (seam_ < out_.height) {
        lower_ = std::make_unique<Resampler>(decoded.width, decoded.height, &out_, seam_,
                                             out_.height);
        if (transform_) lower_colour_rows_.resize(stride_ * kMaxBandRows);
      }
    }
    if (jpeg) {
      encoder_ = std::make_unique<JpegRowEncoder>();
      status = encoder_->Start(size_.width, size_.height, decoded.channels, options_.quality);
      if (!status.ok()) return status;
    }
    lease_->Run([this] { Consume(); });
    return Status::Ok();
  }

  uint8_t* Band(uint32_t rows) override {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return filled_ - taken_ < kBands || consumer_failed_; });
    if (consumer_failed_) return nullptr;
    lock.unlock();
    // Only this thread touches a band between its hand-back and Filled.
    if (rows > kMaxBandRows) return nullptr;
    std::vector<uint8_t>& band = bands_[filled_ % kBands];
    if (band.size() < rows * stride_) band.resize(rows * stride_);
    band_rows_[filled_ % kBands] = rows;
    current_band_ = band.data();
    return band.data();
  }

  void Filled() override {
    const uint32_t rows = band_rows_[filled_ % kBands];
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++filled_;
    }
    arrived_.notify_one();
    // The worker only reads the band, and this thread overwrites it only
    // after asking for a later one.
    if (lower_) ResampleLowerRows(current_band_, rows);
    rows_decoded_ += rows;
  }

  // After the decode, whether it succeeded or not: waits for the worker.
  void FinishDecoding() {
    if (!lease_) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      decoding_done_ = true;
    }
    arrived_.notify_one();
    lease_.reset();
  }

  // Once FinishDecoding has returned after a complete decode: the encoded
  // file and its size.
  Status TakeResult(std::vector<uint8_t>* encoded, PictureSize* size) {
    if (consumer_failed_) return consumer_status_;
    if ((resampler_ && !resampler_->done()) || (lower_ && !lower_->done()))
      return Fail(Error::kInternal, "resampler did not finish");
    if (encoder_ && encoded_rows_ < out_.height) {
      Status status = encoder_->Write(out_.row(encoded_rows_), out_.height - encoded_rows_,
                                      out_.stride());
      if (!status.ok()) return status;
    }
    Status status = ApplyOrientation(orientation_, &out_);
    if (!status.ok()) return status;
    status = encoder_ ? encoder_->Finish(encoded) : EncodePicture(out_, type_, options_, encoded);
    if (!status.ok()) return status;
    *size = size_;
    return Status::Ok();
  }

 private:
  Status Decline() {
    declined_ = true;
    return Fail(Error::kUnsupported, "not for the band pipeline");
  }

  // The worker's task.
  void Consume() noexcept {
    try {
      for (;;) {
        const uint8_t* band = nullptr;
        uint32_t rows = 0;
        {
          std::unique_lock<std::mutex> lock(mutex_);
          arrived_.wait(lock, [this] { return taken_ < filled_ || decoding_done_; });
          if (taken_ == filled_) return;  // the decoder finished or gave up
          band = bands_[taken_ % kBands].data();
          rows = band_rows_[taken_ % kBands];
        }
        Status status = Process(band, rows);
        if (!status.ok()) return GiveUp(std::move(status));
        {
          std::lock_guard<std::mutex> lock(mutex_);
          ++taken_;
        }
        room_.notify_one();
      }
    } catch (const std::bad_alloc&) {
      GiveUp(Fail(Error::kOutOfMemory, "resample"));
    } catch (...) {
      GiveUp(Fail(Error::kInternal, "resample"));
    }
  }

  Status Process(const uint8_t* band, uint32_t rows) {
    if (transform_) {
      for (uint32_t i = 0; i < rows; ++i) {
        cmsDoTransform(transform_->handle, band + size_t{i} * stride_,
                       colour_rows_.data() + size_t{i} * stride_, width_);
      }
      band = colour_rows_.data();
    }
    if (!resampler_) return encoder_->Write(band, rows, stride_);
    for (uint32_t i = 0; i < rows && !resampler_->done(); ++i)
      resampler_->PushRow(band + size_t{i} * stride_);
    if (!encoder_) return Status::Ok();
    // The rows the resampler finished with this band go on at once, so the
    // encoder's work is done by the time the decoder is.
    const uint32_t ready = resampler_->rows_done();
    Status status = encoder_->Write(out_.row(encoded_rows_), ready - encoded_rows_, out_.stride());
    encoded_rows_ = ready;
    return status;
  }

  // On the decoding thread: the band's rows that the lower output rows need.
  void ResampleLowerRows(const uint8_t* band, uint32_t rows) {
    for (uint32_t i = 0; i < rows && !lower_->done(); ++i) {
      if (rows_decoded_ + i < lower_->first_source_row()) continue;
      const uint8_t* row = band + size_t{i} * stride_;
      if (transform_) {
        cmsDoTransform(transform_->handle, row, lower_colour_rows_.data(), width_);
        row = lower_colour_rows_.data();
      }
      lower_->PushRow(row);
    }
  }

  void GiveUp(Status status) noexcept {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      consumer_status_ = std::move(status);
      consumer_failed_ = true;
    }
    room_.notify_one();
  }

  TargetBox box_;
  OutputType type_;
  EncodeOptions options_;
  bool declined_ = false;
  int orientation_ = 1;
  PictureSize size_;  // upright, as written
  std::shared_ptr<const SrgbTransform> transform_;
  uint32_t width_ = 0;
  size_t stride_ = 0;
  std::vector<uint8_t> colour_rows_;
  Image out_;                             // when resizing
  std::unique_ptr<Resampler> resampler_;  // when resizing: rows above seam_
  uint32_t seam_ = 0;
  // The decoding thread's own: rows from seam_ down, when it has time.
  std::unique_ptr<Resampler> lower_;
  std::vector<uint8_t> lower_colour_rows_;
  uint8_t* current_band_ = nullptr;
  uint32_t rows_decoded_ = 0;
  std::unique_ptr<JpegRowEncoder> encoder_;  // for JPEG output
  uint32_t encoded_rows_ = 0;

  std::mutex mutex_;
  std::condition_variable arrived_;  // a band was filled, or decoding ended
  std::condition_variable room_;     // a band was taken, or the worker failed
  std::array<std::vector<uint8_t>, kBands> bands_;
  std::array<uint32_t, kBands> band_rows_{};
  uint64_t filled_ = 0;  // guarded by mutex_, written by the decoder
  uint64_t taken_ = 0;   // guarded by mutex_, written by the worker
  bool decoding_done_ = false;
  bool consumer_failed_ = false;
  Status consumer_status_;

  // Last, so that it is released (waiting for the worker) before the
  // members the worker uses are destroyed.
  std::unique_ptr<BandWorker::Lease> lease_;
};

}  // namespace

Status ConvertJpegInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                          EncodeOptions options, std::vector<uint8_t>* encoded,
                          PictureSize* produced, bool* handled) {
  *handled = false;
  if (SniffFormat(file) != PictureFormat::kJpeg) return Status::Ok();
  BandPipeline pipeline(box, type, options);
  Status status = StreamJpeg(file, box, &pipeline);
  pipeline.FinishDecoding();
  if (pipeline.declined()) return Status::Ok();
  *handled = true;
  if (!status.ok()) return status;
  return pipeline.TakeResult(encoded, produced);
}

}  // namespace quorvel
