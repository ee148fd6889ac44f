// Damaged, truncated, huge and empty files: every one fails cleanly or
// decodes, and none takes much CPU time. The sanitizer build turns any out-of-bounds
// access on the way into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <span>
#include <string>

#include <zlib.h>

#include "child_process.h"
#include "manifest.h"
#include "test_pictures.h"

namespace quorvel::testing {
namespace {

using kalvenix::testing::ChildEnd;
using kalvenix::testing::ChildRun;
using kalvenix::testing::ManifestEntry;
using kalvenix::testing::ReadManifest;
using kalvenix::testing::RunInChild;

// What a decode gave, as plain values so that it can come back from a child.
struct DecodeOutcome {
  Error code = Error::kInternal;
  std::string context;
  // Pixels that match the size on success, none on failure.
  bool consistent = false;
  bool ok() const { return code == Error::kOk; }
};

DecodeOutcome Decode(std::span<const uint8_t> file, TargetBox box) {
  DecodedPicture picture;
  const Status status = DecodePicture(file, box, &picture);
  const Image& image = picture.image;
  return {status.code, status.context,
          status.ok() ? image.width > 0 && image.pixels.size() == image.stride() * image.height
                      : image.pixels.empty()};
}

// The same decode in a child of its own, so that its CPU time, not the
// machine's load, is what a bound holds, and a hang fails one case.
struct ChildDecode {
  ChildRun run;
  DecodeOutcome outcome;
};

ChildDecode DecodeInChild(std::span<const uint8_t> file, TargetBox box) {
  ChildDecode result;
  result.run = RunInChild([&] {
    const DecodeOutcome outcome = Decode(file, box);
    return std::string(1, outcome.consistent ? '1' : '0') +
           std::to_string(static_cast<int32_t>(outcome.code)) + "\n" + outcome.context;
  });
  const std::string& out = result.run.output;
  const size_t line = out.find('\n');
  if (result.run.end != ChildEnd::kReturned || line == std::string::npos) return result;
  result.outcome.consistent = out[0] == '1';
  result.outcome.code = static_cast<Error>(std::stoi(out.substr(1, line - 1)));
  result.outcome.context = out.substr(line + 1);
  return result;
}

// A safety bound, not a speed measurement: a hostile file must not spin.
constexpr double kHostileCpuMs = 2000;
// A header alone; decoding what it declares would take seconds at least.
constexpr double kHeaderCpuMs = 500;

TEST(ManifestTest, EveryFileDecodesOrFailsAsExpected) {
  KALVENIX_REQUIRE_TESTDATA();
  std::vector<ManifestEntry> entries = ReadManifest();
  ASSERT_GT(entries.size(), 400u);
  for (const ManifestEntry& e : entries) {
    const std::vector<uint8_t> file = ReadTestFile(e.path);
    DecodeOutcome outcome;
    if (e.path.starts_with("hostile/")) {
      const ChildDecode child = DecodeInChild(file, {640, 480});
      if (child.run.end != ChildEnd::kReturned) {
        ADD_FAILURE() << e.path << ": " << child.run.Describe();
        continue;
      }
      EXPECT_LT(child.run.cpu_ms, kHostileCpuMs) << e.path;
      outcome = child.outcome;
    } else {
      outcome = Decode(file, {640, 480});
    }
    if (e.expect == "decode") {
      EXPECT_TRUE(outcome.ok()) << e.path << ": " << outcome.context;
    } else if (e.expect == "reject") {
      EXPECT_FALSE(outcome.ok()) << e.path;
    }
    EXPECT_TRUE(outcome.consistent) << e.path;
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
  const ChildDecode child = DecodeInChild(file, {640, 480});
  ASSERT_EQ(child.run.end, ChildEnd::kReturned) << child.run.Describe();
  EXPECT_EQ(child.outcome.code, Error::kTooLarge);
  EXPECT_LT(child.run.cpu_ms, kHeaderCpuMs);
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
  const ChildDecode child = DecodeInChild(file, {640, 480});
  ASSERT_EQ(child.run.end, ChildEnd::kReturned) << child.run.Describe();
  EXPECT_EQ(child.outcome.code, GetParam().error);
  EXPECT_NE(child.outcome.context.find(GetParam().reason), std::string::npos)
      << child.outcome.context;
  EXPECT_LT(child.run.cpu_ms, kHeaderCpuMs);
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
