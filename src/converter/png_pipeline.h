// Converting a PNG while it is still being decoded.
//
// The caller's thread decodes the rows; the band worker (band_worker.h)
// takes them band by band into sRGB, through the resampler and, for JPEG
// output, into the encoder, so the two cores overlap and the decoded picture
// never exists whole. For 8-bit RGB and RGBA without tRNS (photos) the
// caller's thread only inflates (png_idat_stream.h) and the worker unfilters
// too (png_unfilter.h); whatever that stricter decoding refuses goes to
// libspng, which otherwise decodes on the caller's thread. Used for a PNG
// that is resized and not interlaced (interlaced rows do not arrive top to
// bottom). A picture stored turned is resampled as stored and turned once it
// is small.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_PNG_PIPELINE_H_
#define KALVENIX_CONVERTER_PNG_PIPELINE_H_

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

// ConvertPicture's work for such a PNG. Sets *handled to false, and does
// nothing else, for any other picture or when the worker is busy with
// another conversion: the whole-picture pipeline then does the work.
// `context` lends its worker and colour transforms; without one the call
// makes its own.
// Otherwise the result is the conversion's, as ConvertPicture would give it;
// a file the whole-picture pipeline refuses is refused with the same status.
Status ConvertPngInBands(std::span<const uint8_t> file, TargetBox box, OutputType type,
                         EncodeOptions options, std::vector<uint8_t>* encoded,
                         PictureSize* produced, bool* handled,
                         ConverterContext* context = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PNG_PIPELINE_H_
