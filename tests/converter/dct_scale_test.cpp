#include "converter/resample/dct_scale.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

struct ScaleCase {
  uint32_t width, height;
  int orientation;
  TargetBox box;
  uint32_t denominator;
};

class DctScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DctScaleTest, SmallestScaleLeavingTwiceTheFit) {
  const ScaleCase& c = GetParam();
  EXPECT_EQ(ChooseDctDenominator(c.width, c.height, c.orientation, c.box), c.denominator);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DctScaleTest,
    ::testing::Values(
        // 12 MP into 640 x 480 fits to 640 x 427: 1/4 gives 1068 < 1280.
        ScaleCase{4272, 2848, 1, {640, 480}, 2},
        // 20 MP: 1/4 gives 1507 x 848 >= 1280 x 720.
        ScaleCase{6028, 3391, 1, {640, 480}, 4},
        ScaleCase{8000, 6000, 1, {640, 480}, 4},
        ScaleCase{10240, 7680, 1, {640, 480}, 8},  // exactly 2x at 1/8
        ScaleCase{10232, 7674, 1, {640, 480}, 4},  // just short of it
        ScaleCase{4272, 2848, 1, {0, 0}, 1},       // free box: full size
        ScaleCase{4272, 2848, 1, {-5, -1}, 1},
        ScaleCase{800, 600, 1, {640, 480}, 1},     // small picture
        ScaleCase{640, 480, 1, {2000, 2000}, 1},   // enlarging
        ScaleCase{4000, 3000, 1, {100, 0}, 8},     // only the width constrained
        ScaleCase{4000, 3000, 1, {0, 100}, 8},
        ScaleCase{3000, 4000, 1, {640, 480}, 4},   // portrait: height decides (360 x 480)
        // Stored 3000 x 4000 shown turned (orientation 6) is 4000 x 3000
        // upright; fitting gives 640 x 480 and 1/2 leaves 2000 x 1500.
        ScaleCase{3000, 4000, 6, {640, 480}, 2},
        ScaleCase{4000, 3000, 6, {640, 480}, 4},
        ScaleCase{1, 1, 1, {640, 480}, 1},
        ScaleCase{65500, 1, 1, {640, 480}, 1},     // 1/2 would lose the one row's share
        ScaleCase{0, 0, 1, {640, 480}, 1}));

TEST(DctScaleTest, ScaledSideRoundsUpLikeLibjpeg) {
  EXPECT_EQ(ScaledSide(4272, 8), 534u);
  EXPECT_EQ(ScaledSide(227, 8), 29u);
  EXPECT_EQ(ScaledSide(1, 8), 1u);
}

}  // namespace
}  // namespace quorvel
