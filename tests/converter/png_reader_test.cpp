// PngSuite through the PNG reader, against Qt's decode of the same file.
#include <gtest/gtest.h>

#include "test_pictures.h"

namespace quorvel::testing {
namespace {

class PngSuiteTest : public ::testing::TestWithParam<std::string> {};

TEST_P(PngSuiteTest, DecodesToReferencePixelsOrIsRefused) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string& name = GetParam();
  const std::string path = "pngsuite/" + name;
  DecodedPicture picture;
  Status status = DecodeTestFile(path, &picture);
  if (name[0] == 'x') {
    // Damaged signatures are no longer PNG at all.
    EXPECT_TRUE(status.code == Error::kCorruptPng || status.code == Error::kUnknownFormat)
        << int(status.code) << " " << status.context;
    return;
  }
  ASSERT_TRUE(status.ok()) << status.context;
  // Qt misreads 16-bit RGB with a tRNS colour (its alpha lands in the
  // colour channels); the suite holds the same picture at 8 bits.
  bool qt_misreads = name == "tbbn2c16.png" || name == "tbgn2c16.png";
  Image reference = DecodeWithQt(qt_misreads ? "pngsuite/tbrn2c08.png" : path);
  ASSERT_GT(reference.width, 0u) << "Qt cannot read " << path;
  // Alpha exactly where the file has an alpha channel (colour type 4 or 6,
  // fifth letter of the name) or tRNS (the t group, except tp0 "no tRNS").
  bool file_has_alpha = name[4] == '4' || name[4] == '6' || (name[0] == 't' && name.rfind("tp0", 0) != 0);
  EXPECT_EQ(picture.image.has_alpha(), file_has_alpha);
  PixelDifference d = Compare(picture.image, reference);
  // 16-bit samples round differently (high byte vs. divide by 257).
  EXPECT_LE(d.max, 1) << "mean " << d.mean;
  EXPECT_EQ(picture.full_width, picture.image.width);
  EXPECT_EQ(picture.full_height, picture.image.height);
}

INSTANTIATE_TEST_SUITE_P(PngSuite, PngSuiteTest,
                         ::testing::ValuesIn(kalvenix::testing::CasesOrPlaceholder(
                             ListTestFolder("pngsuite"))),
                         [](const auto& info) {
                           std::string n = info.param.substr(0, info.param.find('.'));
                           return n;
                         });

TEST(PngReaderTest, PaletteWithTransparencyComesOutRgba) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  ASSERT_TRUE(DecodeTestFile("png/i_trns.png", &picture).ok());
  ASSERT_TRUE(picture.image.has_alpha());
  PixelDifference d = Compare(picture.image, DecodeWithQt("png/i_trns.png"));
  EXPECT_LE(d.max, 1);
}

TEST(PngReaderTest, SixteenBitWithProfileIsConvertedClose) {
  KALVENIX_REQUIRE_TESTDATA();
  // monkey16 embeds the sRGB profile: converting it must not shift colours.
  DecodedPicture picture;
  ASSERT_TRUE(DecodeTestFile("png/monkey16.png", &picture).ok());
  PixelDifference d = Compare(picture.image, DecodeWithQt("png/monkey16.png"));
  EXPECT_LE(d.mean, 1.0);
}

}  // namespace
}  // namespace quorvel::testing
