#include "whole_picture_path.h"

#include <gtest/gtest.h>

#include <memory>

#include "converter/pipeline/band_worker.h"
#include "converter/pipeline/jpeg_pipeline.h"
#include "converter/pipeline/png_pipeline.h"

namespace quorvel::testing {

Status ConvertInBands(Route route, std::span<const uint8_t> file, TargetBox box,
                      OutputType type, EncodeOptions options, std::vector<uint8_t>* encoded,
                      PictureSize* produced, bool* banded, bool with_worker) {
  const Plan plan = PlanConversion(ProbePicture(file), box, type);
  *banded = plan.route == route;
  if (!*banded) return Status::Ok();
  EXPECT_TRUE(plan.two_threads);
  BandWorker band_worker;
  std::unique_ptr<BandWorker::Lease> worker = with_worker ? band_worker.TryAcquire() : nullptr;
  EXPECT_EQ(worker != nullptr, with_worker) << "no thread for the band worker";
  const Status status =
      route == Route::kJpegBands
          ? ConvertJpegInBands(file, box, type, options, plan, worker.get(), encoded)
          : ConvertPngInBands(file, box, type, options, plan, worker.get(), encoded);
  if (status.ok()) *produced = plan.size;
  return status;
}

void ExpectAsWholePicture(Route route, std::span<const uint8_t> file, TargetBox box,
                          OutputType type, EncodeOptions options, BandExpectation expected) {
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
  std::vector<uint8_t> alone;
  PictureSize alone_size;
  ASSERT_TRUE(ConvertInBands(route, file, box, type, options, &alone, &alone_size, &banded,
                             false).ok());
  EXPECT_TRUE(alone == actual) << "bytes differ without the worker";
  kalvenix::testing::ExpectAsWholePicture(file, box, type, options, actual, size,
                                          {expected.tolerance, expected.mean_tolerance});
}

}  // namespace quorvel::testing
