// Converting a JPEG while it is still being decoded: the kJpegBands route.
//
// The caller's thread runs libjpeg; each band of decoded rows is brought into
// sRGB, through the resampler and, for JPEG output, into the encoder as soon
// as it arrives (band_stages.h), so the decoded picture never exists whole.
// With a TaskRunner those stages run on its thread and decoding overlaps
// them on two cores; with the plan's split_rows the caller's thread also
// resamples the lower half of the output itself. A picture stored turned is
// resampled as stored and turned once it is small.
// Contract: the written bytes do not depend on the runner. Without one (null:
// another conversion holds the worker) the stages run on the caller's thread,
// band by band in the same order, and give the same file.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_PIPELINE_JPEG_PIPELINE_H_
#define KALVENIX_CONVERTER_PIPELINE_JPEG_PIPELINE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/output_type.h"
#include "converter/base/task_runner.h"
#include "converter/colour/srgb_transform_cache.h"
#include "converter/pipeline/conversion_plan.h"
#include "converter/write/encode.h"

namespace quorvel {

// ConvertPicture's work for a picture planned kJpegBands; the picture is
// written at plan.size. A file the whole-picture path refuses is refused
// with the same status.
Status ConvertJpegInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                          EncodeOptions options, const Plan& plan, TaskRunner* runner,
                          std::vector<uint8_t>* encoded, SrgbTransformCache* transforms = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_JPEG_PIPELINE_H_
