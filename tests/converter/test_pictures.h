// Helpers for the reader tests: the shared test pictures and an independent
// reference decode through Qt. A test reading the pictures starts with
// KALVENIX_REQUIRE_TESTDATA().
#ifndef KALVENIX_TESTS_CONVERTER_TEST_PICTURES_H_
#define KALVENIX_TESTS_CONVERTER_TEST_PICTURES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "converter/base/image.h"
#include "converter/pipeline/decode.h"
#include "test_files.h"
#include "testdata.h"

namespace quorvel::testing {

using kalvenix::testing::ListTestFolder;
using kalvenix::testing::ReadTestFile;
using kalvenix::testing::TestdataPath;

// Decodes through QImage into RGBA; width 0 when Qt cannot read the file.
Image DecodeWithQt(const std::string& relative);

// Decodes through DecodePicture with a free box.
Status DecodeTestFile(const std::string& relative, DecodedPicture* out, TargetBox box = {});

struct PixelDifference {
  int max = 0;       // largest difference of one channel
  double mean = 0;   // mean absolute difference over all compared channels
};

// Compares two pictures of the same size (RGB or RGBA each; 3 channels count
// as opaque). Colour is not compared where both are fully transparent.
// Different sizes give the worst difference (256).
PixelDifference Compare(const Image& actual, const Image& reference_rgba);

// The top-left `width` x `height` of a picture (or less where it is smaller).
Image Crop(const Image& image, uint32_t width, uint32_t height);

// Reduces a picture by averaging `factor` x `factor` blocks (RGB out), so
// pictures decoded at different scales or through different codecs can be
// compared without their high-frequency differences.
Image BoxReduce(const Image& image, uint32_t factor);

}  // namespace quorvel::testing

#endif  // KALVENIX_TESTS_CONVERTER_TEST_PICTURES_H_
