#include "whole_picture_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "converter/bmp_reader.h"
#include "converter/convert_file.h"
#include "converter/decode.h"
#include "converter/resample.h"
#include "converter/source_picture.h"
#include "picture_checks.h"
#include "testdata.h"

namespace quorvel::testing {
namespace {

// BMP keeps the pixels exactly, so any written type can be compared there.
Image ReadBack(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> bmp;
  PictureSize size;
  SourcePicture picture;
  if (!ConvertPicture(file, {}, OutputType::kBmp, {}, &bmp, &size).ok() ||
      !ReadBmp(bmp, {}, &picture).ok())
    return {};
  return picture.image;
}

}  // namespace

std::vector<uint8_t> ReadTestPicture(const std::string& relative) {
  return ReadBytes(kalvenix::testing::TestdataPath(relative));
}

Status ConvertWholePicture(std::span<const uint8_t> file, TargetBox box, OutputType type,
                           EncodeOptions options, std::vector<uint8_t>* encoded,
                           PictureSize* size) {
  DecodedPicture decoded;
  Status status = DecodePicture(file, box, &decoded);
  if (!status.ok()) return status;
  status = FitSize({decoded.full_width, decoded.full_height}, box, size);
  if (!status.ok()) return status;
  Image resized;
  status = Resample(decoded.image, size->width, size->height, &resized, decoded.shrink);
  if (!status.ok()) return status;
  return EncodePicture(resized, type, options, encoded);
}

FileDifference CompareWrittenFiles(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  const Image x = ReadBack(a), y = ReadBack(b);
  FileDifference difference;
  difference.same_size = x.width != 0 && x.width == y.width && x.height == y.height &&
                         x.channels == y.channels;
  if (!difference.same_size) return difference;
  double total = 0;
  for (size_t i = 0; i < x.pixels.size(); ++i) {
    const int d = std::abs(x.pixels[i] - y.pixels[i]);
    difference.worst = std::max(difference.worst, d);
    total += d;
  }
  difference.mean = total / double(x.pixels.size());
  return difference;
}

void ExpectAsWholePicture(BandConversion bands, std::span<const uint8_t> file, TargetBox box,
                          OutputType type, EncodeOptions options, BandExpectation expected) {
  std::vector<uint8_t> whole;
  PictureSize whole_size;
  ASSERT_TRUE(ConvertWholePicture(file, box, type, options, &whole, &whole_size).ok());
  std::vector<uint8_t> actual;
  PictureSize size;
  bool handled = !expected.banded;
  const Status status = bands(file, box, type, options, &actual, &size, &handled, nullptr);
  ASSERT_EQ(handled, expected.banded);
  if (!handled) {
    EXPECT_TRUE(status.ok());
    EXPECT_TRUE(actual.empty());
    return;
  }
  ASSERT_TRUE(status.ok()) << status.context;
  EXPECT_EQ(size, whole_size);
  if (expected.tolerance == 0) {
    EXPECT_TRUE(actual == whole) << "encoded bytes differ";
    return;
  }
  const FileDifference difference = CompareWrittenFiles(actual, whole);
  ASSERT_TRUE(difference.same_size);
  EXPECT_LE(difference.worst, expected.tolerance);
  EXPECT_LE(difference.mean, expected.mean_tolerance);
}

}  // namespace quorvel::testing
