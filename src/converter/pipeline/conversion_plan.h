// Which way a picture goes through the converter, decided once.
//
// PlanConversion looks at the header (picture_header.h), the box and the
// output type and picks one of three routes; the route's path then does the
// work without second thoughts:
//   kJpegBands  JPEG decoded band by band, each band coloured, resampled and,
//               for JPEG output stored upright, encoded while the next is
//               decoded (jpeg_pipeline.h);
//   kPngBands   the same for a PNG (png_pipeline.h);
//   kWhole      the picture decoded whole, then fitted, resampled and
//               encoded (convert_file.h).
// It also fixes the JPEG shrink-on-load factor, whether a second thread is
// worth having and how the work is split with it. `why` says what kept a
// picture off the band routes. The result is a plain value owned by the
// caller. Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_PIPELINE_CONVERSION_PLAN_H_
#define KALVENIX_CONVERTER_PIPELINE_CONVERSION_PLAN_H_

#include <cstdint>

#include "converter/base/image.h"
#include "converter/base/output_type.h"
#include "converter/read/picture_header.h"

namespace quorvel {

enum class Route { kJpegBands, kPngBands, kWhole };

enum class WholeBecause {
  kBanded,          // not whole at all
  kFormat,          // GIF, BMP or unknown: no band reader
  kHeader,          // the header cannot be read; the reader says why
  kColourModel,     // JPEG in CMYK or YCCK
  kInterlaced,      // PNG rows arrive in passes, not top to bottom
  kSize,            // the fit into the box is refused; the reader says why
  kNothingToShare,  // no resampling, and no JPEG encoder fed upright rows
};

struct Plan {
  Route route = Route::kWhole;
  WholeBecause why = WholeBecause::kHeader;
  PictureSize size;  // upright, as written; {0, 0} when the header did not tell
  uint32_t dct_denominator = 1;  // the JPEG decoder's shrink-on-load
  // Hand work to a second thread: the band stages on a band route, the
  // lower half of the resampled rows on the whole route.
  bool two_threads = false;
  // kJpegBands with two threads: the decoding thread resamples the lower
  // output rows itself, as every scan is read before the first row comes
  // out and the rows then come faster than one thread resamples them.
  bool split_rows = false;
  // kPngBands: this code inflates and unfilters the rows instead of libspng,
  // so that unfiltering can go to the second thread.
  bool own_unfilter = false;
};

Plan PlanConversion(const PictureHeader& header, TargetBox box, OutputType type);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_CONVERSION_PLAN_H_
