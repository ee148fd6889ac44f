// What the band pipelines are held against: the whole-picture pipeline step
// by step, and how far apart two written files are.
#ifndef KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_
#define KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "converter/conversion_plan.h"
#include "converter/encode.h"
#include "converter/error.h"
#include "converter/fit_size.h"
#include "converter/image.h"
#include "converter/output_type.h"

namespace quorvel::testing {

// A file below the test data folder; empty when it cannot be read.
std::vector<uint8_t> ReadTestPicture(const std::string& relative);

// Decode, fit, resample and encode, as ConvertPicture does for what it does
// not stream.
Status ConvertWholePicture(std::span<const uint8_t> file, TargetBox box, OutputType type,
                           EncodeOptions options, std::vector<uint8_t>* encoded,
                           PictureSize* size);

struct FileDifference {
  bool same_size = false;
  int worst = 0;     // largest difference of one channel
  double mean = 0;   // mean over all channels
};

// Two written pictures of any output type, compared pixel by pixel after
// both are read back through the converter.
FileDifference CompareWrittenFiles(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

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

// Converts `file` both ways and checks (with gtest) that the plan took or
// left it as expected and, where it took it, that the band path wrote the
// whole path's picture at the whole path's size, and the same bytes with the
// worker and without.
void ExpectAsWholePicture(Route route, std::span<const uint8_t> file, TargetBox box,
                          OutputType type, EncodeOptions options, BandExpectation expected);

}  // namespace quorvel::testing

#endif  // KALVENIX_TESTS_CONVERTER_WHOLE_PICTURE_PATH_H_
