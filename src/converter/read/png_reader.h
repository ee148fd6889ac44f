// Reading a PNG through libspng.
//
// Every colour type and bit depth, palette and tRNS transparency, Adam7
// interlacing; 16-bit samples are reduced to 8. The picture comes out as RGB,
// or RGBA when the file has an alpha channel or tRNS. gAMA and cHRM are not
// applied (an iCCP profile is, by the colour step). Thread-safety: reentrant;
// each call owns its libspng context.
#ifndef KALVENIX_CONVERTER_READ_PNG_READER_H_
#define KALVENIX_CONVERTER_READ_PNG_READER_H_

#include <spng.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/source_picture.h"
#include "converter/read/picture_header.h"

namespace quorvel {

// `storage` lends its capacity to the pixels, so that a caller can reuse a
// buffer from an earlier picture; it is used up either way.
Status ReadPng(std::span<const uint8_t> file, TargetBox box, SourcePicture* out,
               std::vector<uint8_t> storage = {});

struct SpngDeleter {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngDeleter>;

// A PNG whose header ReadPng would accept, ready for its image data.
struct OpenedPng {
  SpngContext ctx;
  // Everything but the pixels: image has the size and channels, the profile
  // and orientation are read.
  SourcePicture header;
  int format = 0;  // spng_format for spng_decode_image
  int flags = 0;   // spng_decode_flags
  bool interlaced = false;
  // 8-bit RGB or RGBA without tRNS: a row unfiltered is the row libspng
  // would hand over, so the band pipeline may inflate and unfilter it itself.
  bool rows_as_stored = false;
};

// ReadPng's work up to the image data, with its checks and failures.
// `file` must outlive `out->ctx`.
Status OpenPng(std::span<const uint8_t> file, TargetBox box, OpenedPng* out);

// The header's size, orientation, pixel model and row layout into `out`,
// without reading image data; fails as OpenPng would on that header.
Status ProbePng(std::span<const uint8_t> file, PictureHeader* out);

// ReadPng's failure for a libspng error while decoding the image data.
Status PngImageDataFailure(int spng_error);

// ReadPng's refusal of a file with a wrong IDAT checksum, which libspng
// leaves unchecked for the last IDAT chunk; Ok when every one matches. A file
// that fails it must be refused however it was decoded.
Status CheckIdatChecksums(std::span<const uint8_t> file);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_PNG_READER_H_
