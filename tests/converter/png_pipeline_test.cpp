// The PNG band pipeline must write what the whole-picture pipeline writes,
// refuse what it refuses with the same status, and leave it what it does
// not stream.
#include "converter/pipeline/png_pipeline.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "converter/pipeline/band_worker.h"
#include "converter/pipeline/convert_file.h"
#include "made_png.h"
#include "picture_checks.h"
#include "testdata.h"
#include "whole_picture_path.h"

namespace quorvel {
namespace {

using testing::ConvertWholePicture;
using testing::ReadTestFile;

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void PutBigEndian32(uint32_t value, uint8_t* p) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (24 - 8 * i));
}

// The offset of the last chunk of `type` (its length field), or 0.
size_t LastChunk(const std::vector<uint8_t>& png, const char* type) {
  size_t found = 0;
  for (size_t pos = 8; pos + 12 <= png.size(); pos += 12 + BigEndian32(&png[pos]))
    if (std::memcmp(&png[pos + 4], type, 4) == 0) found = pos;
  return found;
}

// `png` with an eXIf chunk saying `orientation` before its first IDAT.
std::vector<uint8_t> WithOrientation(const std::vector<uint8_t>& png, uint16_t orientation) {
  // Big-endian TIFF: one IFD holding only the orientation tag (SHORT, 1).
  std::vector<uint8_t> chunk = {0, 0, 0, 0, 'e', 'X', 'I', 'f', 'M', 'M', 0, 42, 0, 0, 0, 8,
                                0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
                                uint8_t(orientation >> 8), uint8_t(orientation), 0, 0,
                                0, 0, 0, 0};
  PutBigEndian32(uint32_t(chunk.size() - 8), chunk.data());
  chunk.resize(chunk.size() + 4);
  PutBigEndian32(uint32_t(crc32(0, &chunk[4], uInt(chunk.size() - 8))), &chunk[chunk.size() - 4]);
  size_t idat = 8;
  while (std::memcmp(&png[idat + 4], "IDAT", 4) != 0) idat += 12 + BigEndian32(&png[idat]);
  std::vector<uint8_t> out(png.begin(), png.begin() + ptrdiff_t(idat));
  out.insert(out.end(), chunk.begin(), chunk.end());
  out.insert(out.end(), png.begin() + ptrdiff_t(idat), png.end());
  return out;
}

struct Case {
  const char* name;
  const char* file;
  TargetBox box;
  OutputType type;
  int orientation;  // written into the file when not 1
  bool banded;      // the band pipeline takes it
  int tolerance;    // largest channel difference allowed; 0: the same bytes
  double mean_tolerance = 0;  // mean channel difference allowed
};

const Case kCases[] = {
    {"RgbToJpeg", "png/hopper.png", {64, 64}, OutputType::kJpeg, 1, true, 0},
    {"LargeRgbToJpeg", "photos/warty-final-ubuntu.png", {640, 480}, OutputType::kJpeg, 1, true, 0},
    {"RgbaToPng", "photos/MATE-Stripes-Light.png", {640, 480}, OutputType::kPng, 1, true, 0},
    {"RgbaToJpeg", "png/hibiscus.primitive.png", {100, 100}, OutputType::kJpeg, 1, true, 0},
    {"SixteenBitWithProfileToBmp", "png/monkey16.png", {100, 0}, OutputType::kBmp, 1, true, 0},
    {"PaletteWithTrnsToGif", "png/i_trns.png", {40, 40}, OutputType::kGif, 1, true, 0},
    {"GreyWithTrnsToPng", "png/l_trns.png", {30, 30}, OutputType::kPng, 1, true, 0},
    {"GreyEnlargedToJpeg", "png/bricks-gray.png", {400, 0}, OutputType::kJpeg, 1, true, 0},
    {"ProfileRgbaToBmp", "png/icc_profile.png", {40, 40}, OutputType::kBmp, 1, true, 0},
    {"ProfileRgbToJpeg", "png/vgl_5674_0098.png", {60, 60}, OutputType::kJpeg, 1, true, 0},
    {"StoredBlocksToBmp", "png/uncompressed_rgb.png", {200, 200}, OutputType::kBmp, 1, true, 0},
    {"Turned180ToBmp", "png/hopper.png", {50, 50}, OutputType::kBmp, 3, true, 0},
    {"TurnedRightToBmp", "png/exif.png", {100, 60}, OutputType::kBmp, 6, true, 16, 1.5},
    {"TurnedRightHalvedToBmp", "png/exif.png", {256, 256}, OutputType::kBmp, 6, true, 16, 0.5},
    {"TurnedLeftToJpeg", "png/hopper.png", {64, 32}, OutputType::kJpeg, 8, true, 24, 2.5},
    {"InterlacedStaysWhole", "png/hippopotamus.interlaced.png", {20, 20}, OutputType::kJpeg, 1,
     false, 0},
    {"OriginalSizeStaysWhole", "png/hopper.png", {0, 0}, OutputType::kJpeg, 1, false, 0},
    {"JpegIsLeftAlone", "jpeg/testorig.jpg", {50, 50}, OutputType::kJpeg, 1, false, 0},
};

