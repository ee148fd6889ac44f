#include "converter/resample/fit_size.h"

#include <gtest/gtest.h>

#include "converter/base/output_type.h"

namespace quorvel {
namespace {

struct FitCase {
  PictureSize source;
  TargetBox box;
  PictureSize expected;
};

class FitSizeTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitSizeTest, FitsInsideTheBoxKeepingTheAspectRatio) {
  const FitCase& c = GetParam();
  PictureSize out;
  const Status status = FitSize(c.source, c.box, &out);
  ASSERT_TRUE(status.ok()) << status.context;
  EXPECT_EQ(out.width, c.expected.width);
  EXPECT_EQ(out.height, c.expected.height);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, FitSizeTest,
    ::testing::Values(
        // Landscape into 640 x 480: the width binds; 2848 * 640 / 4272 = 426.67.
        FitCase{{4272, 2848}, {640, 480}, {640, 427}},
        // Portrait: the height binds.
        FitCase{{2056, 3088}, {640, 480}, {320, 480}},
        // Same aspect: both sides exact.
        FitCase{{1600, 1200}, {640, 480}, {640, 480}},
        // Enlarging as well as reducing.
        FitCase{{32, 24}, {640, 480}, {640, 480}},
        FitCase{{10, 20}, {640, 480}, {240, 480}},
        // A free side (0 or negative) leaves the other to decide.
        FitCase{{4272, 2848}, {0, 480}, {720, 480}},
        FitCase{{4272, 2848}, {640, -5}, {640, 427}},
        FitCase{{4272, 2848}, {-1, 100}, {150, 100}},
        // Both free keep the size.
        FitCase{{4272, 2848}, {0, 0}, {4272, 2848}},
        FitCase{{7, 3}, {-640, -480}, {7, 3}},
        // A very wide picture never gets 0 rows, nor a tall one 0 columns.
        FitCase{{10000, 1}, {640, 480}, {640, 1}},
        FitCase{{1, 10000}, {640, 480}, {1, 480}},
        FitCase{{10000, 3}, {100, 0}, {100, 1}},
        // Rounding to the nearest pixel: 3 * 2 / 4 = 1.5 rounds up.
        FitCase{{4, 3}, {2, 100}, {2, 2}},
        FitCase{{1, 1}, {1, 1}, {1, 1}}));

TEST(FitSizeLimit, RefusesOutputsAboveTheLimit) {
  PictureSize out;
  // 30000 x 30000 is 900 megapixels.
  EXPECT_EQ(FitSize({100, 100}, {30000, 30000}, &out).code, Error::kTooLarge);
  // The largest box a user can type: a free side makes the other huge.
  EXPECT_EQ(FitSize({1, 1000}, {2147483647, 0}, &out).code, Error::kTooLarge);
  EXPECT_EQ(FitSize({1000, 1}, {0, 2147483647}, &out).code, Error::kTooLarge);
  EXPECT_EQ(FitSize({4000000, 1}, {2147483647, 2147483647}, &out).code, Error::kTooLarge);
  // 16000 x 16000 = 256 000 000 pixels is just within.
  EXPECT_TRUE(FitSize({100, 100}, {16000, 16000}, &out).ok());
  EXPECT_EQ(out, (PictureSize{16000, 16000}));
}

struct BoxCase {
  uint32_t width, height;
  TargetBox box;
  uint64_t fitted_width, fitted_height;
};

class FitIntoBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(FitIntoBoxTest, KeepsAspectInsideTheBox) {
  const BoxCase& c = GetParam();
  FittedSize f = FitIntoBox(c.width, c.height, c.box);
  EXPECT_EQ(f.width, c.fitted_width);
  EXPECT_EQ(f.height, c.fitted_height);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FitIntoBoxTest,
    ::testing::Values(BoxCase{4272, 2848, {640, 480}, 640, 427},
                      BoxCase{2056, 3088, {640, 480}, 320, 480},
                      BoxCase{1800, 1200, {0, 0}, 1800, 1200},
                      BoxCase{1800, 1200, {0, 600}, 900, 600},
                      BoxCase{1800, 1200, {300, -1}, 300, 200},
                      BoxCase{100, 100, {640, 480}, 480, 480},
                      BoxCase{10000, 1, {640, 480}, 640, 1},  // never below one pixel
                      // Beyond what FitSize hands on, still exact.
                      BoxCase{1, 1, {2147483647, 2147483647}, 2147483647, 2147483647}));

struct SuffixCase {
  const char* path;
  std::optional<OutputType> expected;
};

class OutputTypeTest : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(OutputTypeTest, ComesFromTheSuffixWithoutCase) {
  EXPECT_EQ(OutputTypeFromPath(GetParam().path), GetParam().expected) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, OutputTypeTest,
    ::testing::Values(SuffixCase{"/b/urlaub.BMP", OutputType::kBmp},
                      SuffixCase{"/b/urlaub.gif", OutputType::kGif},
                      SuffixCase{"/b/urlaub.JPG", OutputType::kJpeg},
                      SuffixCase{"/b/urlaub.Jpeg", OutputType::kJpeg},
                      SuffixCase{"/b/urlaub.pNg", OutputType::kPng},
                      SuffixCase{"/b/scan.01.PNG", OutputType::kPng},
                      SuffixCase{"urlaub.PNG", OutputType::kPng},
                      // The batch's destination for a source without any ".".
                      SuffixCase{"PNG", std::nullopt},
                      SuffixCase{"/b/Alte.Bilder/PNG", std::nullopt},
                      // With no type selected the destination ends in ".".
                      SuffixCase{"/b/urlaub.", std::nullopt},
                      SuffixCase{"/b/urlaub.TIF", std::nullopt},
                      SuffixCase{"/b/urlaub.JPGX", std::nullopt},
                      SuffixCase{"/b/urlaub.JP", std::nullopt},
                      SuffixCase{"/b.png/urlaub", std::nullopt}));

}  // namespace
}  // namespace quorvel
