// The band routes held against the whole-picture reference: whether a
// route takes a picture, and if so that it writes the reference's picture.
#ifndef KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_
#define KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_

#include <cstdint>
#include <span>
#include <vector>

#include "converter/encode.h"
#include "converter/error.h"
#include "converter/fit_size.h"
#include "converter/output_type.h"
#include "test_files.h"
#include "whole_picture.h"

namespace quorvel::testing {

using kalvenix::testing::CompareWrittenFiles;
using kalvenix::testing::ConvertWholePicture;
using kalvenix::testing::ReadTestFile;

// ConvertJpegInBands or ConvertPngInBands.
using BandConversion = Status (*)(std::span<const uint8_t> file, TargetBox box, OutputType type,
                                  EncodeOptions options, std::vector<uint8_t>* encoded,
                                  PictureSize* produced, bool* handled);

struct BandExpectation {
  bool banded = true;         // the band pipeline takes the picture
  int tolerance = 0;          // largest channel difference allowed; 0: the same bytes
  double mean_tolerance = 0;  // mean channel difference allowed
};

// Converts `file` through `bands` and checks (with gtest) that it took or
// left the picture as expected and, where it took it, wrote the whole-picture
// reference's picture at its size.
void ExpectAsWholePicture(BandConversion bands, std::span<const uint8_t> file, TargetBox box,
                          OutputType type, EncodeOptions options, BandExpectation expected);

}  // namespace quorvel::testing

#endif  // KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_
