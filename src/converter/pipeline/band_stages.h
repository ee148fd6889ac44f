// What the band worker makes of a source picture's rows as they arrive.
//
// Each band is brought into sRGB through the embedded profile, pushed through
// the resampler and, for JPEG output of a picture stored upright, the output
// rows it completes go into the encoder at once. Once every row is in, a
// picture stored turned is turned (it is small by then) and any other output
// is encoded whole. The result is the whole-picture pipeline's.
//
// When the plan splits the rows (conversion_plan.h), the output rows below
// the middle are resampled on the decoding thread instead (PushLower): the two
// halves are the ranges of one Resampler that whole pictures split the same
// way, so the result does not change. The worker, once done with its own
// rows, also encodes the lower rows that are ready, so that little of the
// encoding is left for Finish. The first failure of a stage stays: every
// later Push and Finish returns it.
// Thread-safety: Start and Finish on one thread, Push on one thread at a time
// in between (the band worker), handed over by the caller; PushLower on the
// caller's thread, at the same time as Push.
#ifndef KALVENIX_CONVERTER_PIPELINE_BAND_STAGES_H_
#define KALVENIX_CONVERTER_PIPELINE_BAND_STAGES_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/output_type.h"
#include "converter/base/source_picture.h"
#include "converter/colour/srgb_transform_cache.h"
#include "converter/resample/fit_size.h"
#include "converter/resample/resample.h"
#include "converter/write/encode.h"
#include "converter/write/jpeg_writer.h"

namespace quorvel {

class BandStages {
 public:
  BandStages() = default;
  BandStages(const BandStages&) = delete;
  BandStages& operator=(const BandStages&) = delete;

  // `header.image` has the stored size and channels (3 or 4, as
  // `header.model` says) and no pixels; `size` is the upright output size.
  // A stored size equal to the output needs JPEG output to have any stage.
  // With `split_lower` (the plan's split_rows), PushLower takes the lower
  // output rows; the output must then be resized and at least two rows high.
  // `transforms` keeps colour transforms for later pictures; may be null.
  Status Start(const SourcePicture& header, PictureSize size, OutputType type,
               EncodeOptions options, bool split_lower = false,
               SrgbTransformCache* transforms = nullptr);

  // The next `count` stored rows, `stride` bytes apart.
  Status Push(const uint8_t* rows, uint32_t count, size_t stride);

  // The same rows for the lower output rows, when Start split them off;
  // otherwise does nothing.
  void PushLower(const uint8_t* rows, uint32_t count, size_t stride);

  // The written file, once every stored row has been pushed.
  Status Finish(std::vector<uint8_t>* encoded);

 private:
  Status Poison(Status status);

  Status failure_;
  OutputType type_ = OutputType::kJpeg;
  EncodeOptions options_;
  int orientation_ = 1;
  uint32_t width_ = 0;  // stored
  std::shared_ptr<const SrgbTransform> transform_;
  std::vector<uint8_t> colour_row_;
  Image out_;                                // as stored, when resizing
  std::unique_ptr<Resampler> resampler_;     // when resizing: rows above seam_
  std::unique_ptr<JpegRowEncoder> encoder_;  // for JPEG output stored upright
  uint32_t encoded_rows_ = 0;
  uint32_t seam_ = 0;
  // Rows from seam_ down, on the caller's thread, with their own buffers.
  std::unique_ptr<Resampler> lower_;
  std::vector<uint8_t> lower_colour_row_;
  uint32_t lower_rows_seen_ = 0;
  // Output rows the lower Resampler has written, for the worker to encode.
  std::atomic<uint32_t> lower_rows_done_{0};
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_BAND_STAGES_H_
