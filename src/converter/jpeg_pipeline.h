// Converting a JPEG while it is still being decoded.
//
// The caller's thread runs libjpeg; the band worker (band_worker.h) brings
// each band of decoded rows into sRGB, through the resampler and, for JPEG
// output, into the encoder as soon as it arrives. Decoding and the rest
// overlap on two cores, and the decoded picture never exists whole. Used for
// what a batch mostly converts: a JPEG photo in RGB or grey that is resized,
// or one stored upright (EXIF orientation 1) and written as JPEG again. A
// picture stored turned is resampled as stored and turned once it is small.
// A progressive file has all its scans read before the first row comes out;
// its rows then come quickly, and the caller's thread resamples the lower
// half of the output itself (band_stages.h).
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_JPEG_PIPELINE_H_
#define KALVENIX_CONVERTER_JPEG_PIPELINE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "converter/converter_context.h"
#include "converter/encode.h"
#include "converter/error.h"
#include "converter/fit_size.h"
#include "converter/image.h"
#include "converter/output_type.h"

namespace quorvel {

// ConvertPicture's work for such a JPEG. Sets *handled to false, and does
// nothing else, for any other picture or when the worker is busy with
// another conversion: the whole-picture pipeline then does the work.
// `context` lends its worker and colour transforms; without one the call
// makes its own.
// Otherwise the result is the conversion's, as ConvertPicture would give it.
Status ConvertJpegInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                          EncodeOptions options, std::vector<uint8_t>* encoded,
                          PictureSize* produced, bool* handled,
                          ConverterContext* context = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_JPEG_PIPELINE_H_
