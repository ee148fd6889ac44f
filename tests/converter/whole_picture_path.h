// The band routes held against the whole-picture reference: whether the plan
// sends a picture down a route, and if so that the route writes the
// reference's picture, with the band worker and without.
#ifndef KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_
#define KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_

#include <cstdint>
#include <span>
#include <vector>

#include "converter/base/error.h"
#include "converter/base/output_type.h"
#include "converter/pipeline/conversion_plan.h"
#include "converter/resample/fit_size.h"
#include "converter/write/encode.h"
#include "test_files.h"
#include "whole_picture.h"

namespace quorvel::testing {

using kalvenix::testing::CompareWrittenFiles;
using kalvenix::testing::ConvertWholePicture;
using kalvenix::testing::ReadTestFile;

// Plans `file` as ConvertPicture does and, when the plan takes `route`,
// runs that band path: with the band worker, or with none as when another
// conversion holds it. *banded says whether the plan took the route.
Status ConvertInBands(Route route, std::span<const uint8_t> file, TargetBox box,
                      OutputType type, EncodeOptions options, std::vector<uint8_t>* encoded,
                      PictureSize* produced, bool* banded, bool with_worker = true);

struct BandExpectation {
  bool banded = true;         // the plan takes the band route
  int tolerance = 0;          // largest channel difference allowed; 0: the same bytes
  double mean_tolerance = 0;  // mean channel difference allowed
};

// Converts `file` through `route` and checks (with gtest) that the plan took
// or left it as expected and, where it took it, that the route wrote the
// whole-picture reference's picture at its size, and the same bytes with the
// worker and without.
void ExpectAsWholePicture(Route route, std::span<const uint8_t> file, TargetBox box,
                          OutputType type, EncodeOptions options, BandExpectation expected);

}  // namespace quorvel::testing

#endif  // KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_
