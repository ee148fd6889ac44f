// GIFs made here with a chosen LZW minimum code size, read through the GIF
// reader and compared pixel for pixel with what was encoded. Sizes 9 to 11
// go through our own decoder; 2 and 8 go through giflib and show that the
// encoder here agrees with an independent decoder, and that damage ends
// alike on both paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "converter/read/gif_lzw.h"
#include "converter/read/gif_reader.h"
#include "made_gif.h"

namespace quorvel::testing {
namespace {

using Palette = std::vector<std::array<uint8_t, 3>>;

Palette MakePalette(size_t entries) {
  Palette palette(entries);
  for (size_t i = 0; i < entries; ++i)
    palette[i] = {uint8_t(i * 7 + 1), uint8_t(i * 13 + 2), uint8_t(255 - i)};
  return palette;
}

// Runs (which make codes that define themselves) between noise (which
// fills the table).
std::vector<uint16_t> MakeIndices(size_t count, uint32_t range, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint16_t> indices;
  indices.reserve(count);
  while (indices.size() < count) {
    uint16_t value = uint16_t(rng() % range);
    size_t run = rng() % 4 == 0 ? 1 + rng() % 12 : 1;
    for (size_t i = 0; i < run && indices.size() < count; ++i) indices.push_back(value);
  }
  return indices;
}

// The frame's indices (row by row as shown) in the order the file stores them.
std::vector<uint16_t> FileOrder(const std::vector<uint16_t>& shown, uint32_t width,
                                uint32_t height, bool interlaced) {
  if (!interlaced) return shown;
  std::vector<uint16_t> stored;
  for (uint32_t y : InterlacedRows(height))
    stored.insert(stored.end(), shown.begin() + std::ptrdiff_t(size_t{y} * width),
                  shown.begin() + std::ptrdiff_t(size_t{y + 1} * width));
  return stored;
}

// What the reader promises for `shown` on the frame's screen: the palette
// colour, black beyond the palette, transparent off the frame and at the
// transparent index; RGB when nothing is transparent.
Image Expected(const GifFrame& f, const std::vector<uint16_t>& shown) {
  Image image;
  image.width = f.screen_width;
  image.height = f.screen_height;
  image.channels = 4;
  image.pixels.assign(size_t{image.width} * image.height * 4, 0);
  bool any_transparent = false;
  for (uint32_t y = 0; y < image.height; ++y)
    for (uint32_t x = 0; x < image.width; ++x) {
      uint8_t* px = image.row(y) + size_t{x} * 4;
      bool inside = x >= f.left && x < uint32_t(f.left + f.width) && y >= f.top &&
                    y < uint32_t(f.top + f.height);
      int index = inside ? shown[size_t{y - f.top} * f.width + (x - f.left)] : -1;
      if (!inside || index == f.transparent_index) {
        any_transparent = true;
        continue;
      }
      if (size_t(index) < f.palette.size()) std::copy_n(f.palette[size_t(index)].begin(), 3, px);
      px[3] = 255;
    }
  if (any_transparent) return image;
  Image rgb;
  rgb.width = image.width;
  rgb.height = image.height;
  rgb.channels = 3;
  for (size_t i = 0; i < image.pixels.size(); i += 4)
    rgb.pixels.insert(rgb.pixels.end(), image.pixels.begin() + std::ptrdiff_t(i),
                      image.pixels.begin() + std::ptrdiff_t(i + 3));
  return rgb;
}

struct RoundTrip {
  const char* name;
  int code_size;
  bool interlaced;
  LzwOptions lzw;
  size_t palette;
  uint32_t range;  // indices drawn below this; beyond the palette paints black
  uint16_t width, height;
  bool framed;  // a smaller frame inside the screen, with a transparent index
  bool fills_table;
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }

class GifLzwRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(GifLzwRoundTrip, PixelsAreWhatWasEncoded) {
  const RoundTrip& c = GetParam();
  GifFrame f;
  f.width = c.width;
  f.height = c.height;
  f.screen_width = c.framed ? uint16_t(c.width + 9) : c.width;
  f.screen_height = c.framed ? uint16_t(c.height + 5) : c.height;
  f.left = c.framed ? 4 : 0;
  f.top = c.framed ? 3 : 0;
  f.transparent_index = c.framed ? 3 : -1;
  f.palette = MakePalette(c.palette);
  f.interlaced = c.interlaced;
  f.code_size_byte = uint8_t(c.code_size);
  std::vector<uint16_t> shown = MakeIndices(size_t{c.width} * c.height, c.range, 7);
  LzwOptions options = c.lzw;
  options.minimum_code_size = c.code_size;
  LzwStats stats;
  f.lzw = EncodeLzw(FileOrder(shown, c.width, c.height, c.interlaced), options, &stats);
  // The case covers what its name says.
  EXPECT_GT(stats.self_defining, 0);
  EXPECT_EQ(stats.table_fills > 0, c.fills_table) << stats.table_fills;
  bool clears_when_full = c.fills_table && c.lzw.when_full == TableFull::kClear;
  EXPECT_EQ(stats.clears > 0, c.lzw.clear_every > 0 || clears_when_full);

