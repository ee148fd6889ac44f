// Reading a JPEG through libjpeg-turbo.
//
// Baseline, extended, progressive and arithmetic-coded files in greyscale,
// YCbCr, RGB, CMYK and YCCK. Grey comes out as RGB; CMYK and YCCK come out as
// CMYK for the colour step. A large picture is decoded at a reduced DCT scale
// chosen from the box and the EXIF orientation (see dct_scale.h).
// Thread-safety: reentrant; each call owns its codec.
#ifndef KALVENIX_CONVERTER_READ_JPEG_READER_H_
#define KALVENIX_CONVERTER_READ_JPEG_READER_H_

#include <cstdint>
#include <span>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/source_picture.h"
#include "converter/read/picture_header.h"

namespace quorvel {

// `storage` lends its capacity to the pixels, so that a caller can reuse a
// buffer from an earlier picture; it is used up either way.
Status ReadJpeg(std::span<const uint8_t> file, TargetBox box, SourcePicture* out,
                std::vector<uint8_t> storage = {});

// The header's size, orientation, pixel model and scan layout into `out`,
// without decoding anything; fails as ReadJpeg would on that header.
Status ProbeJpeg(std::span<const uint8_t> file, PictureHeader* out);

// Where StreamJpeg puts the rows it decodes, band by band, top to bottom, so
// that the next step can work on a band while the decoder reads the next.
class JpegRowSink {
 public:
  virtual ~JpegRowSink() = default;
  // Once, after the header is checked and before any pixel is decoded:
  // `header.image` has the decoded (possibly DCT-shrunk) size and channels
  // but no pixels. `all_scans_first` is true when libjpeg reads every scan
  // before the first row comes out (progressive files), so that the rows
  // then come quickly and the decoding thread has time to spare. A failure
  // here ends the decode with that status.
  virtual Status Start(const SourcePicture& header, bool all_scans_first) = 0;
  // Room for the next `rows` rows (at most kBandRows, band_rows.h) of
  // header.image.stride() bytes each, or null when the sink can take no
  // more (the decode then fails with kInternal; the sink knows why).
  virtual uint8_t* Band(uint32_t rows) = 0;
  // The band that Band() returned holds its rows now.
  virtual void Filled() = 0;
};

// ReadJpeg's decode, with the pixels going to `sink` instead of one buffer,
// at 1/`dct_denominator` of the stored size (the plan's; 0: chosen from the
// box as ReadJpeg does). The header's ICC profile and orientation are handed
// on untouched.
Status StreamJpeg(std::span<const uint8_t> file, TargetBox box, uint32_t dct_denominator,
                  JpegRowSink* sink);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_JPEG_READER_H_
