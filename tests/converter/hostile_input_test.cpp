// Damaged, truncated, huge and empty files: every one fails cleanly or
// decodes, and none takes long. The sanitizer build turns any out-of-bounds
// access on the way into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include <zlib.h>

#include "test_pictures.h"

namespace quorvel::testing {
namespace {

struct ManifestEntry {
  std::string path, expect;
};

std::vector<ManifestEntry> ReadManifest() {
  std::vector<ManifestEntry> entries;
  std::ifstream in(TestdataPath("manifest.tsv"));
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    ManifestEntry e;
    std::string bytes, width, height;
    std::getline(fields, e.path, '\t');
    std::getline(fields, bytes, '\t');
    std::getline(fields, width, '\t');
    std::getline(fields, height, '\t');
    std::getline(fields, e.expect, '\t');
    entries.push_back(e);
  }
  return entries;
}

TEST(ManifestTest, EveryFileDecodesOrFailsAsExpected) {
  KALVENIX_REQUIRE_TESTDATA();
  std::vector<ManifestEntry> entries = ReadManifest();
  ASSERT_GT(entries.size(), 400u);
  for (const ManifestEntry& e : entries) {
    auto start = std::chrono::steady_clock::now();
    DecodedPicture picture;
    Status status = DecodeTestFile(e.path, &picture, {640, 480});
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (e.expect == "decode") {
      EXPECT_TRUE(status.ok()) << e.path << ": " << status.context;
    } else if (e.expect == "reject") {
      EXPECT_FALSE(status.ok()) << e.path;
    }
    if (status.ok()) {
      EXPECT_GT(picture.image.width, 0u) << e.path;
      EXPECT_EQ(picture.image.pixels.size(), picture.image.stride() * picture.image.height) << e.path;
    } else {
      EXPECT_TRUE(picture.image.pixels.empty()) << e.path;
    }
    // A safety bound, not a speed measurement: hostile files must not hang.
    if (e.path.rfind("hostile/", 0) == 0) {
      EXPECT_LT(seconds, 2.0) << e.path;
    }
  }
}

struct FailCase {
  const char* path;
  Error error;
};

class CleanFailureTest : public ::testing::TestWithParam<FailCase> {};

TEST_P(CleanFailureTest, FailsWithTheRightCode) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  Status status = DecodeTestFile(GetParam().path, &picture);
  EXPECT_EQ(status.code, GetParam().error) << status.context;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CleanFailureTest,
    ::testing::Values(FailCase{"hostile/empty.jpg", Error::kUnknownFormat},
                      FailCase{"hostile/made/empty.png", Error::kUnknownFormat},
                      FailCase{"hostile/made/not-an-image.png", Error::kUnknownFormat},
                      FailCase{"hostile/made/signature-only.png", Error::kCorruptPng},
                      FailCase{"hostile/made/truncated-header-only.jpg", Error::kCorruptJpeg},
                      FailCase{"hostile/made/truncated-50pct-progressive.jpg", Error::kCorruptJpeg},
                      FailCase{"hostile/made/truncated-60pct.png", Error::kCorruptPng},
                      FailCase{"hostile/made/truncated-50pct.gif", Error::kCorruptGif},
                      FailCase{"hostile/made/truncated-50pct.bmp", Error::kCorruptBmp},
                      FailCase{"hostile/made/huge-dims-65500.jpg", Error::kTooLarge},
                      FailCase{"hostile/made/huge-dims-65535.gif", Error::kTooLarge},
                      FailCase{"hostile/made/huge-dims-1000000.bmp", Error::kTooLarge},
                      FailCase{"hostile/decompression_bomb.gif", Error::kCorruptGif},
                      FailCase{"hostile/missing-sos.jpg", Error::kCorruptJpeg},
                      FailCase{"hostile/zero_width.gif", Error::kCorruptGif},
                      FailCase{"jpeg/monkey12.jpg", Error::kUnsupported}));

TEST(HostileInputTest, HugeJpegFailsFromItsHeader) {
  KALVENIX_REQUIRE_TESTDATA();
  std::vector<uint8_t> file = ReadTestFile("hostile/made/huge-dims-65500.jpg");
  auto start = std::chrono::steady_clock::now();
  DecodedPicture picture;
  EXPECT_EQ(DecodePicture(file, {640, 480}, &picture).code, Error::kTooLarge);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.5);
}

TEST(HostileInputTest, OutputBeyondTheLimitIsRefusedBeforeDecoding) {
  KALVENIX_REQUIRE_TESTDATA();
  DecodedPicture picture;
  Status status = DecodeTestFile("jpeg/testorig.jpg", &picture, {100000, 100000});
  EXPECT_EQ(status.code, Error::kTooLarge);
}

// Real small files whose headers were changed to claim 16000 x 16000
// pixels (within the pixel limit): their data cannot paint that many, so
// they are refused from the header instead of filling a gigabyte.
void PutBigEndian(std::vector<uint8_t>& f, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) f[at + size_t(i)] = uint8_t(value >> (8 * (bytes - 1 - i)));
}
void PutLittleEndian(std::vector<uint8_t>& f, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) f[at + size_t(i)] = uint8_t(value >> (8 * i));
}

