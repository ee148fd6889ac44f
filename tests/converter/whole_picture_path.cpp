#include "whole_picture_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "converter/band_worker.h"
#include "converter/bmp_reader.h"
#include "converter/convert_file.h"
#include "converter/decode.h"
#include "converter/jpeg_pipeline.h"
#include "converter/png_pipeline.h"
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

Status ConvertInBands(Route route, std::span<const uint8_t> file, TargetBox box,
                      OutputType type, EncodeOptions options, std::vector<uint8_t>* encoded,
                      PictureSize* produced, bool* banded, bool with_worker) {
  const Plan plan = PlanConversion(ProbePicture(file), box, type);
  *banded = plan.route == route;
  if (!*banded) return Status::Ok();
  EXPECT_TRUE(plan.two_threads);
  BandWorker band_worker;
  std::unique_ptr<BandWorker::Lease> worker = with_worker ? band_worker.TryAcquire() : nullptr;
  EXPECT_EQ(worker != nullptr, with_worker) << "the band worker is held elsewhere";
  const Status status =
      route == Route::kJpegBands
          ? ConvertJpegInBands(file, box, type, options, plan, worker.get(), encoded)
          : ConvertPngInBands(file, box, type, options, plan, worker.get(), encoded);
  if (status.ok()) *produced = plan.size;
  return status;
}

void ExpectAsWholePicture(Route route, std::span<const uint8_t> file, TargetBox box,
                          OutputType type, EncodeOptions options, BandExpectation expected) {
  std::vector<uint8_t> whole;
  PictureSize whole_size;
  ASSERT_TRUE(ConvertWholePicture(file, box, type, options, &whole, &whole_size).ok());
  std::vector<uint8_t> actual;
  PictureSize size;
  bool banded = !expected.banded;
  const Status status = ConvertInBands(route, file, box, type, options, &actual, &size, &banded);
  ASSERT_EQ(banded, expected.banded);
  if (!banded) {
    EXPECT_TRUE(status.ok());
    EXPECT_TRUE(actual.empty());
    return;
  }
  ASSERT_TRUE(status.ok()) << status.context;
  EXPECT_EQ(size, whole_size);
  std::vector<uint8_t> alone;
  ASSERT_TRUE(
      ConvertInBands(route, file, box, type, options, &alone, &size, &banded, false).ok());
  EXPECT_TRUE(alone == actual) << "bytes differ without the worker";
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
