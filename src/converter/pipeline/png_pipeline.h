// Converting a PNG while it is still being decoded: the kPngBands route.
//
// The caller's thread decodes the rows; each band of them is taken into
// sRGB, through the resampler and, for JPEG output, into the encoder
// (band_stages.h), so the decoded picture never exists whole. With the plan's
// own_unfilter (8-bit RGB and RGBA without tRNS: photos) the caller's thread
// only inflates (png_idat_stream.h) and the band stages' thread unfilters too
// (png_unfilter.h); whatever that stricter decoding refuses goes to libspng,
// which otherwise decodes on the caller's thread. With a TaskRunner the
// stages run on its thread, overlapping the decode on two cores. A picture
// stored turned is resampled as stored and turned once it is small.
// Contract: the written bytes do not depend on the runner. Without one (null:
// another conversion holds the worker) the stages run on the caller's thread,
// band by band in the same order, and give the same file.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_PIPELINE_PNG_PIPELINE_H_
#define KALVENIX_CONVERTER_PIPELINE_PNG_PIPELINE_H_

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

// ConvertPicture's work for a picture planned kPngBands; the picture is
// written at plan.size. A file the whole-picture path refuses is refused
// with the same status.
Status ConvertPngInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                         EncodeOptions options, const Plan& plan, TaskRunner* runner,
                         std::vector<uint8_t>* encoded, SrgbTransformCache* transforms = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_PNG_PIPELINE_H_
