// GIFs through the GIF reader: the first frame on its logical screen.
#include <gtest/gtest.h>

#include <cctype>

#include "test_pictures.h"
#include "testdata.h"

namespace quorvel::testing {
namespace {

class GifTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GifTest, FirstFrameMatchesQt) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string path = "gif/" + GetParam();
  DecodedPicture picture;
  Status status = DecodeTestFile(path, &picture);
  ASSERT_TRUE(status.ok()) << status.context;
  Image reference = DecodeWithQt(path);
  ASSERT_GT(reference.width, 0u);
  PixelDifference d = Compare(picture.image, reference);
  EXPECT_EQ(d.max, 0) << "mean " << d.mean;
}

std::vector<std::string> DecodableGifs() {
  std::vector<std::string> names;
  for (const std::string& name : ListTestFolder("gif"))
    if (name != "no_palette.gif" && name != "artificial-frame-out-of-bounds.gif") names.push_back(name);
  return kalvenix::testing::CasesOrPlaceholder(names);
}

INSTANTIATE_TEST_SUITE_P(Files, GifTest, ::testing::ValuesIn(DecodableGifs()), [](const auto& info) {
  std::string n = info.param;
  for (char& c : n)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
});

TEST(GifReaderTest, TransparencyGivesAlphaAndOpaqueGivesRgb) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture transparent, opaque;
  ASSERT_TRUE(DecodeTestFile("gif/transparent.gif", &transparent).ok());
  EXPECT_TRUE(transparent.image.has_alpha());
  ASSERT_TRUE(DecodeTestFile("gif/hopper.gif", &opaque).ok());
  EXPECT_FALSE(opaque.image.has_alpha());
}

TEST(GifReaderTest, InterlacedMatchesSequentialPng) {
  KALVENIX_REQUIRE_TESTDATA();
  // The same picture as interlaced GIF and as PNG: only the GIF's palette
  // differs, while rows out of order would differ wholesale.
  DecodedPicture gif;
  ASSERT_TRUE(DecodeTestFile("gif/hippopotamus.interlaced.gif", &gif).ok());
  EXPECT_LE(Compare(gif.image, DecodeWithQt("png/hippopotamus.interlaced.png")).mean, 4.0);
}

TEST(GifReaderTest, FrameOutsideTheScreenIsClipped) {
  KALVENIX_REQUIRE_TESTDATA();
  // A 2 x 2 screen with a 3 x 1 first frame at (1, 0).
  DecodedPicture picture;
  Status status = DecodeTestFile("gif/artificial-frame-out-of-bounds.gif", &picture);
  ASSERT_TRUE(status.ok()) << status.context;
  EXPECT_EQ(picture.image.width, 2u);
  EXPECT_EQ(picture.image.height, 2u);
  ASSERT_TRUE(picture.image.has_alpha());
  EXPECT_EQ(picture.image.pixels[3], 0);    // (0, 0) is not painted
  EXPECT_EQ(picture.image.pixels[7], 255);  // (1, 0) is
}

}  // namespace
}  // namespace quorvel::testing
