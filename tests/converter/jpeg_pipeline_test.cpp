// The band pipeline must write what the whole-picture pipeline writes: same
// size, same pixels (byte for byte where nothing is turned), same failures.
#include "converter/pipeline/jpeg_pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter/pipeline/band_worker.h"
#include "converter/pipeline/conversion_plan.h"
#include "converter/pipeline/convert_file.h"
#include "converter/write/jpeg_writer.h"
#include "testdata.h"
#include "whole_picture_path.h"

namespace quorvel {
namespace {

using testing::ConvertWholePicture;
using testing::ReadTestFile;

struct Case {
  const char* name;
  const char* file;
  TargetBox box;
  OutputType type;
  int32_t quality;
  bool banded;     // the band pipeline takes it
  int tolerance;   // largest channel difference allowed; 0: the same bytes
  double mean_tolerance = 0;  // mean channel difference allowed
};

const Case kCases[] = {
    {"Photo420ToJpeg", "photos/LadyBird.jpg", {640, 480}, OutputType::kJpeg, 100, true, 0},
    // Progressive: the decoding thread resamples the lower half itself.
    {"IccProgressiveToPng", "photos/plasma-ColorfulCups-2560x1600.jpg", {320, 200},
     OutputType::kPng, 100, true, 0},
    {"ProgressiveToJpeg", "photos/friends_by_Aitzol_Berasategi.jpg", {640, 480},
     OutputType::kJpeg, 100, true, 0},
    {"ProgressiveEnlargedToGif", "jpeg/peacock.progressive.jpg", {250, 0}, OutputType::kGif, 100,
     true, 0},
    {"ProgressiveTwoRowsToJpeg", "jpeg/jpg-progressive.jpg", {0, 2}, OutputType::kJpeg, 80, true,
     0},
    {"ProgressiveOneRowToBmp", "jpeg/jpg-progressive.jpg", {0, 1}, OutputType::kBmp, 100, true, 0},
    {"GreyToJpeg", "jpeg/hopper_gray.jpg", {64, 64}, OutputType::kJpeg, 90, true, 0},
    {"OddSizeEnlarged", "jpeg/jpg-size-17x17.jpg", {40, 0}, OutputType::kJpeg, 75, true, 0},
    {"ArithmeticToBmp", "jpeg/testimgari.jpg", {100, 100}, OutputType::kBmp, 100, true, 0},
    {"RestartsToGif", "jpeg/restarts.jpg", {20, 20}, OutputType::kGif, 100, true, 0},
    {"OriginalSizeJpeg", "jpeg/rgb.jpg", {0, 0}, OutputType::kJpeg, 85, true, 0},
    {"OneRowHigh", "jpeg/grayscale_large.jpg", {500, 0}, OutputType::kJpeg, 100, true, 0},
    {"FlippedToBmp", "exif/Landscape_2.jpg", {300, 300}, OutputType::kBmp, 100, true, 0},
    // Turned half round, each filter meets its taps in the other order: the
    // sums round apart by a level at a rare pixel.
    {"Turned180ToBmp", "exif/Landscape_3.jpg", {300, 300}, OutputType::kBmp, 100, true, 1, 0.001},
    {"TurnedRightToBmp", "exif/Landscape_6.jpg", {300, 300}, OutputType::kBmp, 100, true, 16, 0.1},
    {"TransverseToBmp", "exif/Landscape_7.jpg", {300, 300}, OutputType::kBmp, 100, true, 16, 0.1},
    {"CmykStaysWhole", "jpeg/pil_sample_cmyk.jpg", {50, 50}, OutputType::kJpeg, 100, false, 0},
    {"OriginalSizePngStaysWhole", "jpeg/rgb.jpg", {0, 0}, OutputType::kPng, 100, false, 0},
    {"TurnedOriginalSizeStaysWhole", "exif/Landscape_6.jpg", {0, 0}, OutputType::kJpeg, 100,
     false, 0},
    {"PngIsNotForBands", "png/hopper.png", {64, 64}, OutputType::kJpeg, 100, false, 0},
};

class JpegPipelineTest : public ::testing::TestWithParam<Case> {};

// A quarter-turned picture is filtered across first and down second in its
// stored axes, the whole path the other way round; the anti-ringing clamp
// then differs at a few hard edges.
TEST_P(JpegPipelineTest, WritesWhatTheWholePicturePathWrites) {
  KALVENIX_REQUIRE_TESTDATA();
  const Case& c = GetParam();
  const std::vector<uint8_t> file = ReadTestFile(c.file);
  ASSERT_FALSE(file.empty()) << c.file;
  testing::ExpectAsWholePicture(Route::kJpegBands, file, c.box, c.type, {false, c.quality},
                                {c.banded, c.tolerance, c.mean_tolerance});
}

INSTANTIATE_TEST_SUITE_P(Pictures, JpegPipelineTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A file that ends inside its entropy data fails as the whole path fails,
// and leaves the worker free for the next picture.
TEST(JpegPipelineFailure, TruncatedFileFailsAndFreesTheWorker) {
  KALVENIX_REQUIRE_TESTDATA();
  std::vector<uint8_t> file = ReadTestFile("photos/LadyBird.jpg");
  const std::vector<uint8_t> whole = file;
  file.resize(file.size() * 6 / 10);
  std::vector<uint8_t> encoded, expected;
  PictureSize size;
  const Status reference =
      ConvertWholePicture(file, {640, 480}, OutputType::kJpeg, {}, &expected, &size);
  ASSERT_FALSE(reference.ok());
  bool handled = false;
  Status status = testing::ConvertInBands(Route::kJpegBands, file, {640, 480}, OutputType::kJpeg,
                                          {}, &encoded, &size, &handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(status.code, reference.code);
  EXPECT_EQ(status.context, reference.context);

  status = testing::ConvertInBands(Route::kJpegBands, whole, {640, 480}, OutputType::kJpeg, {},
                                   &encoded, &size, &handled);
  EXPECT_TRUE(handled);
  EXPECT_TRUE(status.ok());
}

// A box beyond the output limit is refused from the header, as before: the
// plan leaves it to the whole path, whose reader refuses it.
TEST(JpegPipelineFailure, OversizedBoxIsRefused) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::vector<uint8_t> file = ReadTestFile("jpeg/testorig.jpg");
  const Plan plan = PlanConversion(ProbePicture(file), {60000, 60000}, OutputType::kJpeg);
  EXPECT_EQ(plan.route, Route::kWhole);
  EXPECT_EQ(plan.why, WholeBecause::kSize);
  std::vector<uint8_t> encoded;
  PictureSize size;
  const Status status =
      ConvertPicture(file, {60000, 60000}, OutputType::kJpeg, {}, &encoded, &size);
  EXPECT_EQ(status.code, Error::kTooLarge);
  EXPECT_TRUE(encoded.empty());
}

// While another conversion holds the worker, a picture planned for bands is
// still converted in bands, on this thread, to the same bytes; a
// progressive one too, whose rows the worker would otherwise split.
TEST(JpegPipelineWorker, BusyWorkerStillBandsOnThisThread) {
  KALVENIX_REQUIRE_TESTDATA();
  for (const char* name : {"jpeg/testorig.jpg", "photos/friends_by_Aitzol_Berasategi.jpg"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> file = ReadTestFile(name);
    std::vector<uint8_t> alone, shared;
    PictureSize size;
    ConverterContext context;
    {
      std::unique_ptr<BandWorker::Lease> held = context.worker().TryAcquire();
      ASSERT_NE(held, nullptr);
      EXPECT_EQ(context.worker().TryAcquire(), nullptr);
      ASSERT_TRUE(
          ConvertPicture(file, {50, 50}, OutputType::kJpeg, {}, &alone, &size, &context).ok());
    }
    ASSERT_TRUE(
        ConvertPicture(file, {50, 50}, OutputType::kJpeg, {}, &shared, &size, &context).ok());
    EXPECT_FALSE(alone.empty());
    EXPECT_TRUE(alone == shared);
  }
}

// Rows given to the encoder in uneven runs make the same file as one run.
TEST(JpegRowEncoderTest, UnevenRunsMakeTheSameFile) {
  for (uint32_t channels : {3u, 4u}) {
    Image image{77, 45, channels, {}};
    image.pixels.resize(image.stride() * image.height);
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint8_t(i * 7 + i / 91);
    std::vector<uint8_t> whole;
    ASSERT_TRUE(EncodeJpeg(image, 92, &whole).ok());
    JpegRowEncoder encoder;
    ASSERT_TRUE(encoder.Start(image.width, image.height, channels, 92).ok());
    uint32_t y = 0;
    for (uint32_t run : {1u, 40u, 0u, 3u, 1u}) {
      ASSERT_TRUE(encoder.Write(image.row(y), run, image.stride()).ok());
      y += run;
    }
    std::vector<uint8_t> runs;
    ASSERT_TRUE(encoder.Finish(&runs).ok());
    EXPECT_TRUE(runs == whole) << channels << " channels";
  }
}

}  // namespace
}  // namespace quorvel
