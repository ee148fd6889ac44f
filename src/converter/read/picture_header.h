// What a picture's header says before any pixel is decoded: the facts the
// conversion plan (conversion_plan.h) is made from.
//
// ProbePicture reads only the header, through the same libraries the readers
// use, so it agrees with them on every field it fills. A header it cannot
// read is reported as not `readable`, not as a failure: the reader then
// refuses the file with its own status. Thread-safety: pure function.
#ifndef KALVENIX_CONVERTER_READ_PICTURE_HEADER_H_
#define KALVENIX_CONVERTER_READ_PICTURE_HEADER_H_

#include <cstdint>
#include <span>

#include "converter/base/source_picture.h"
#include "converter/read/sniff.h"

namespace quorvel {

struct PictureHeader {
  PictureFormat format = PictureFormat::kUnknown;
  bool readable = false;  // the fields below mean something
  uint32_t stored_width = 0;
  uint32_t stored_height = 0;
  int orientation = 1;  // EXIF 1..8
  // JPEG and PNG only: what the reader hands on.
  PixelModel model = PixelModel::kRgb;
  // JPEG: libjpeg reads every scan before the first row comes out.
  bool all_scans_first = false;
  // PNG: the rows do not arrive top to bottom.
  bool interlaced = false;
  // PNG: 8-bit RGB or RGBA without tRNS, so a row unfiltered is the row
  // libspng would hand over.
  bool rows_as_stored = false;
};

PictureHeader ProbePicture(std::span<const uint8_t> file);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_PICTURE_HEADER_H_
