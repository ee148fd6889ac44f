#include "converter/pipeline/png_pipeline.h"

#include <zlib.h>

#include <algorithm>
#include <optional>

#include "converter/base/band_rows.h"
#include "converter/pipeline/band_feed.h"
#include "converter/pipeline/band_stages.h"
#include "converter/read/png_idat_stream.h"
#include "converter/read/png_reader.h"
#include "converter/read/png_unfilter.h"

namespace quorvel {
namespace {

// Bands of about this many bytes stay in the cache between the decoder
// writing them and the worker reading them, and are few enough that handing
// them over, a wake-up each, costs little.
constexpr size_t kBandBytes = 256 * 1024;

uint32_t BandRows(size_t stride) {
  return uint32_t(std::clamp<size_t>(kBandBytes / stride, 1, kBandRows));
}

// The stages' side of one conversion: the feed that hands them the rows.
// The rows come either as libspng made them or, `filtered`, as the file
// stores them, each behind its filter byte; then they are unfiltered first.
class Bands {
 public:
  Bands(std::span<const uint8_t> file, const Image& image, bool filtered)
      : file_(file), stride_(image.stride()), pixel_bytes_(image.channels), filtered_(filtered) {}
  Bands(const Bands&) = delete;
  Bands& operator=(const Bands&) = delete;

  BandStages& stages() { return stages_; }
  BandFeed& feed() { return *feed_; }
  // Once Stop has returned.
  Status checksums() const { return checksums_ ? *checksums_ : CheckIdatChecksums(file_); }
  // The Adler-32 of the filtered rows, once Stop has returned.
  uint32_t data_checksum() const { return uint32_t(adler_); }

  // Once the stages have started.
  void Run(TaskRunner* runner) {
    feed_.emplace(stride_ + (filtered_ ? 1 : 0), runner,
                  [this](const uint8_t* rows, uint32_t count, size_t row_bytes) {
                    // The second thread has time to spare while the decoder
                    // inflates.
                    if (!checksums_) checksums_ = CheckIdatChecksums(file_);
                    if (!filtered_) return stages_.Push(rows, count, row_bytes);
                    adler_ = adler32_z(adler_, rows, count * row_bytes);
                    Status status = Unfilter(rows, count, row_bytes);
                    if (!status.ok()) return status;
                    return stages_.Push(&pixels_[stride_], count, stride_);
                  });
  }

  // After the decode, whether it succeeded or not.
  void Stop() {
    if (feed_) feed_->Stop();
  }

 private:
  // The band's pixels into pixels_ from its second row on; the first holds
  // the row above the band, zeros above the picture.
  Status Unfilter(const uint8_t* rows, uint32_t count, size_t row_bytes) {
    if (pixels_.empty()) pixels_.resize((size_t{BandRows(stride_)} + 1) * stride_);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* row = rows + size_t{i} * row_bytes;
      uint8_t* out = &pixels_[(size_t{i} + 1) * stride_];
      if (!UnfilterRow(row[0], row + 1, out - stride_, stride_, pixel_bytes_, out))
        return Fail(Error::kCorruptPng, "Bilddaten: unbekannter Zeilenfilter");
    }
    std::copy_n(&pixels_[size_t{count} * stride_], stride_, pixels_.begin());
    return Status::Ok();
  }

