// Inflating the image data ourselves must give libspng's pixels for every
// file it takes, and must take nothing libspng would refuse: a file it is
// unsure of is refused, so that libspng judges it.
#include "converter/read/png_idat_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "converter/read/png_reader.h"
#include "converter/read/png_unfilter.h"
#include "made_png.h"
#include "testdata.h"
#include "whole_picture_path.h"

namespace quorvel {
namespace {

using testing::Chunk;

// What the band pipeline's two threads make of the file together.
Status DecodeByHand(std::span<const uint8_t> file, const Image& shape,
                    std::vector<uint8_t>* pixels) {
  IdatStream stream(file);
  Status status = stream.Start();
  if (!status.ok()) return status;
  const size_t stride = shape.stride();
  const std::vector<uint8_t> zeros(stride, 0);
  std::vector<uint8_t> row(stride + 1);
  pixels->assign(stride * shape.height, 0);
  uLong adler = adler32(0, nullptr, 0);
  for (uint32_t y = 0; y < shape.height; ++y) {
    if (status = stream.Read(row.data(), row.size()); !status.ok()) return status;
    adler = adler32(adler, row.data(), uInt(row.size()));
    uint8_t* out = &(*pixels)[y * stride];
    if (!UnfilterRow(row[0], &row[1], y == 0 ? zeros.data() : out - stride, stride,
                     shape.channels, out))
      return Fail(Error::kCorruptPng, "filter");
  }
  if (status = stream.End(); !status.ok()) return status;
  if (stream.stated_checksum() != adler) return Fail(Error::kCorruptPng, "checksum");
  return Status::Ok();
}

TEST(IdatStream, GivesLibspngsPixelsForTheSharedPictures) {
  KALVENIX_REQUIRE_TESTDATA();
  int compared = 0;
  for (const char* folder : {"pngsuite", "png", "photos"}) {
    for (const auto& entry :
         std::filesystem::directory_iterator(kalvenix::testing::TestdataPath(folder))) {
      if (entry.path().extension() != ".png") continue;
      const std::string name = std::string(folder) + "/" + entry.path().filename().string();
      SCOPED_TRACE(name);
      const std::vector<uint8_t> file = testing::ReadTestFile(name);
      OpenedPng png;
      if (!OpenPng(file, {}, &png).ok() || !png.rows_as_stored || png.interlaced) continue;
      std::vector<uint8_t> pixels;
      const Status by_hand = DecodeByHand(file, png.header.image, &pixels);
      SourcePicture reference;
      const Status libspng = ReadPng(file, {}, &reference);
      // Sound files stream; a damaged one may be refused either way, but
      // what streams libspng must read alike.
      if (libspng.ok()) {
        EXPECT_TRUE(by_hand.ok()) << by_hand.context;
      }
      if (!by_hand.ok() || !CheckIdatChecksums(file).ok()) continue;
      ASSERT_TRUE(libspng.ok()) << libspng.context;
      EXPECT_TRUE(pixels == reference.image.pixels);
      ++compared;
    }
  }
  EXPECT_GE(compared, 40);
}

struct Made {
  const char* name;
  std::vector<Chunk> (*image_data)(const std::vector<uint8_t>& filtered);
  bool streams;
};

std::vector<Chunk> OneIdat(const std::vector<uint8_t>& filtered) {
  return testing::IdatChunks(testing::Deflate(filtered), size_t{1} << 30);
}

std::vector<Chunk> SmallIdatsAndEmptyOnes(const std::vector<uint8_t>& filtered) {
  std::vector<Chunk> chunks = testing::IdatChunks(testing::Deflate(filtered), 97);
  chunks.insert(chunks.begin() + 3, Chunk{"IDAT", {}});
  chunks.push_back({"IDAT", {}});
  return chunks;
}

std::vector<Chunk> GarbageAfterTheStreamInItsChunk(const std::vector<uint8_t>& filtered) {
  std::vector<Chunk> chunks = OneIdat(filtered);
  chunks.back().data.insert(chunks.back().data.end(), {1, 2, 3, 4, 5});
  return chunks;
}

std::vector<Chunk> ExtraDataAfterTheRows(const std::vector<uint8_t>& filtered) {
  std::vector<uint8_t> more = filtered;
  more.insert(more.end(), 100, 0);
  return OneIdat(more);
}

std::vector<Chunk> LastRowCutShort(const std::vector<uint8_t>& filtered) {
  return OneIdat({filtered.begin(), filtered.end() - 3});
}

std::vector<Chunk> WrongChecksum(const std::vector<uint8_t>& filtered) {
  std::vector<uint8_t> stream = testing::Deflate(filtered);
  stream.back() ^= 1;
  return testing::IdatChunks(stream, 200);
}

std::vector<Chunk> ChecksumMissing(const std::vector<uint8_t>& filtered) {
  std::vector<uint8_t> stream = testing::Deflate(filtered);
  stream.resize(stream.size() - 4);
  return testing::IdatChunks(stream, 200);
}

std::vector<Chunk> ChunkBetweenIdats(const std::vector<uint8_t>& filtered) {
  std::vector<Chunk> chunks = testing::IdatChunks(testing::Deflate(filtered), 200);
  chunks.insert(chunks.begin() + 1, Chunk{"tEXt", {'a', 0, 'b'}});
  return chunks;
}

const Made kMade[] = {
    {"OneIdat", OneIdat, true},
    {"SmallIdatsAndEmptyOnes", SmallIdatsAndEmptyOnes, true},
    {"GarbageAfterTheStreamInItsChunk", GarbageAfterTheStreamInItsChunk, true},
    {"ExtraDataAfterTheRows", ExtraDataAfterTheRows, false},
    {"LastRowCutShort", LastRowCutShort, false},
    {"WrongChecksum", WrongChecksum, false},
    {"ChecksumMissing", ChecksumMissing, false},
    {"ChunkBetweenIdats", ChunkBetweenIdats, false},
};

class IdatStreamMade : public ::testing::TestWithParam<Made> {};

TEST_P(IdatStreamMade, StreamsExactlyWhatEndsWithTheImage) {
  for (uint32_t channels : {3u, 4u}) {
    SCOPED_TRACE(channels);
    const testing::FilteredPicture picture = testing::MakeFilteredPicture(61, 23, channels);
    const std::vector<uint8_t> file =
        testing::MakePng(61, 23, channels, GetParam().image_data(picture.filtered));
    OpenedPng png;
    ASSERT_TRUE(OpenPng(file, {}, &png).ok());
    std::vector<uint8_t> pixels;
    const Status status = DecodeByHand(file, png.header.image, &pixels);
    ASSERT_EQ(status.ok(), GetParam().streams) << status.context;
    if (status.ok()) {
      EXPECT_TRUE(pixels == picture.pixels);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, IdatStreamMade, ::testing::ValuesIn(kMade),
                         [](const auto& info) { return std::string(info.param.name); });

// The checksum is read wherever the chunks cut it.
TEST(IdatStream, ReadsTheChecksumAcrossChunks) {
  const testing::FilteredPicture picture = testing::MakeFilteredPicture(13, 5, 4);
  const std::vector<uint8_t> stream = testing::Deflate(picture.filtered);
  std::vector<uint8_t> wrong = stream;
  wrong[wrong.size() - 2] ^= 0x10;
  for (size_t part = 1; part <= 9; ++part) {
    SCOPED_TRACE(part);
    const std::vector<uint8_t> file = testing::MakePng(13, 5, 4, testing::IdatChunks(stream, part));
    OpenedPng png;
    ASSERT_TRUE(OpenPng(file, {}, &png).ok());
    std::vector<uint8_t> pixels;
    EXPECT_TRUE(DecodeByHand(file, png.header.image, &pixels).ok());
    EXPECT_TRUE(pixels == picture.pixels);
    const std::vector<uint8_t> damaged =
        testing::MakePng(13, 5, 4, testing::IdatChunks(wrong, part));
    EXPECT_FALSE(DecodeByHand(damaged, png.header.image, &pixels).ok());
  }
}

// A file cut anywhere in its image data is refused, never read past its end.
TEST(IdatStream, RefusesEveryCut) {
  const testing::FilteredPicture picture = testing::MakeFilteredPicture(17, 9, 3);
  const std::vector<uint8_t> file = testing::MakePng(17, 9, 3, OneIdat(picture.filtered));
  OpenedPng png;
  ASSERT_TRUE(OpenPng(file, {}, &png).ok());
  const Image shape = png.header.image;
  // From inside the IDAT chunk's header to just before its CRC.
  for (size_t size = 33 + 4; size + 12 + 4 < file.size(); ++size) {
    const std::vector<uint8_t> cut(file.begin(), file.begin() + ptrdiff_t(size));
    std::vector<uint8_t> pixels;
    EXPECT_FALSE(DecodeByHand(cut, shape, &pixels).ok()) << size;
  }
}

}  // namespace
}  // namespace quorvel
