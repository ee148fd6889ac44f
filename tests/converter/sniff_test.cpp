#include "converter/read/sniff.h"

#include <gtest/gtest.h>

#include <string>

#include "test_pictures.h"

namespace quorvel::testing {
namespace {

struct SniffCase {
  std::string bytes;
  PictureFormat format;
};

class SniffBytesTest : public ::testing::TestWithParam<SniffCase> {};

TEST_P(SniffBytesTest, RecognisesSignature) {
  const std::string& b = GetParam().bytes;
  EXPECT_EQ(SniffFormat({reinterpret_cast<const uint8_t*>(b.data()), b.size()}), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, SniffBytesTest,
    ::testing::Values(SniffCase{std::string("\xFF\xD8\xFF\xE0", 4), PictureFormat::kJpeg},
                      SniffCase{std::string("\xFF\xD8", 2), PictureFormat::kUnknown},
                      SniffCase{std::string("\x89PNG\r\n\x1A\n", 8), PictureFormat::kPng},
                      SniffCase{std::string("\x89PNG\n\x1A\n", 7), PictureFormat::kUnknown},
                      SniffCase{"GIF87a", PictureFormat::kGif}, SniffCase{"GIF89a", PictureFormat::kGif},
                      SniffCase{"GIF90a", PictureFormat::kUnknown}, SniffCase{"BM", PictureFormat::kBmp},
                      SniffCase{"BA", PictureFormat::kUnknown}, SniffCase{"", PictureFormat::kUnknown},
                      SniffCase{"B", PictureFormat::kUnknown},
                      SniffCase{"plain text", PictureFormat::kUnknown}));

struct MislabelledCase {
  const char* path;
  PictureFormat format;
  uint32_t width, height;
};

class MislabelledTest : public ::testing::TestWithParam<MislabelledCase> {};

TEST_P(MislabelledTest, DecodesByContentNotByName) {
  KALVENIX_REQUIRE_TESTDATA();
  std::vector<uint8_t> file = ReadTestFile(GetParam().path);
  EXPECT_EQ(SniffFormat(file), GetParam().format);
  DecodedPicture picture;
  Status status = DecodePicture(file, {}, &picture);
  ASSERT_TRUE(status.ok()) << status.context;
  EXPECT_EQ(picture.image.width, GetParam().width);
  EXPECT_EQ(picture.image.height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MislabelledTest,
    ::testing::Values(MislabelledCase{"hostile/made/png-data-named.jpg", PictureFormat::kPng, 312, 442},
                      MislabelledCase{"hostile/made/jpeg-data-named.png", PictureFormat::kJpeg, 227, 149},
                      MislabelledCase{"hostile/made/gif-data-named.bmp", PictureFormat::kGif, 160, 120},
                      MislabelledCase{"hostile/made/bmp-data-named.gif", PictureFormat::kBmp, 192, 144},
                      MislabelledCase{"names/ohne_endung", PictureFormat::kPng, 32, 32}));

}  // namespace
}  // namespace quorvel::testing
