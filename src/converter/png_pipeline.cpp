#include "converter/png_pipeline.h"

#include <algorithm>
#include <memory>

#include "converter/band_queue.h"
#include "converter/band_stages.h"
#include "converter/band_worker.h"
#include "converter/exif_orientation.h"
#include "converter/orientation.h"
#include "converter/png_reader.h"
#include "converter/sniff.h"

namespace quorvel {
namespace {

// Bands of about this many bytes stay in the cache between the decoder
// writing them and the worker reading them.
constexpr size_t kBandBytes = 128 * 1024;
constexpr uint32_t kMaxBandRows = 32;

uint32_t BandRows(size_t stride) {
  return uint32_t(std::clamp<size_t>(kBandBytes / stride, 1, kMaxBandRows));
}

// The worker's side of one conversion: the queue it drains into the stages.
class Bands {
 public:
  Bands(std::span<const uint8_t> file, size_t stride) : file_(file), queue_(stride, BandRows(stride)) {}
  ~Bands() { Stop(); }
  Bands(const Bands&) = delete;
  Bands& operator=(const Bands&) = delete;

  BandStages& stages() { return stages_; }
  BandQueue& queue() { return queue_; }
  // Once Stop has returned.
  bool checksums_match() const { return checksums_match_; }

  void Run(std::unique_ptr<BandWorker::Lease> lease) {
    lease_ = std::move(lease);
    lease_->Run([this] {
      // The worker has time to spare while the decoder inflates.
      checksums_match_ = IdatChecksumsMatch(file_);
      queue_.Drain([this](const uint8_t* rows, uint32_t count, size_t stride) {
        return stages_.Push(rows, count, stride);
      });
    });
  }

  // After the decode, whether it succeeded or not: waits for the worker.
  void Stop() {
    if (!lease_) return;
    queue_.Close();
    lease_.reset();
  }

 private:
  std::span<const uint8_t> file_;
  BandStages stages_;
  BandQueue queue_;
  bool checksums_match_ = false;
  // Last, so that it is released (waiting for the worker) before the
  // members the worker uses are destroyed.
  std::unique_ptr<BandWorker::Lease> lease_;
};

// spng_decode_image's rows, band by band into the queue. Sets *stopped when
// it ends because the worker failed.
Status DecodeRows(const OpenedPng& png, BandQueue* queue, bool* stopped) {
  spng_ctx* ctx = png.ctx.get();
  if (int e = spng_decode_image(ctx, nullptr, 0, png.format, png.flags | SPNG_DECODE_PROGRESSIVE))
    return PngImageDataFailure(e);
  const Image& image = png.header.image;
  const size_t stride = image.stride();
  const uint32_t band_rows = BandRows(stride);
  for (uint32_t y = 0; y < image.height;) {
    const uint32_t rows = std::min(band_rows, image.height - y);
    uint8_t* band = queue->Room(rows);
    if (band == nullptr) {
      *stopped = true;
      return Fail(Error::kInternal, "band worker stopped");
    }
    for (uint32_t i = 0; i < rows; ++i, ++y) {
      // The last row ends the image; no other may.
      const int e = spng_decode_row(ctx, band + size_t{i} * stride, stride);
      if (e != 0 && !(e == SPNG_EOI && y + 1 == image.height)) return PngImageDataFailure(e);
    }
    queue->Filled();
  }
  return Status::Ok();
}

}  // namespace

Status ConvertPngInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                         EncodeOptions options, std::vector<uint8_t>* encoded,
                         PictureSize* produced, bool* handled) {
  *handled = false;
  if (SniffFormat(file) != PictureFormat::kPng) return Status::Ok();
  OpenedPng png;
  Status status = OpenPng(file, box, &png);
  if (!status.ok()) {
    *handled = true;
    return status;
  }
  if (png.interlaced) return Status::Ok();
  const SourcePicture& header = png.header;
  const bool swaps = OrientationSwapsSides(header.orientation);
  PictureSize size;
  if (!FitSize({swaps ? header.stored_height : header.stored_width,
                swaps ? header.stored_width : header.stored_height},
               box, &size)
           .ok())
    return Status::Ok();
  const PictureSize stored = swaps ? PictureSize{size.height, size.width} : size;
  if (stored.width == header.image.width && stored.height == header.image.height)
    return Status::Ok();
  std::unique_ptr<BandWorker::Lease> lease = BandWorker::TryAcquire();
  if (!lease) return Status::Ok();

  *handled = true;
  Bands bands(file, header.image.stride());
  status = bands.stages().Start(header, size, type, options);
  if (!status.ok()) return status;
  bands.Run(std::move(lease));
  bool stopped = false;
  status = DecodeRows(png, &bands.queue(), &stopped);
  bands.Stop();
  // A damaged file is refused as the whole-picture path refuses it, before
  // anything the worker ran into after the damage.
  if (!status.ok() && !stopped) return status;
  if (bands.queue().failed()) return bands.queue().failure();
  if (!status.ok()) return status;
  if (!bands.checksums_match()) return Fail(Error::kCorruptPng, "image data: CRC error");
  status = bands.stages().Finish(encoded);
  if (!status.ok()) return status;
  *produced = size;
  return Status::Ok();
}

}  // namespace quorvel
