// The way each kind of picture goes, one row per rule; and the header probe
// that feeds the plan, on real files.
#include "converter/pipeline/conversion_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testdata.h"
#include "whole_picture_path.h"

namespace quorvel {
namespace {

PictureHeader Header(PictureFormat format, uint32_t width, uint32_t height, int orientation = 1,
                     PixelModel model = PixelModel::kRgb) {
  PictureHeader h;
  h.format = format;
  h.readable = true;
  h.stored_width = width;
  h.stored_height = height;
  h.orientation = orientation;
  h.model = model;
  return h;
}

PictureHeader Progressive(PictureHeader h) {
  h.all_scans_first = true;
  return h;
}

PictureHeader Interlaced(PictureHeader h) {
  h.interlaced = true;
  return h;
}

PictureHeader RowsAsStored(PictureHeader h) {
  h.rows_as_stored = true;
  return h;
}

constexpr auto kJpeg = PictureFormat::kJpeg;
constexpr auto kPng = PictureFormat::kPng;

struct Row {
  const char* name;
  PictureHeader header;
  TargetBox box;
  OutputType type;
  Route route;
  WholeBecause why;
  PictureSize size;
  uint32_t dct_denominator;
  bool two_threads;
  bool split_rows;
  bool own_unfilter;
};

const Row kRows[] = {
    // The band routes.
    {"JpegPhotoShrunk", Header(kJpeg, 4000, 3000), {640, 480}, OutputType::kJpeg,
     Route::kJpegBands, WholeBecause::kBanded, {640, 480}, 2, true, false, false},
    {"ProgressiveSplitsTheRows", Progressive(Header(kJpeg, 4000, 3000)), {640, 480},
     OutputType::kPng, Route::kJpegBands, WholeBecause::kBanded, {640, 480}, 2, true, true,
     false},
    {"ProgressiveOneRowDoesNotSplit", Progressive(Header(kJpeg, 400, 300)), {0, 1},
     OutputType::kBmp, Route::kJpegBands, WholeBecause::kBanded, {1, 1}, 8, true, false, false},
    {"JpegKeptSizeStreamsIntoJpeg", Progressive(Header(kJpeg, 300, 200)), {0, 0},
     OutputType::kJpeg, Route::kJpegBands, WholeBecause::kBanded, {300, 200}, 1, true, false,
     false},
    {"JpegTurnedIsResampledAsStored", Header(kJpeg, 4000, 3000, 6), {640, 480},
     OutputType::kBmp, Route::kJpegBands, WholeBecause::kBanded, {360, 480}, 4, true, false,
     false},
    {"PngPhotoUnfiltersItself", RowsAsStored(Header(kPng, 1000, 800)), {500, 400},
     OutputType::kJpeg, Route::kPngBands, WholeBecause::kBanded, {500, 400}, 1, true, false,
     true},
    {"PngPaletteThroughLibspng", Header(kPng, 1000, 800), {500, 400}, OutputType::kGif,
     Route::kPngBands, WholeBecause::kBanded, {500, 400}, 1, true, false, false},
    // Each reason to stay whole; two threads only for a large resample.
    {"CmykJpeg", Header(kJpeg, 4000, 3000, 1, PixelModel::kCmykInverted), {640, 480},
     OutputType::kJpeg, Route::kWhole, WholeBecause::kColourModel, {640, 480}, 2, true, false,
     false},
    {"SmallCmykJpegOneThread", Header(kJpeg, 100, 100, 1, PixelModel::kCmyk), {50, 50},
     OutputType::kJpeg, Route::kWhole, WholeBecause::kColourModel, {50, 50}, 1, false, false,
     false},
    {"InterlacedPng", RowsAsStored(Interlaced(Header(kPng, 1000, 800))), {500, 400},
     OutputType::kPng, Route::kWhole, WholeBecause::kInterlaced, {500, 400}, 1, true, false,
     false},
    {"Gif", Header(PictureFormat::kGif, 300, 200), {30, 20}, OutputType::kPng, Route::kWhole,
     WholeBecause::kFormat, {30, 20}, 1, false, false, false},
    {"LargeBmp", Header(PictureFormat::kBmp, 2000, 1000), {1000, 1000}, OutputType::kJpeg,
     Route::kWhole, WholeBecause::kFormat, {1000, 500}, 1, true, false, false},
    {"OneRowOutputOneThread", Header(PictureFormat::kBmp, 2000, 1000), {0, 1},
     OutputType::kJpeg, Route::kWhole, WholeBecause::kFormat, {2, 1}, 1, false, false, false},
    {"UnreadableHeader", PictureHeader{}, {640, 480}, OutputType::kJpeg, Route::kWhole,
     WholeBecause::kHeader, {0, 0}, 1, false, false, false},
    {"BoxBeyondTheOutputLimit", Header(kJpeg, 100, 100), {60000, 60000}, OutputType::kJpeg,
     Route::kWhole, WholeBecause::kSize, {0, 0}, 1, false, false, false},
    {"JpegKeptSizeIntoPng", Header(kJpeg, 300, 200), {0, 0}, OutputType::kPng, Route::kWhole,
     WholeBecause::kNothingToShare, {300, 200}, 1, false, false, false},
    {"JpegTurnedKeptSizeIntoJpeg", Header(kJpeg, 300, 200, 6), {0, 0}, OutputType::kJpeg,
     Route::kWhole, WholeBecause::kNothingToShare, {200, 300}, 1, false, false, false},
    {"PngKeptSizeIntoJpeg", Header(kPng, 300, 200), {300, 200}, OutputType::kJpeg,
     Route::kWhole, WholeBecause::kNothingToShare, {300, 200}, 1, false, false, false},
};

class PlanTable : public ::testing::TestWithParam<Row> {};

TEST_P(PlanTable, PicksTheRowsPlan) {
  const Row& r = GetParam();
  const Plan plan = PlanConversion(r.header, r.box, r.type);
  EXPECT_EQ(plan.route, r.route);
  EXPECT_EQ(plan.why, r.why);
  EXPECT_EQ(plan.size, r.size);
  EXPECT_EQ(plan.dct_denominator, r.dct_denominator);
  EXPECT_EQ(plan.two_threads, r.two_threads);
  EXPECT_EQ(plan.split_rows, r.split_rows);
  EXPECT_EQ(plan.own_unfilter, r.own_unfilter);
}

INSTANTIATE_TEST_SUITE_P(Rules, PlanTable, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The probe reads what the readers read: the facts the rules above turn on.
TEST(ProbePicture, ReadsTheFactsThePlanNeeds) {
  KALVENIX_REQUIRE_TESTDATA();
  using testing::ReadTestFile;
  PictureHeader h = ProbePicture(ReadTestFile("jpeg/peacock.progressive.jpg"));
  EXPECT_TRUE(h.readable);
  EXPECT_EQ(h.format, kJpeg);
  EXPECT_TRUE(h.all_scans_first);
  h = ProbePicture(ReadTestFile("jpeg/testorig.jpg"));
  EXPECT_TRUE(h.readable);
  EXPECT_FALSE(h.all_scans_first);
  EXPECT_EQ(h.model, PixelModel::kRgb);
  h = ProbePicture(ReadTestFile("jpeg/pil_sample_cmyk.jpg"));
  EXPECT_TRUE(IsCmyk(h.model));
  h = ProbePicture(ReadTestFile("exif/Landscape_6.jpg"));
  EXPECT_EQ(h.orientation, 6);
  h = ProbePicture(ReadTestFile("png/hippopotamus.interlaced.png"));
  EXPECT_TRUE(h.readable);
  EXPECT_TRUE(h.interlaced);
  h = ProbePicture(ReadTestFile("png/hopper.png"));
  EXPECT_FALSE(h.interlaced);
  EXPECT_TRUE(h.rows_as_stored);
  EXPECT_EQ(h.stored_width, 128u);
}

// A header cut off or lying leaves the plan with nothing to go on.
TEST(ProbePicture, DamagedHeadersAreUnreadable) {
  const std::vector<uint8_t> jpeg_start = {0xFF, 0xD8, 0xFF, 0xE0, 0x00};
  const std::vector<uint8_t> png_signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const std::vector<uint8_t> gif_no_screen = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
  for (const auto& file : {jpeg_start, png_signature, gif_no_screen, std::vector<uint8_t>{}}) {
    const PictureHeader h = ProbePicture(file);
    EXPECT_FALSE(h.readable);
    EXPECT_EQ(PlanConversion(h, {640, 480}, OutputType::kJpeg).route, Route::kWhole);
  }
}

}  // namespace
}  // namespace quorvel