  std::span<const uint8_t> file_;
  const size_t stride_;
  const uint32_t pixel_bytes_;
  const bool filtered_;
  std::vector<uint8_t> pixels_;  // the stages' thread's, when filtered_
  uLong adler_ = adler32(0, nullptr, 0);  // the stages' thread's, when filtered_
  BandStages stages_;
  std::optional<Status> checksums_;  // once the stages' thread has checked them
  // Last, so that it stops (waiting for the runner) before the members the
  // runner's thread uses are destroyed.
  std::optional<BandFeed> feed_;
};

// The feed has failed: the stages' reason is the one given in the end.
Status Stopped() { return Fail(Error::kInternal, "Bandverarbeitung abgebrochen"); }

// The filtered rows of 8-bit RGB or RGBA, band by band into the feed, and
// the Adler-32 the stream states for them.
Status InflateRows(std::span<const uint8_t> file, const Image& image, BandFeed* feed,
                   bool* stopped, uint32_t* stated_checksum) {
  IdatStream stream(file);
  Status status = stream.Start();
  if (!status.ok()) return status;
  const size_t row_bytes = feed->row_bytes();
  const uint32_t band_rows = BandRows(image.stride());
  for (uint32_t y = 0; y < image.height;) {
    const uint32_t rows = std::min(band_rows, image.height - y);
    uint8_t* band = feed->Room(rows);
    if (band == nullptr) {
      *stopped = true;
      return Stopped();
    }
    status = stream.Read(band, rows * row_bytes);
    if (!status.ok()) return status;
    feed->Filled();
    y += rows;
  }
  status = stream.End();
  *stated_checksum = stream.stated_checksum();
  return status;
}

// spng_decode_image's rows, band by band into the feed. Sets *stopped when
// it ends because the stages failed.
Status DecodeRows(const OpenedPng& png, BandFeed* feed, bool* stopped) {
  spng_ctx* ctx = png.ctx.get();
  if (int e = spng_decode_image(ctx, nullptr, 0, png.format, png.flags | SPNG_DECODE_PROGRESSIVE))
    return PngImageDataFailure(e);
  const Image& image = png.header.image;
  const size_t stride = image.stride();
  const uint32_t band_rows = BandRows(stride);
  for (uint32_t y = 0; y < image.height;) {
    const uint32_t rows = std::min(band_rows, image.height - y);
    uint8_t* band = feed->Room(rows);
    if (band == nullptr) {
      *stopped = true;
      return Stopped();
    }
    for (uint32_t i = 0; i < rows; ++i, ++y) {
      // The last row ends the image; no other may.
      const int e = spng_decode_row(ctx, band + size_t{i} * stride, stride);
      if (e != 0 && !(e == SPNG_EOI && y + 1 == image.height)) return PngImageDataFailure(e);
    }
    feed->Filled();
  }
  return Status::Ok();
}

// One conversion on the caller's thread and the runner's, with the rows
// `filtered` (InflateRows) or from libspng (DecodeRows).
Status ConvertInBands(std::span<const uint8_t> file, const OpenedPng& png, PictureSize size,
                      OutputType type, EncodeOptions options, bool filtered, TaskRunner* runner,
                      SrgbTransformCache* transforms, std::vector<uint8_t>* encoded) {
  const SourcePicture& header = png.header;
  Bands bands(file, header.image, filtered);
  Status status = bands.stages().Start(header, size, type, options, false, transforms);
  if (!status.ok()) return status;
  bands.Run(runner);
  bool stopped = false;
  uint32_t stated_checksum = 0;
  status = filtered ? InflateRows(file, header.image, &bands.feed(), &stopped, &stated_checksum)
                    : DecodeRows(png, &bands.feed(), &stopped);
  bands.Stop();
  // A damaged file is refused as the whole-picture path refuses it, before
  // anything the stages ran into after the damage.
  if (!status.ok() && !stopped) return status;
  if (bands.feed().failed()) return bands.feed().failure();
  if (!status.ok()) return status;
  if (status = bands.checksums(); !status.ok()) return status;
  if (filtered && bands.data_checksum() != stated_checksum)
    return Fail(Error::kCorruptPng, "Bilddaten: Prüfsumme falsch");
  return bands.stages().Finish(encoded);
}

}  // namespace

Status ConvertPngInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                         EncodeOptions options, const Plan& plan, TaskRunner* runner,
                         std::vector<uint8_t>* encoded, SrgbTransformCache* transforms) {
  OpenedPng png;
  Status status = OpenPng(file, box, &png);
  if (!status.ok()) return status;
  if (plan.own_unfilter) {
    status = ConvertInBands(file, png, plan.size, type, options, true, runner, transforms, encoded);
    if (status.ok()) return status;
    // Refused, or refused only by the stricter stream: libspng judges it
    // (its context has not read any image data yet).
  }
  return ConvertInBands(file, png, plan.size, type, options, false, runner, transforms, encoded);
}

}  // namespace quorvel
