// bmpsuite and other bitmaps through our reader, against Qt's decode.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "test_pictures.h"

namespace quorvel::testing {
namespace {

class BmpGoodTest : public ::testing::TestWithParam<std::string> {};

TEST_P(BmpGoodTest, DecodesLikeQt) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string path = GetParam();
  DecodedPicture picture;
  Status status = DecodeTestFile(path, &picture);
  ASSERT_TRUE(status.ok()) << status.context;
  Image reference = DecodeWithQt(path);
  if (reference.width == 0) GTEST_SKIP() << "Qt cannot read " << path;
  if (path == "bmp/rgb32bf-abgr.bmp") {
    // Its alpha field is zero throughout: Qt shows nothing, we (like the
    // writers that leave the byte empty intend) an opaque picture.
    EXPECT_FALSE(picture.image.has_alpha());
    for (size_t i = 3; i < reference.pixels.size(); i += 4) reference.pixels[i] = 255;
  }
  PixelDifference d = Compare(picture.image, reference);
  // Qt widens 5- and 6-bit fields by shifting (31 -> 248), we scale them to
  // the full range (31 -> 255).
  bool five_bit = path.find("rgb16") != std::string::npos;
  EXPECT_LE(d.max, five_bit ? 7 : 0) << "mean " << d.mean;
}

std::vector<std::string> GoodBitmaps() {
  std::vector<std::string> paths;
  for (const std::string& name : ListTestFolder("bmpsuite/g")) paths.push_back("bmpsuite/g/" + name);
  for (const std::string& name : ListTestFolder("bmp")) paths.push_back("bmp/" + name);
  return kalvenix::testing::CasesOrPlaceholder(paths);
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string n = info.param;
  for (char& c : n)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Good, BmpGoodTest, ::testing::ValuesIn(GoodBitmaps()), TestName);

struct BadCase {
  const char* path;
  bool must_fail;
};

class BmpBadTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BmpBadTest, RefusedOrReadWithoutHarm) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  Status status = DecodeTestFile(GetParam().path, &picture);
  if (GetParam().must_fail) {
    EXPECT_FALSE(status.ok());
  }
  if (status.ok()) {
    EXPECT_EQ(picture.image.pixels.size(), picture.image.stride() * picture.image.height);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bad, BmpBadTest,
    ::testing::Values(BadCase{"bmpsuite/b/badbitcount.bmp", true}, BadCase{"bmpsuite/b/badwidth.bmp", true},
                      BadCase{"bmpsuite/b/reallybig.bmp", true}, BadCase{"bmpsuite/b/baddens1.bmp", false},
                      BadCase{"bmpsuite/b/badheadersize.bmp", false}, BadCase{"bmpsuite/b/badrle4.bmp", false},
                      BadCase{"bmpsuite/b/shortfile.bmp", false}, BadCase{"hostile/l2rgb_read.bmp", true},
                      BadCase{"hostile/made/zero-height.bmp", true},
                      BadCase{"hostile/hopper_rle8_row_overflow.bmp", false}));

TEST(BmpReaderTest, AlphaBitFieldsComeOutRgba) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  ASSERT_TRUE(DecodeTestFile("bmp/hibiscus.primitive.bmp", &picture).ok());
  EXPECT_TRUE(picture.image.has_alpha());
}

TEST(BmpReaderTest, UnusedFourthByteStaysOpaque) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  ASSERT_TRUE(DecodeTestFile("bmpsuite/q/rgb32fakealpha.bmp", &picture).ok());
  EXPECT_FALSE(picture.image.has_alpha());
}

TEST(BmpReaderTest, EmbeddedJpegPngAnd64BitAreUnsupported) {
  KALVENIX_REQUIRE_TESTDATA();
  for (const char* path : {"bmpsuite/q/rgb24jpeg.bmp", "bmpsuite/q/rgb24png.bmp", "bmpsuite/q/rgba64.bmp"}) {
    DecodedPicture picture;
    EXPECT_EQ(DecodeTestFile(path, &picture).code, Error::kUnsupported) << path;
  }
}

TEST(BmpReaderTest, TopDownMatchesBottomUp) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture up, down;
  ASSERT_TRUE(DecodeTestFile("bmpsuite/g/pal8.bmp", &up).ok());
  ASSERT_TRUE(DecodeTestFile("bmpsuite/g/pal8topdown.bmp", &down).ok());
  EXPECT_EQ(up.image.pixels, down.image.pixels);
}

TEST(BmpReaderTest, RleMatchesPlain) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture plain, rle4, rle8;
  ASSERT_TRUE(DecodeTestFile("bmpsuite/g/pal8.bmp", &plain).ok());
  ASSERT_TRUE(DecodeTestFile("bmpsuite/g/pal8rle.bmp", &rle8).ok());
  EXPECT_EQ(plain.image.pixels, rle8.image.pixels);
  DecodedPicture plain4;
  ASSERT_TRUE(DecodeTestFile("bmpsuite/g/pal4.bmp", &plain4).ok());
  ASSERT_TRUE(DecodeTestFile("bmpsuite/g/pal4rle.bmp", &rle4).ok());
  EXPECT_EQ(plain4.image.pixels, rle4.image.pixels);
}

// Offsets and sizes patched into a real file: each must be refused, not read
// out of bounds (the sanitizer build checks the "not").
struct PatchCase {
  const char* what;
  size_t offset;
  uint32_t value;
};

class BmpPatchTest : public ::testing::TestWithParam<PatchCase> {};

TEST_P(BmpPatchTest, RefusesLyingField) {
  KALVENIX_REQUIRE_TESTDATA();
  std::vector<uint8_t> file = ReadTestFile("bmpsuite/g/pal8.bmp");
  ASSERT_GT(file.size(), 64u);
  std::memcpy(&file[GetParam().offset], &GetParam().value, 4);
  DecodedPicture picture;
  EXPECT_FALSE(DecodePicture(file, {}, &picture).ok()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BmpPatchTest,
    ::testing::Values(PatchCase{"pixel offset past the end", 10, 0x7FFFFFF0},
                      PatchCase{"pixel offset inside the header", 10, 20},
                      PatchCase{"header size past the end", 14, 0xFFFFFFF0},
                      PatchCase{"header size unknown", 14, 66},
                      PatchCase{"height beyond the data", 22, 100000},
                      PatchCase{"width beyond the data", 18, 100000},
                      PatchCase{"height most negative", 22, 0x80000000},
                      PatchCase{"compression unknown", 30, 9}));

}  // namespace
}  // namespace quorvel::testing
