#include "converter/resample/resample.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "picture_checks.h"
#include "testdata.h"

namespace quorvel {
namespace {

using testing::MakeImage;

Image Resampled(const Image& source, uint32_t width, uint32_t height) {
  Image out;
  const Status status = Resample(source, width, height, &out);
  EXPECT_TRUE(status.ok()) << status.context;
  return out;
}

// Against a plain double-precision Lanczos-3 without the box stage or the
// anti-ringing clamp, on smooth waves where the clamp has nothing to do.
// 45 dB is far above what a wrong phase (half a pixel off) or a wrong kernel
// width gives (below 30 dB on this card); the box stage costs a little
// near the output's Nyquist frequency.
struct ScaleCase {
  uint32_t width, height, to_width, to_height;
  double min_psnr;
};

class ResampleAccuracyTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ResampleAccuracyTest, AgreesWithAPlainLanczos) {
  const ScaleCase& c = GetParam();
  const Image card = testing::WaveCard(c.width, c.height);
  const Image ours = Resampled(card, c.to_width, c.to_height);
  const Image reference = testing::ReferenceLanczos(card, c.to_width, c.to_height);
  EXPECT_GE(testing::Psnr(ours, reference), c.min_psnr);
}

INSTANTIATE_TEST_SUITE_P(Scales, ResampleAccuracyTest,
                         ::testing::Values(ScaleCase{600, 400, 200, 133, 45.0},
                                           ScaleCase{601, 401, 301, 201, 45.0},
                                           ScaleCase{200, 150, 520, 390, 45.0},
                                           // 2.5 and 7/3: outputs share weights by
                                           // phase, 2 and 3 of them.
                                           ScaleCase{500, 420, 200, 180, 45.0},
                                           // Factor 6: the box stage averages by 3 first.
                                           ScaleCase{960, 720, 160, 120, 38.0}));

// A 640 x 400 crop keeps the slow reference quick. The grey photo's top
// left is thin bright lines on black, where a clamp to the main lobe alone
// flattened the lines' own contrast (46.8 dB; 47.4 dB now).
struct PhotoCase {
  const char* file;
  uint32_t left, top, to_width, to_height;
  double min_psnr;
};

class ResamplePhotoTest : public ::testing::TestWithParam<PhotoCase> {};

TEST_P(ResamplePhotoTest, AgreesWithAPlainLanczos) {
  KALVENIX_REQUIRE_TESTDATA();
  const PhotoCase& c = GetParam();
  auto photo = testing::DecodeFileWithQt(kalvenix::testing::TestdataPath("photos/") + c.file);
  ASSERT_TRUE(photo.has_value());
  Image crop = MakeImage(640, 400, 3, [&](uint32_t x, uint32_t y, uint8_t* p) {
    std::copy_n(photo->row(y + c.top) + (x + c.left) * photo->channels, 3, p);
  });
  const double psnr = testing::Psnr(Resampled(crop, c.to_width, c.to_height),
                                    testing::ReferenceLanczos(crop, c.to_width, c.to_height));
  EXPECT_GE(psnr, c.min_psnr);
}

INSTANTIATE_TEST_SUITE_P(Photos, ResamplePhotoTest,
                         ::testing::Values(PhotoCase{"LadyBird.jpg", 900, 600, 256, 160, 50.0},
                                           PhotoCase{"plasma-Grey-2560x1600.jpg", 0, 0, 160,
                                                     100, 47.0},
                                           PhotoCase{"plasma-Grey-2560x1600.jpg", 1200, 700,
                                                     320, 200, 58.0}));

TEST(ResampleTest, FlatPictureStaysFlatAtEverySize) {
  for (uint32_t channels : {3u, 4u}) {
    const Image flat = MakeImage(37, 23, channels, [&](uint32_t, uint32_t, uint8_t* p) {
      p[0] = 200, p[1] = 17, p[2] = 99;
      if (channels == 4) p[3] = 180;
    });
    for (auto [w, h] : {std::pair{1u, 1u}, {5u, 3u}, {36u, 23u}, {300u, 200u}}) {
      const Image out = Resampled(flat, w, h);
      ASSERT_EQ(out.width, w);
      ASSERT_EQ(out.height, h);
      ASSERT_EQ(out.channels, channels);
      for (size_t i = 0; i < out.pixels.size(); i += channels) {
        ASSERT_NEAR(out.pixels[i], 200, 1);
        ASSERT_NEAR(out.pixels[i + 1], 17, 1);
        ASSERT_NEAR(out.pixels[i + 2], 99, 1);
        if (channels == 4) {
          ASSERT_NEAR(out.pixels[i + 3], 180, 1);
        }
      }
    }
  }
}

TEST(ResampleTest, TransparentNeighboursLeaveNoDarkFringe) {
  // Opaque orange beside fully transparent black (the colour of a transparent
  // pixel means nothing, and black is the usual garbage).
  const Image edge = MakeImage(90, 60, 4, [](uint32_t x, uint32_t y, uint8_t* p) {
    const bool inside = (x - 45) * (x - 45) + (y - 30) * (y - 30) < 400;
    p[0] = inside ? 255 : 0, p[1] = inside ? 140 : 0, p[2] = 0, p[3] = inside ? 255 : 0;
  });
  for (auto [w, h] : {std::pair{30u, 20u}, {270u, 180u}}) {
    const Image out = Resampled(edge, w, h);
    int partial = 0;
    for (size_t i = 0; i < out.pixels.size(); i += 4) {
      if (out.pixels[i + 3] < 8) continue;  // too faint for a colour to matter
      partial += out.pixels[i + 3] < 250;
      ASSERT_GE(out.pixels[i], 250) << "pixel " << i / 4 << " darkened";
      ASSERT_NEAR(out.pixels[i + 1], 140, 3) << "pixel " << i / 4;
    }
    EXPECT_GT(partial, 10);  // the edge really is soft, so the check saw it
  }
}

TEST(ResampleTest, HardEdgeHasNoRingingHalo) {
  // Grey 64 | 192: Lanczos alone overshoots by about 10 levels on each side.
  const Image step = MakeImage(120, 8, 3, [](uint32_t x, uint32_t, uint8_t* p) {
    p[0] = p[1] = p[2] = x < 61 ? 64 : 192;
  });
  for (uint32_t w : {40u, 37u, 360u, 131u}) {
    const Image out = Resampled(step, w, 8);
    const auto [lo, hi] = std::minmax_element(out.pixels.begin(), out.pixels.end());
    EXPECT_GE(*lo, 62) << w;
    EXPECT_LE(*hi, 194) << w;
    // Still an edge, not a blur: the row rises from dark to light, with no
    // ripple an eye could see (the outer lobe may leave a level or two).
    const uint8_t* row = out.row(4);
    for (uint32_t x = 1; x < w; ++x) ASSERT_GE(row[x * 3] + 2, row[(x - 1) * 3]) << w;
    EXPECT_LT(row[0], 70) << w;
    EXPECT_GT(row[(w - 1) * 3], 186) << w;
  }
}

TEST(ResampleTest, SameSizeCopiesThePixels) {
  const Image card = testing::TestCard(33, 21, 4);
  const Image out = Resampled(card, 33, 21);
  EXPECT_EQ(out.pixels, card.pixels);
}

TEST(ResampleTest, StreamingWritesEveryRowOnlyAfterItsLastSourceRow) {
  const Image card = testing::TestCard(300, 200, 3);
  Image out;
  out.width = 97;
  out.height = 61;
  out.channels = 3;
  out.pixels.assign(out.stride() * out.height, 0);
  Resampler resampler(card.width, card.height, &out);
  for (uint32_t y = 0; y + 1 < card.height; ++y) resampler.PushRow(card.row(y));
  EXPECT_FALSE(resampler.done());
  resampler.PushRow(card.row(card.height - 1));
  EXPECT_TRUE(resampler.done());
  EXPECT_EQ(out.pixels, Resampled(card, 97, 61).pixels);
}

}  // namespace
}  // namespace quorvel
