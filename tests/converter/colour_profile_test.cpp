#include "converter/colour/colour_profile.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "test_pictures.h"

namespace quorvel::testing {
namespace {

struct CmykCase {
  PixelModel model;
  std::array<uint8_t, 4> cmyk;
  std::array<uint8_t, 3> rgb;
};

class InverseCmykTest : public ::testing::TestWithParam<CmykCase> {};

TEST_P(InverseCmykTest, UntaggedCmykBecomesRgb) {
  SourcePicture picture;
  picture.model = GetParam().model;
  picture.image = {1, 1, 4, {GetParam().cmyk.begin(), GetParam().cmyk.end()}};
  ASSERT_TRUE(ConvertToSrgb(&picture).ok());
  EXPECT_EQ(picture.model, PixelModel::kRgb);
  ASSERT_EQ(picture.image.channels, 3u);
  EXPECT_EQ(picture.image.pixels, std::vector<uint8_t>(GetParam().rgb.begin(), GetParam().rgb.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, InverseCmykTest,
    ::testing::Values(CmykCase{PixelModel::kCmyk, {0, 0, 0, 0}, {255, 255, 255}},
                      CmykCase{PixelModel::kCmyk, {255, 0, 0, 0}, {0, 255, 255}},
                      CmykCase{PixelModel::kCmyk, {0, 0, 0, 255}, {0, 0, 0}},
                      CmykCase{PixelModel::kCmyk, {0, 128, 255, 0}, {255, 127, 0}},
                      // Adobe stores 255 for no ink.
                      CmykCase{PixelModel::kCmykInverted, {255, 255, 255, 255}, {255, 255, 255}},
                      CmykCase{PixelModel::kCmykInverted, {0, 255, 255, 255}, {0, 255, 255}},
                      CmykCase{PixelModel::kCmykInverted, {255, 255, 255, 0}, {0, 0, 0}},
                      CmykCase{PixelModel::kCmykInverted, {255, 255, 255, 128}, {128, 128, 128}}));

TEST(ColourProfileTest, DamagedProfileIsIgnored) {
  SourcePicture picture;
  picture.model = PixelModel::kRgb;
  picture.image = {2, 1, 3, {10, 200, 30, 40, 50, 60}};
  picture.icc_profile = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'I', 'C', 'C'};
  std::vector<uint8_t> before = picture.image.pixels;
  ASSERT_TRUE(ConvertToSrgb(&picture).ok());
  EXPECT_EQ(picture.image.pixels, before);
}

TEST(ColourProfileTest, ConcurrentDecodesShareTransformsSafely) {
  KALVENIX_REQUIRE_TESTDATA();
  // Profiles of several kinds (Adobe RGB, split over APP2, PNG iCCP with
  // alpha, CMYK) decoded on two threads at once must give what one gives.
  const std::vector<std::string> paths = {"jpeg/icc_profile_big.jpg", "png/icc_profile.png",
                                          "jpeg/pil_sample_rgb.jpg", "jpeg/pil_sample_cmyk.jpg"};
  std::vector<DecodedPicture> alone(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) ASSERT_TRUE(DecodeTestFile(paths[i], &alone[i]).ok());
  std::vector<int> mismatches(2, 0);
  auto work = [&](int thread) {
    for (int round = 0; round < 4; ++round)
      for (size_t i = 0; i < paths.size(); ++i) {
        DecodedPicture p;
        if (!DecodeTestFile(paths[i], &p).ok() || p.image.pixels != alone[i].image.pixels) ++mismatches[size_t(thread)];
      }
  };
  std::thread a(work, 0), b(work, 1);
  a.join();
  b.join();
  EXPECT_EQ(mismatches[0] + mismatches[1], 0);
}

}  // namespace
}  // namespace quorvel::testing
