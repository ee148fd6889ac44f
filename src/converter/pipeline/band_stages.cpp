#include "converter/pipeline/band_stages.h"

#include <lcms2.h>

#include "converter/base/checked_size.h"
#include "converter/resample/orientation.h"

namespace quorvel {

Status BandStages::Start(const SourcePicture& header, PictureSize size, OutputType type,
                         EncodeOptions options, bool split_lower,
                         SrgbTransformCache* transforms) {
  type_ = type;
  options_ = options;
  orientation_ = header.orientation;
  const Image& stored = header.image;
  width_ = stored.width;
  // A picture stored turned is resampled as stored and turned afterwards,
  // when it is small: the same filter along the same axes.
  const PictureSize target = UprightSize(size, orientation_);  // as stored
  const bool resize = target.width != stored.width || target.height != stored.height;
  // Rows can go to the encoder as they come only when nothing turns them.
  const bool streams_jpeg = type == OutputType::kJpeg && orientation_ == 1;
  if (!resize && !streams_jpeg) return Poison(Fail(Error::kInternal, "Bandverarbeitung ohne Arbeit"));
  if (!header.icc_profile.empty()) {
    transform_ = SrgbTransformFor(transforms, header.icc_profile, header.model);
    if (transform_ && transform_->handle == nullptr) transform_.reset();
    if (transform_) colour_row_.resize(stored.stride());
  }
  if (resize) {
    out_.width = target.width;
    out_.height = target.height;
    out_.channels = stored.channels;
    std::optional<size_t> bytes = PixelBufferBytes(out_.width, out_.height, out_.channels);
    if (!bytes) return Poison(Fail(Error::kTooLarge, "skaliertes Bild"));
    out_.pixels.resize(*bytes);
    seam_ = split_lower ? out_.height / 2 : out_.height;
    // Resampled as stored, so any partial sample of a shrunk decode is last.
    const ShrinkOnLoad shrink = ShrinkOnLoadFor(header.stored_width, header.stored_height,
                                                header.dct_denominator, 1);
    resampler_ =
        std::make_unique<Resampler>(stored.width, stored.height, &out_, 0, seam_, shrink);
    lower_rows_done_.store(seam_, std::memory_order_relaxed);
    if (seam_ < out_.height) {
      lower_ = std::make_unique<Resampler>(stored.width, stored.height, &out_, seam_,
                                           out_.height, shrink);
      if (transform_) lower_colour_row_.resize(stored.stride());
    }
  }
  if (streams_jpeg) {
    encoder_ = std::make_unique<JpegRowEncoder>();
    return Poison(encoder_->Start(size.width, size.height, stored.channels, options.quality));
  }
  return Status::Ok();
}

Status BandStages::Poison(Status status) {
  if (!status.ok() && failure_.ok()) failure_ = status;
  return status;
}

Status BandStages::Push(const uint8_t* rows, uint32_t count, size_t stride) {
  if (!failure_.ok()) return failure_;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* row = rows + size_t{i} * stride;
    if (transform_) {
      cmsDoTransform(transform_->handle, row, colour_row_.data(), width_);
      row = colour_row_.data();
    }
    if (resampler_) {
      // Past the upper rows' last source row the rest is the lower half's.
      if (resampler_->done()) break;
      resampler_->PushRow(row);
    } else {
      Status status = encoder_->Write(row, 1, stride);
      if (!status.ok()) return Poison(std::move(status));
    }
  }
  if (!resampler_ || !encoder_) return Status::Ok();
  // The rows the resamplers finished go on at once, so the encoder's work is
  // done by the time the decoder's is. The lower rows follow the upper ones.
  uint32_t ready = resampler_->rows_done();
  if (lower_ && ready == seam_) ready = lower_rows_done_.load(std::memory_order_acquire);
  Status status = encoder_->Write(out_.row(encoded_rows_), ready - encoded_rows_, out_.stride());
  encoded_rows_ = ready;
  return Poison(std::move(status));
}

void BandStages::PushLower(const uint8_t* rows, uint32_t count, size_t stride) {
  if (!lower_) return;
  for (uint32_t i = 0; i < count && !lower_->done(); ++i, ++lower_rows_seen_) {
    if (lower_rows_seen_ < lower_->first_source_row()) continue;
    const uint8_t* row = rows + size_t{i} * stride;
    if (transform_) {
      cmsDoTransform(transform_->handle, row, lower_colour_row_.data(), width_);
      row = lower_colour_row_.data();
    }
    lower_->PushRow(row);
  }
  lower_rows_done_.store(lower_->rows_done(), std::memory_order_release);
}

Status BandStages::Finish(std::vector<uint8_t>* encoded) {
  if (!failure_.ok()) return failure_;
  if ((resampler_ && !resampler_->done()) || (lower_ && !lower_->done()))
    return Poison(Fail(Error::kInternal, "Skalierung unvollständig"));
  if (encoder_ && resampler_ && encoded_rows_ < out_.height) {
    Status status = encoder_->Write(out_.row(encoded_rows_), out_.height - encoded_rows_,
                                    out_.stride());
    if (!status.ok()) return Poison(std::move(status));
  }
  if (encoder_) return Poison(encoder_->Finish(encoded));
  Status status = ApplyOrientation(orientation_, &out_);
  if (!status.ok()) return Poison(std::move(status));
  return Poison(EncodePicture(out_, type_, options_, encoded));
}

}  // namespace quorvel
