// JPEG variants through the JPEG reader, against Qt's decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "test_pictures.h"

namespace quorvel::testing {
namespace {

struct JpegCase {
  const char* path;
  double max_mean;  // mean absolute difference allowed against Qt
};

class JpegLikeQtTest : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegLikeQtTest, MatchesQt) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  Status status = DecodeTestFile(GetParam().path, &picture);
  ASSERT_TRUE(status.ok()) << status.context;
  EXPECT_FALSE(picture.image.has_alpha());
  Image reference = DecodeWithQt(GetParam().path);
  ASSERT_GT(reference.width, 0u);
  PixelDifference d = Compare(picture.image, reference);
  EXPECT_LE(d.mean, GetParam().max_mean);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, JpegLikeQtTest,
    ::testing::Values(JpegCase{"jpeg/testorig.jpg", 0.01},         // baseline
                      JpegCase{"jpeg/testimgari.jpg", 0.01},       // arithmetic
                      JpegCase{"jpeg/jpg-progressive.jpg", 0.01},  // progressive
                      JpegCase{"jpeg/hopper_gray.jpg", 0.01},      // grey
                      JpegCase{"jpeg/hopper_16bit_qtables.jpg", 0.01},
                      JpegCase{"jpeg/rgb.jpg", 0.01},              // RGB without YCbCr
                      JpegCase{"jpeg/peacock.s-weird.jpg", 0.01},
                      JpegCase{"jpeg/restarts.jpg", 0.01},
                      // CMYK and YCCK: our inverse against Qt's; both
                      // untagged, so they should agree closely.
                      JpegCase{"jpeg/jpg-cmyk-1.jpg", 1.0}, JpegCase{"jpeg/pil_sample_cmyk.jpg", 1.0}),
    [](const auto& info) {
      std::string n = info.param.path;
      for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(JpegReaderTest, CmykComesOutAsSaneColours) {
  KALVENIX_REQUIRE_TESTDATA();
  // pil_sample_cmyk is the same picture as pil_sample_rgb (Adobe-inverted YCCK).
  DecodedPicture cmyk, rgb;
  ASSERT_TRUE(DecodeTestFile("jpeg/pil_sample_cmyk.jpg", &cmyk).ok());
  ASSERT_TRUE(DecodeTestFile("jpeg/pil_sample_rgb.jpg", &rgb).ok());
  ASSERT_EQ(cmyk.image.channels, 3u);
  EXPECT_LT(Compare(BoxReduce(cmyk.image, 4), BoxReduce(rgb.image, 4)).mean, 25.0);
}

TEST(JpegReaderTest, AdobeRgbProfileIsConverted) {
  KALVENIX_REQUIRE_TESTDATA();
  // xmp_test carries an Adobe RGB (1998) profile: its few saturated
  // colours move, the many neutral ones stay.
  DecodedPicture picture;
  ASSERT_TRUE(DecodeTestFile("jpeg/xmp_test.jpg", &picture).ok());
  Image untagged = DecodeWithQt("jpeg/xmp_test.jpg");
  PixelDifference d = Compare(picture.image, untagged);
  EXPECT_GT(d.max, 20);
  EXPECT_LT(d.mean, 5.0);
}

TEST(JpegReaderTest, SrgbProfileChangesNothing) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  ASSERT_TRUE(DecodeTestFile("jpeg/pil_sample_rgb.jpg", &picture).ok());
  EXPECT_LE(Compare(picture.image, DecodeWithQt("jpeg/pil_sample_rgb.jpg")).max, 1);
}

struct ScaledCase {
  const char* path;
  TargetBox box;
  uint32_t width, height;
};

class JpegScaledTest : public ::testing::TestWithParam<ScaledCase> {};

TEST_P(JpegScaledTest, DecodesAtReducedScaleAndKeepsFullSize) {
  KALVENIX_REQUIRE_TESTDATA();
  const ScaledCase& c = GetParam();
  DecodedPicture full, scaled;
  ASSERT_TRUE(DecodeTestFile(c.path, &scaled, c.box).ok());
  EXPECT_EQ(scaled.image.width, c.width);
  EXPECT_EQ(scaled.image.height, c.height);
  ASSERT_TRUE(DecodeTestFile(c.path, &full).ok());
  EXPECT_EQ(scaled.full_width, full.image.width);
  EXPECT_EQ(scaled.full_height, full.image.height);
  // The reduced decode is the same picture.
  uint32_t factor = full.image.width / scaled.image.width;
  Image small = BoxReduce(scaled.image, 4);
  Image large = BoxReduce(full.image, 4 * factor);
  // Rounding up at the reduced scale may leave one block more.
  uint32_t w = std::min(small.width, large.width), h = std::min(small.height, large.height);
  PixelDifference d = Compare(Crop(small, w, h), Crop(large, w, h));
  EXPECT_LT(d.mean, 4.0);
}

INSTANTIATE_TEST_SUITE_P(
    Photos, JpegScaledTest,
    ::testing::Values(ScaledCase{"photos/sunset_by_Aitzol_Berasategi.jpg", {640, 480}, 2136, 1424},
                      ScaledCase{"photos/Kleiber_by_Lukas_Baubkus.jpg", {640, 480}, 1507, 848},
                      ScaledCase{"photos/LadyBird.jpg", {160, 120}, 320, 200},
                      ScaledCase{"photos/plasma-Grey-2560x1600.jpg", {100, 0}, 320, 200}));

}  // namespace
}  // namespace quorvel::testing