struct ClaimCase {
  const char* name;
  const char* path;
  std::function<void(std::vector<uint8_t>&)> patch;
  Error error;
  const char* reason;  // part of the context, telling the header check apart
};

class OverclaimTest : public ::testing::TestWithParam<ClaimCase> {};

TEST_P(OverclaimTest, RefusedFromTheHeader) {
  KALVENIX_REQUIRE_TESTDATA();
  std::vector<uint8_t> file = ReadTestFile(GetParam().path);
  ASSERT_GT(file.size(), 64u);
  GetParam().patch(file);
  auto start = std::chrono::steady_clock::now();
  DecodedPicture picture;
  Status status = DecodePicture(file, {640, 480}, &picture);
  EXPECT_EQ(status.code, GetParam().error);
  EXPECT_NE(status.context.find(GetParam().reason), std::string::npos) << status.context;
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.5);
}

void PatchJpegSof(std::vector<uint8_t>& f) {
  for (size_t i = 2; i + 9 < f.size(); ++i)
    if (f[i] == 0xFF && (f[i + 1] == 0xC0 || f[i + 1] == 0xC2 || f[i + 1] == 0xC9)) {
      PutBigEndian(f, i + 5, 16000, 2);
      PutBigEndian(f, i + 7, 16000, 2);
      return;
    }
}

void PatchPngIhdr(std::vector<uint8_t>& f) {
  PutBigEndian(f, 16, 16000, 4);
  PutBigEndian(f, 20, 16000, 4);
  PutBigEndian(f, 29, uint32_t(crc32(0, &f[12], 17)), 4);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, OverclaimTest,
    ::testing::Values(
        ClaimCase{"huffman_jpeg", "jpeg/testorig.jpg", PatchJpegSof, Error::kCorruptJpeg, "übersteigt"},
        ClaimCase{"arithmetic_jpeg", "jpeg/testimgari.jpg", PatchJpegSof, Error::kCorruptJpeg, "übersteigt"},
        ClaimCase{"png", "png/hopper.png", PatchPngIhdr, Error::kCorruptPng, "übersteigt"},
        ClaimCase{"gif_screen", "gif/hopper.gif",
                  [](std::vector<uint8_t>& f) {
                    PutLittleEndian(f, 6, 16000, 2);
                    PutLittleEndian(f, 8, 16000, 2);
                  },
                  Error::kCorruptGif, "logischer Bildschirm"},
        ClaimCase{"rle_bitmap", "bmp/hopper_rle8.bmp",
                  [](std::vector<uint8_t>& f) {
                    PutLittleEndian(f, 18, 16000, 4);
                    PutLittleEndian(f, 22, 16000, 4);
                  },
                  Error::kCorruptBmp, "übersteigt"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every format cut short at many points: no crash, and a file missing its
// last tenth never passes for a picture.
class TruncationTest : public ::testing::TestWithParam<std::string> {};

TEST_P(TruncationTest, EveryPrefixFailsCleanly) {
  KALVENIX_REQUIRE_TESTDATA();
  std::vector<uint8_t> file = ReadTestFile(GetParam());
  ASSERT_FALSE(file.empty());
  size_t step = std::max<size_t>(1, file.size() / 97);
  for (size_t length = 0; length < file.size() * 9 / 10; length += length < 128 ? 1 : step) {
    DecodedPicture picture;
    Status status = DecodePicture({file.data(), length}, {}, &picture);
    EXPECT_FALSE(status.ok()) << GetParam() << " cut at " << length;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, TruncationTest,
                         ::testing::Values("jpeg/testorig.jpg", "jpeg/jpg-progressive.jpg",
                                           "jpeg/testimgari.jpg", "png/hopper.png",
                                           "pngsuite/basi6a16.png", "gif/hopper.gif",
                                           "gif/hippopotamus.interlaced.gif", "bmp/hopper.bmp",
                                           "bmp/hopper_rle8.bmp", "bmpsuite/g/pal4rle.bmp",
                                           "bmpsuite/g/rgb16-565.bmp"));

// Random byte damage: whatever comes out, it comes out without a crash, a
// hang or a buffer that disagrees with its size.
class CorruptionTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CorruptionTest, DamagedBytesNeverCrash) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::vector<uint8_t> original = ReadTestFile(GetParam());
  ASSERT_FALSE(original.empty());
  std::mt19937 random(20261207);
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> file = original;
    for (int i = 0; i < 1 + round % 8; ++i) file[random() % file.size()] = uint8_t(random());
    DecodedPicture picture;
    if (DecodePicture(file, {64, 64}, &picture).ok()) {
      EXPECT_EQ(picture.image.pixels.size(), picture.image.stride() * picture.image.height);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, CorruptionTest,
                         ::testing::Values("jpeg/testorig.jpg", "jpeg/jpg-progressive.jpg",
                                           "jpeg/pil_sample_cmyk.jpg", "png/i_trns.png",
                                           "pngsuite/basi3p02.png", "gif/transparent.gif",
                                           "bmpsuite/g/pal8rle.bmp", "bmpsuite/g/rgb32bf.bmp",
                                           "bmpsuite/g/pal8os2.bmp"));

}  // namespace
}  // namespace quorvel::testing