class PngPipelineTest : public ::testing::TestWithParam<Case> {};

// A quarter-turned picture is filtered in its stored axes, the whole path
// in the upright ones; the anti-ringing clamp differs at a few edges, the
// more so the more a detailed picture shrinks (and a JPEG adds its own
// differences on top).
TEST_P(PngPipelineTest, WritesWhatTheWholePicturePathWrites) {
  KALVENIX_REQUIRE_TESTDATA();
  const Case& c = GetParam();
  std::vector<uint8_t> file = ReadTestFile(c.file);
  ASSERT_FALSE(file.empty()) << c.file;
  if (c.orientation != 1) file = WithOrientation(file, uint16_t(c.orientation));
  testing::ExpectAsWholePicture(Route::kPngBands, file, c.box, c.type, {false, 95},
                                {c.banded, c.tolerance, c.mean_tolerance});
}

INSTANTIATE_TEST_SUITE_P(Pictures, PngPipelineTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Converted as the whole path converts it: its bytes or its refusal. Returns
// whether the band pipeline took the file.
bool ExpectAsTheWholePath(const std::vector<uint8_t>& file, TargetBox box) {
  std::vector<uint8_t> expected, actual;
  PictureSize expected_size, size;
  const Status reference =
      ConvertWholePicture(file, box, OutputType::kBmp, {}, &expected, &expected_size);
  bool handled = false;
  const Status status = testing::ConvertInBands(Route::kPngBands, file, box, OutputType::kBmp, {},
                                                &actual, &size, &handled);
  if (!handled) {
    EXPECT_TRUE(status.ok());
    return false;
  }
  EXPECT_EQ(status.code, reference.code) << status.context << " / " << reference.context;
  EXPECT_EQ(status.context, reference.context);
  if (!reference.ok()) return true;
  EXPECT_EQ(size, expected_size);
  EXPECT_TRUE(actual == expected);
  return true;
}

// Every colour type and bit depth of the suite, shrunk: streamed exactly when
// not interlaced, with the whole path's bytes or its refusal.
TEST(PngPipelineSuite, EveryPictureAsTheWholePathConvertsIt) {
  KALVENIX_REQUIRE_TESTDATA();
  for (const auto& entry :
       std::filesystem::directory_iterator(kalvenix::testing::TestdataPath("pngsuite"))) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    if (!ExpectAsTheWholePath(ReadTestFile("pngsuite/" + name), {20, 20})) {
      // Only interlaced files and a damaged signature are left to the whole path.
      EXPECT_TRUE(name[3] == 'i' || name[0] == 'x');
    }
  }
}

// Image data that our own inflating refuses, rightly or only to be safe, is
// left to libspng: the file is converted or refused as the whole path does.
struct MadeData {
  const char* name;
  std::vector<uint8_t> (*make)(std::vector<uint8_t> filtered);
};

std::vector<uint8_t> UnknownFilter(std::vector<uint8_t> filtered) {
  filtered[filtered.size() / 2 / 94 * 94] = 5;  // a row's filter byte
  return testing::Deflate(filtered);
}

std::vector<uint8_t> ExtraDataAfterTheRows(std::vector<uint8_t> filtered) {
  filtered.insert(filtered.end(), 300, 7);
  return testing::Deflate(filtered);
}

std::vector<uint8_t> WrongChecksum(std::vector<uint8_t> filtered) {
  std::vector<uint8_t> stream = testing::Deflate(filtered);
  stream.back() ^= 1;
  return stream;
}

std::vector<uint8_t> ChecksumMissing(std::vector<uint8_t> filtered) {
  std::vector<uint8_t> stream = testing::Deflate(filtered);
  stream.resize(stream.size() - 4);
  return stream;
}

std::vector<uint8_t> LastRowCutShort(std::vector<uint8_t> filtered) {
  filtered.resize(filtered.size() - 10);
  return testing::Deflate(filtered);
}

const MadeData kMadeData[] = {
    {"Sound", [](std::vector<uint8_t> f) { return testing::Deflate(f); }},
    {"UnknownFilter", UnknownFilter},
    {"ExtraDataAfterTheRows", ExtraDataAfterTheRows},
    {"WrongChecksum", WrongChecksum},
    {"ChecksumMissing", ChecksumMissing},
    {"LastRowCutShort", LastRowCutShort},
};

class PngPipelineMade : public ::testing::TestWithParam<MadeData> {};

TEST_P(PngPipelineMade, ConvertsOrRefusesAsTheWholePath) {
  // 31 RGB pixels: rows of 94 bytes with the filter byte.
  const testing::FilteredPicture picture = testing::MakeFilteredPicture(31, 40, 3);
  const std::vector<uint8_t> stream = GetParam().make(picture.filtered);
  for (size_t part : {size_t{64}, stream.size()}) {
    SCOPED_TRACE(part);
    EXPECT_TRUE(ExpectAsTheWholePath(testing::MakePng(31, 40, 3, testing::IdatChunks(stream, part)),
                                     {16, 16}));
  }
  // A chunk between two IDAT chunks.
  std::vector<testing::Chunk> chunks = testing::IdatChunks(stream, 64);
  chunks.insert(chunks.begin() + 1, testing::Chunk{"tEXt", {'k', 0, 'v'}});
  EXPECT_TRUE(ExpectAsTheWholePath(testing::MakePng(31, 40, 3, chunks), {16, 16}));
}