  SourcePicture picture;
  Status status = ReadGif(MakeGif(f), {}, &picture);
  ASSERT_TRUE(status.ok()) << status.context;
  Image expected = Expected(f, shown);
  ASSERT_EQ(picture.image.channels, expected.channels);
  ASSERT_EQ(picture.image.width, expected.width);
  ASSERT_EQ(picture.image.height, expected.height);
  EXPECT_TRUE(picture.image.pixels == expected.pixels);
  EXPECT_EQ(picture.model, expected.channels == 4 ? PixelModel::kRgba : PixelModel::kRgb);
}

constexpr LzwOptions kPlain{};
constexpr LzwOptions kClearFull{8, TableFull::kClear, 0};
constexpr LzwOptions kClearOften{8, TableFull::kKeep, 150};

INSTANTIATE_TEST_SUITE_P(
    CodeSizes, GifLzwRoundTrip,
    ::testing::Values(
        // giflib's own sizes: the encoder against an independent decoder.
        RoundTrip{"giflib_2", 2, false, kPlain, 4, 4, 100, 100, false, false},
        RoundTrip{"giflib_2_deferred_clear", 2, false, kPlain, 4, 4, 300, 300, false, true},
        RoundTrip{"giflib_8_interlaced", 8, true, kPlain, 256, 256, 100, 100, false, true},
        RoundTrip{"giflib_8_clear_full", 8, false, kClearFull, 256, 256, 100, 100, false, true},
        RoundTrip{"giflib_8_mid_clears", 8, false, kClearOften, 256, 256, 100, 100, false, false},
        RoundTrip{"giflib_8_beyond_palette", 8, false, kPlain, 16, 256, 60, 40, false, false},
        RoundTrip{"giflib_8_framed", 8, true, kPlain, 16, 64, 37, 23, true, false},
        // Ours.
        RoundTrip{"own_9", 9, false, kPlain, 256, 256, 100, 100, false, true},
        RoundTrip{"own_10_interlaced", 10, true, kPlain, 256, 1024, 61, 45, false, false},
        RoundTrip{"own_11", 11, false, kPlain, 256, 256, 100, 100, false, true},
        RoundTrip{"own_11_interlaced", 11, true, kPlain, 256, 256, 100, 100, false, true},
        RoundTrip{"own_11_deferred_clear", 11, false, kPlain, 256, 2048, 200, 150, false, true},
        RoundTrip{"own_11_clear_full", 11, true, kClearFull, 256, 2048, 200, 150, false, true},
        RoundTrip{"own_11_mid_clears", 11, false, kClearOften, 256, 256, 100, 100, false, false},
        RoundTrip{"own_11_beyond_palette", 11, false, kPlain, 16, 2048, 60, 40, false, false},
        RoundTrip{"own_11_framed", 11, true, kPlain, 16, 2048, 37, 23, true, false},
        RoundTrip{"own_9_framed_deferred_clear", 9, false, kPlain, 256, 512, 300, 200, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A frame of width x height from code size 8 (giflib) or 11 (ours), so
// damage can be shown to end alike on both paths.
struct Made {
  GifFrame frame;
  std::vector<uint16_t> shown;
};
Made MakeFrame(int code_size, uint16_t width = 50, uint16_t height = 40) {
  Made m;
  m.frame.width = m.frame.screen_width = width;
  m.frame.height = m.frame.screen_height = height;
  m.frame.palette = MakePalette(256);
  m.frame.code_size_byte = uint8_t(code_size);
  m.shown = MakeIndices(size_t{width} * height, 256, 11);
  m.frame.lzw = EncodeLzw(m.shown, {code_size, TableFull::kKeep, 0});
  return m;
}

Status Read(const std::vector<uint8_t>& file, SourcePicture* picture) {
  return ReadGif(file, {}, picture);
}

class GifDamage : public ::testing::TestWithParam<int> {};

TEST_P(GifDamage, TruncationFailsUnlessOnlyTheTrailerIsMissing) {
  std::vector<uint8_t> whole = MakeGif(MakeFrame(GetParam()).frame);
  // The file ends: ... last sub-block, terminator 0, trailer 0x3b.
  struct Cut {
    const char* where;
    size_t keep;
    bool reads;
  };
  for (Cut cut : {Cut{"mid-data", whole.size() / 2, false},
                  Cut{"inside the last sub-block", whole.size() - 3, false},
                  Cut{"before the terminator", whole.size() - 2, false},
                  Cut{"before the trailer", whole.size() - 1, true}}) {
    SourcePicture picture;
    Status status = Read({whole.begin(), whole.begin() + std::ptrdiff_t(cut.keep)}, &picture);
    EXPECT_EQ(status.ok(), cut.reads) << cut.where << ": " << status.context;
    if (!cut.reads) {
      EXPECT_EQ(status.code, Error::kCorruptGif) << cut.where;
      EXPECT_TRUE(picture.image.pixels.empty()) << cut.where;
    }
  }
}

TEST_P(GifDamage, DataEndingBeforeTheLastPixelFails) {
  Made m = MakeFrame(GetParam());
  // The end code after half the pixels; the sub-blocks stopping after half
  // the codes.
  GifFrame early_end = m.frame;
  early_end.lzw = EncodeLzw({m.shown.begin(), m.shown.begin() + std::ptrdiff_t(m.shown.size() / 2)},
                            {GetParam(), TableFull::kKeep, 0});
  GifFrame early_terminator = m.frame;
  early_terminator.lzw.resize(m.frame.lzw.size() / 2);
  for (const GifFrame& f : {early_end, early_terminator}) {
    SourcePicture picture;
    Status status = Read(MakeGif(f), &picture);
    EXPECT_EQ(status.code, Error::kCorruptGif) << status.context;
  }
}

TEST_P(GifDamage, PixelsCodedPastTheFrameAreDropped) {
  Made m = MakeFrame(GetParam());
  std::vector<uint16_t> longer = m.shown;
  longer.insert(longer.end(), 700, 5);
  m.frame.lzw = EncodeLzw(longer, {GetParam(), TableFull::kKeep, 0});
  SourcePicture picture;
  Status status = Read(MakeGif(m.frame), &picture);
  ASSERT_TRUE(status.ok()) << status.context;
  EXPECT_TRUE(picture.image.pixels == Expected(m.frame, m.shown).pixels);
}

INSTANTIATE_TEST_SUITE_P(GiflibAndOwn, GifDamage, ::testing::Values(8, 11));

TEST(GifLzwTest, CodeBeyondTheTableFails) {
  // Size 11: every code 12 bits; clear 2048, end 2049, the first entry 2050.
  const std::vector<std::vector<RawCode>> streams = {
      {{2048, 12}, {5, 12}, {2051, 12}},  // 2050 is the next entry, 2051 is not yet
      {{2048, 12}, {2050, 12}},           // nothing to define itself from
      {{4095, 12}},                       // no clear code first, no table yet
  };
  for (const auto& codes : streams) {
    Made m = MakeFrame(11);
    m.frame.lzw = PackCodes(codes);
    m.frame.lzw.resize(m.frame.lzw.size() + 600, 0);  // enough data for the frame
    SourcePicture picture;
    Status status = Read(MakeGif(m.frame), &picture);
    EXPECT_EQ(status.code, Error::kCorruptGif) << codes.back().code;
    EXPECT_NE(status.context.find("jenseits der Tabelle"), std::string::npos) << status.context;
  }
}

TEST(GifLzwTest, CodeSizesWithoutRoomForCodesAreRefused) {
  for (int size : {12, 13, 255}) {
    Made m = MakeFrame(11);
    m.frame.code_size_byte = uint8_t(size);
    SourcePicture picture;
    Status status = Read(MakeGif(m.frame), &picture);
    EXPECT_EQ(status.code, Error::kCorruptGif) << size;
    EXPECT_NE(status.context.find("Codegröße"), std::string::npos) << status.context;
    EXPECT_TRUE(picture.image.pixels.empty());
  }
}

TEST(GifLzwTest, LocalPaletteBeforeTheCodeSizeIsCounted) {
  // Finding the size byte giflib refused means stepping over a local
  // palette; the local palette then wins and its 4 entries leave the rest
  // of the indices black.
  Made m = MakeFrame(11, 20, 10);
  Palette local = MakePalette(4);
  std::reverse(local.begin(), local.end());
  m.frame.local_palette = local;
  SourcePicture picture;
  Status status = Read(MakeGif(m.frame), &picture);
  ASSERT_TRUE(status.ok()) << status.context;
  m.frame.palette = local;
  EXPECT_TRUE(picture.image.pixels == Expected(m.frame, m.shown).pixels);
}

// A decoder that failed keeps its reason: a caller reading on gets the same
// status, never pixels from a table it gave up on.
TEST(GifLzwTest, AFailedDecoderRepeatsItsFailure) {
  const std::vector<uint8_t> cut = {0x02, 0x4C, 0x01};  // a sub-block missing a byte
  GifLzwDecoder decoder(cut, 2, 100);
  std::vector<uint16_t> pixels(100);
  const Status first = decoder.Read(pixels);
  ASSERT_EQ(first.code, Error::kCorruptGif);
  for (int i = 0; i < 2; ++i) {
    const Status again = decoder.Read(std::span<uint16_t>(pixels).first(1));
    EXPECT_EQ(again.code, first.code);
    EXPECT_EQ(again.context, first.context);
  }
}

}  // namespace
}  // namespace quorvel::testing
