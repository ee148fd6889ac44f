// The EXIF set: every orientation comes out upright.
#include "converter/read/exif_orientation.h"

#include <gtest/gtest.h>

#include "converter/resample/orientation.h"
#include "test_pictures.h"

namespace quorvel::testing {
namespace {

struct ExifCase {
  std::string set;  // "Landscape" or "Portrait"
  int orientation;
};

class ExifSetTest : public ::testing::TestWithParam<ExifCase> {};

TEST_P(ExifSetTest, ComesOutUprightAtTheShownSize) {
  KALVENIX_REQUIRE_TESTDATA();
  const ExifCase& c = GetParam();
  bool landscape = c.set == "Landscape";
  DecodedPicture picture, upright;
  std::string path = "exif/" + c.set + "_" + std::to_string(c.orientation) + ".jpg";
  ASSERT_TRUE(DecodeTestFile(path, &picture).ok());
  EXPECT_EQ(picture.image.width, landscape ? 1800u : 1200u);
  EXPECT_EQ(picture.image.height, landscape ? 1200u : 1800u);
  EXPECT_EQ(picture.full_width, picture.image.width);
  // Each file is the same photo with its digit; stored turned or mirrored,
  // it differs from _1 wholesale, upright only by JPEG noise and the digit.
  ASSERT_TRUE(DecodeTestFile("exif/" + c.set + "_1.jpg", &upright).ok());
  PixelDifference d = Compare(BoxReduce(picture.image, 8), BoxReduce(upright.image, 8));
  EXPECT_LT(d.mean, 6.0) << path;
}

std::vector<ExifCase> AllExifCases() {
  std::vector<ExifCase> cases;
  for (const char* set : {"Landscape", "Portrait"})
    for (int o = 0; o <= 8; ++o) cases.push_back({set, o});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Set, ExifSetTest, ::testing::ValuesIn(AllExifCases()), [](const auto& info) {
  return info.param.set + std::to_string(info.param.orientation);
});

TEST(ExifOrientationTest, ScaledDecodeKeepsOrientationAndUprightFullSize) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  ASSERT_TRUE(DecodeTestFile("exif/Landscape_6.jpg", &picture, {300, 300}).ok());
  EXPECT_EQ(picture.full_width, 1800u);
  EXPECT_EQ(picture.full_height, 1200u);
  // Fitted 300 x 200: 1/4 would leave 450 x 300 upright, short of twice
  // the fit, so 1/2 it is; turned, the stored 1200 x 1800 gives 900 x 600.
  EXPECT_EQ(picture.image.width, 900u);
  EXPECT_EQ(picture.image.height, 600u);
}

TEST(ExifOrientationTest, DamagedOrMissingTagMeansUpright) {
  const uint8_t garbage[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F};
  EXPECT_EQ(ReadExifOrientation(garbage), 1);
  EXPECT_EQ(ReadExifOrientation({}), 1);
}

TEST(OrientationTest, EachValueMovesEveryPixel) {
  // Upright pixels, row by row, of a 2 x 3 stored picture numbered 0..5.
  const std::vector<std::vector<uint8_t>> expected = {
      {0, 1, 2, 3, 4, 5}, {1, 0, 3, 2, 5, 4}, {5, 4, 3, 2, 1, 0}, {4, 5, 2, 3, 0, 1},
      {0, 2, 4, 1, 3, 5}, {4, 2, 0, 5, 3, 1}, {5, 3, 1, 4, 2, 0}, {1, 3, 5, 0, 2, 4}};
  for (uint32_t channels : {3u, 4u}) {
    Image stored{2, 3, channels, {}};
    for (uint8_t i = 0; i < 6; ++i)
      for (uint32_t c = 0; c < channels; ++c) stored.pixels.push_back(uint8_t(i * 10 + c));
    for (int o = 1; o <= 8; ++o) {
      Image image = stored;
      ASSERT_TRUE(ApplyOrientation(o, &image).ok());
      std::vector<uint8_t> got;
      for (size_t i = 0; i < image.pixels.size(); i += channels) {
        got.push_back(image.pixels[i] / 10);
        for (uint32_t c = 1; c < channels; ++c) EXPECT_EQ(image.pixels[i + c], image.pixels[i] + c);
      }
      EXPECT_EQ(got, expected[size_t(o - 1)]) << "orientation " << o << ", " << channels << " channels";
      EXPECT_EQ(image.width, o >= 5 ? 3u : 2u);
      // The size rule the pipelines plan with must match the pixels turned.
      EXPECT_EQ(UprightSize({2, 3}, o), (PictureSize{image.width, image.height})) << o;
    }
  }
  // Out-of-range values leave the picture as stored, its size too.
  for (int o : {0, 9, -6}) EXPECT_EQ(UprightSize({2, 3}, o), (PictureSize{2, 3})) << o;
}

}  // namespace
}  // namespace quorvel::testing