INSTANTIATE_TEST_SUITE_P(Streams, PngPipelineMade, ::testing::ValuesIn(kMadeData),
                         [](const auto& info) { return std::string(info.param.name); });

struct Damage {
  const char* name;
  const char* file;
  // Made from `file` in the test when not null.
  std::vector<uint8_t> (*make)(std::vector<uint8_t>);
};

std::vector<uint8_t> BadLastIdatChecksum(std::vector<uint8_t> png) {
  const size_t idat = LastChunk(png, "IDAT");
  png[idat + 8 + BigEndian32(&png[idat]) + 3] ^= 0x55;
  return png;
}

std::vector<uint8_t> CutInHalf(std::vector<uint8_t> png) {
  png.resize(png.size() / 2);
  return png;
}

std::vector<uint8_t> FlippedDataByte(std::vector<uint8_t> png) {
  const size_t idat = LastChunk(png, "IDAT");
  png[idat + 8 + BigEndian32(&png[idat]) / 2] ^= 0xFF;
  return png;
}

const Damage kDamages[] = {
    {"TruncatedInImageData", "hostile/truncated_image.png", nullptr},
    {"TruncatedAt60Percent", "hostile/made/truncated-60pct.png", nullptr},
    {"DamagedDataStream", "hostile/broken_data_stream.png", nullptr},
    {"LargeCutInHalf", "photos/warty-final-ubuntu.png", CutInHalf},
    {"BadLastIdatChecksum", "png/hopper.png", BadLastIdatChecksum},
    {"LargeBadLastIdatChecksum", "photos/MATE-Stripes-Light.png", BadLastIdatChecksum},
    {"FlippedDataByteWithChecksumLeft", "png/hibiscus.primitive.png", FlippedDataByte},
};

class PngPipelineDamage : public ::testing::TestWithParam<Damage> {};

// Refused with the whole path's status, no file written, the worker free
// again afterwards.
TEST_P(PngPipelineDamage, FailsAsTheWholePathWithNoOutput) {
  KALVENIX_REQUIRE_TESTDATA();
  const Damage& d = GetParam();
  std::vector<uint8_t> file = ReadTestFile(d.file);
  ASSERT_FALSE(file.empty());
  if (d.make != nullptr) file = d.make(std::move(file));
  std::vector<uint8_t> expected, actual;
  PictureSize size;
  const Status reference =
      ConvertWholePicture(file, {64, 64}, OutputType::kJpeg, {}, &expected, &size);
  ASSERT_FALSE(reference.ok());
  bool handled = false;
  const Status status = testing::ConvertInBands(Route::kPngBands, file, {64, 64},
                                                OutputType::kJpeg, {}, &actual, &size, &handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(status.code, reference.code);
  EXPECT_EQ(status.context, reference.context);
  EXPECT_TRUE(actual.empty());

  const testing::ScratchFolder folder;
  const std::string source = folder.Child("source.png");
  ASSERT_TRUE(testing::WriteFile(
      source, {reinterpret_cast<const char*>(file.data()), file.size()}));
  EXPECT_EQ(ConvertFile(source, folder.Child("out.jpg"), {64, 64}, false, 90, &size).code,
            reference.code);
  EXPECT_EQ(testing::FolderEntries(folder.path()), std::vector<std::string>{"source.png"});

  const std::vector<uint8_t> sound = ReadTestFile("png/hopper.png");
  ASSERT_TRUE(testing::ConvertInBands(Route::kPngBands, sound, {64, 64}, OutputType::kJpeg, {},
                                      &actual, &size, &handled)
                  .ok());
  EXPECT_TRUE(handled);
}

INSTANTIATE_TEST_SUITE_P(Files, PngPipelineDamage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// While another conversion holds the worker, a picture planned for bands is
// still converted in bands, on this thread, to the same bytes.
TEST(PngPipelineWorker, BusyWorkerStillBandsOnThisThread) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::vector<uint8_t> file = ReadTestFile("png/hopper.png");
  std::vector<uint8_t> alone, shared;
  PictureSize size;
  ConverterContext context;
  {
    std::unique_ptr<BandWorker::Lease> held = context.worker().TryAcquire();
    ASSERT_NE(held, nullptr);
    ASSERT_TRUE(
        ConvertPicture(file, {50, 50}, OutputType::kJpeg, {}, &alone, &size, &context).ok());
  }
  ASSERT_TRUE(
      ConvertPicture(file, {50, 50}, OutputType::kJpeg, {}, &shared, &size, &context).ok());
  EXPECT_FALSE(alone.empty());
  EXPECT_TRUE(alone == shared);
}

}  // namespace
}  // namespace quorvel
