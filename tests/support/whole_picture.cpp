#include "whole_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "converter/base/source_picture.h"
#include "converter/pipeline/convert_file.h"
#include "converter/pipeline/decode.h"
#include "converter/read/bmp_reader.h"
#include "converter/resample/resample.h"

namespace kalvenix::testing {
namespace {

using quorvel::Image;
using quorvel::OutputType;
using quorvel::PictureSize;
using quorvel::Status;

Image ReadBack(const std::vector<uint8_t>& file) {
  std::vector<uint8_t> bmp;
  PictureSize size;
  quorvel::SourcePicture picture;
  if (!quorvel::ConvertPicture(file, {}, OutputType::kBmp, {}, &bmp, &size).ok() ||
      !quorvel::ReadBmp(bmp, {}, &picture).ok())
    return {};
  return picture.image;
}

}  // namespace

Status ConvertWholePicture(std::span<const uint8_t> file, quorvel::TargetBox box, OutputType type,
                           quorvel::EncodeOptions options, std::vector<uint8_t>* encoded,
                           PictureSize* size) {
  quorvel::DecodedPicture decoded;
  Status status = quorvel::DecodePicture(file, box, &decoded);
  if (!status.ok()) return status;
  status = quorvel::FitSize({decoded.full_width, decoded.full_height}, box, size);
  if (!status.ok()) return status;
  Image resized;
  status = quorvel::Resample(decoded.image, size->width, size->height, &resized, decoded.shrink);
  if (!status.ok()) return status;
  return quorvel::EncodePicture(resized, type, options, encoded);
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

void ExpectAsWholePicture(std::span<const uint8_t> file, quorvel::TargetBox box, OutputType type,
                          quorvel::EncodeOptions options, const std::vector<uint8_t>& actual,
                          PictureSize size, Tolerance tolerance) {
  std::vector<uint8_t> whole;
  PictureSize whole_size;
  ASSERT_TRUE(ConvertWholePicture(file, box, type, options, &whole, &whole_size).ok());
  EXPECT_EQ(size, whole_size);
  if (tolerance.worst == 0) {
    EXPECT_TRUE(actual == whole) << "encoded bytes differ";
    return;
  }
  const FileDifference difference = CompareWrittenFiles(actual, whole);
  ASSERT_TRUE(difference.same_size);
  EXPECT_LE(difference.worst, tolerance.worst);
  EXPECT_LE(difference.mean, tolerance.mean);
}

}  // namespace kalvenix::testing
