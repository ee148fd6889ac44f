// One whole conversion: the converter's synchronous pipeline.
//
// read the source -> probe its header -> plan (conversion_plan.h) -> the
// planned path: in bands (jpeg_pipeline.h, png_pipeline.h) or whole
// (DecodePicture -> FitSize -> Resample -> encode) -> write the destination
// atomically. The band worker is asked for here, and only when the plan
// wants a second thread; a path handed none does the same work on the
// caller's thread. The output type comes from the destination's
// suffix and is checked before the source is read. On failure nothing is
// written and an existing destination is left as it was. The source is
// never replaced: a destination that is the source itself (see same_file.h)
// fails with kDestinationIsSource, before anything is read and again at the
// write.
// Thread-safety: reentrant; conversions of different files may run at once.
#ifndef KALVENIX_CONVERTER_PIPELINE_CONVERT_FILE_H_
#define KALVENIX_CONVERTER_PIPELINE_CONVERT_FILE_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/output_type.h"
#include "converter/pipeline/converter_context.h"
#include "converter/resample/fit_size.h"
#include "converter/write/encode.h"

namespace quorvel {

// The in-memory part, for callers that hold the file's bytes already (and
// for fuzzing): decode, fit, resample, encode. `produced` gets the size
// written. `context` lends its worker thread and colour transforms; without
// one the call makes its own.
Status ConvertPicture(std::span<const uint8_t> file, TargetBox box, OutputType type,
                      EncodeOptions options, std::vector<uint8_t>* encoded,
                      PictureSize* produced, ConverterContext* context = nullptr);

Status ConvertFile(const std::string& source_path, const std::string& destination_path,
                   TargetBox box, bool transparency, int32_t quality, PictureSize* produced,
                   ConverterContext* context = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_CONVERT_FILE_H_
