#include "whole_picture_path.h"

#include <gtest/gtest.h>

namespace quorvel::testing {

void ExpectAsWholePicture(BandConversion bands, std::span<const uint8_t> file, TargetBox box,
                          OutputType type, EncodeOptions options, BandExpectation expected) {
  std::vector<uint8_t> actual;
  PictureSize size;
  bool handled = !expected.banded;
  const Status status = bands(file, box, type, options, &actual, &size, &handled);
  ASSERT_EQ(handled, expected.banded);
  if (!handled) {
    EXPECT_TRUE(status.ok());
    EXPECT_TRUE(actual.empty());
    return;
  }
  ASSERT_TRUE(status.ok()) << status.context;
  kalvenix::testing::ExpectAsWholePicture(file, box, type, options, actual, size,
                                          {expected.tolerance, expected.mean_tolerance});
}

}  // namespace quorvel::testing
