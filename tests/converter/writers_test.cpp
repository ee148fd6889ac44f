// Each writer's output read back by Qt's own readers, which share no code
// with ours.
#include <gtest/gtest.h>

#include "converter/write/bmp_writer.h"
#include "converter/write/encode.h"
#include "converter/write/jpeg_writer.h"
#include "converter/write/png_writer.h"
#include "picture_checks.h"

namespace quorvel {
namespace {

using testing::DecodeWithQt;
using testing::MakeImage;
using testing::Psnr;
using testing::TestCard;

std::vector<uint8_t> Encoded(const Image& image, OutputType type, EncodeOptions options = {}) {
  std::vector<uint8_t> bytes;
  const Status status = EncodePicture(image, type, options, &bytes);
  EXPECT_TRUE(status.ok()) << ErrorMessage(status.code) << " " << status.context;
  return bytes;
}

// Half-transparent cyan over white, with an opaque and a clear corner.
Image AlphaCard() {
  return MakeImage(21, 13, 4, [](uint32_t x, uint32_t y, uint8_t* p) {
    p[0] = 0, p[1] = 200, p[2] = 200;
    p[3] = x < 7 ? 255 : x < 14 ? 128 : 0;
    if (y == 0) p[3] = 255;
  });
}

// What flattening onto white makes of AlphaCard's pixel at column x.
std::array<int, 3> FlatAlphaCard(uint32_t x, uint32_t y) {
  const int a = y == 0 || x < 7 ? 255 : x < 14 ? 128 : 0;
  auto mix = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
  return {mix(0), mix(200), mix(200)};
}

// Bytes no filter predicts and no match repeats.
uint8_t Noise(uint32_t x, uint32_t y, uint32_t channel) {
  uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ channel * 0xC2B2AE3Du;
  h ^= h >> 15, h *= 0x2C1B3C6Du, h ^= h >> 12;
  return static_cast<uint8_t>(h >> 8);
}

// The chunk types of a PNG, in order.
std::vector<std::string> ChunkTypes(const std::vector<uint8_t>& png) {
  std::vector<std::string> types;
  for (size_t at = 8; at + 12 <= png.size();) {
    const size_t length = size_t{png[at]} << 24 | size_t{png[at + 1]} << 16 |
                          size_t{png[at + 2]} << 8 | png[at + 3];
    types.emplace_back(png.begin() + at + 4, png.begin() + at + 8);
    at += 12 + length;
  }
  return types;
}

// The sampling factors of the luma and first chroma component in a JPEG's
// start-of-frame segment.
std::pair<int, int> JpegLumaAndChromaSampling(const std::vector<uint8_t>& jpeg) {
  for (size_t i = 2; i + 15 < jpeg.size();) {
    if (jpeg[i] != 0xFF) return {-1, -1};
    const uint8_t marker = jpeg[i + 1];
    const size_t length = size_t{jpeg[i + 2]} << 8 | jpeg[i + 3];
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      return {jpeg[i + 11], jpeg[i + 14]};
    }
    i += 2 + length;
  }
  return {-1, -1};
}

TEST(JpegWriterTest, HighQualityIsCloseAndKeepsFullChroma) {
  const Image card = TestCard(160, 120, 3);
  const auto bytes = Encoded(card, OutputType::kJpeg, {false, 100});
  auto back = DecodeWithQt(bytes);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->width, 160u);
  EXPECT_EQ(back->height, 120u);
  EXPECT_GE(Psnr(*back, card), 38.0);
  EXPECT_EQ(JpegLumaAndChromaSampling(bytes), std::make_pair(0x11, 0x11));
}

TEST(JpegWriterTest, ChromaIsHalvedBelowQuality90AndFilesShrinkWithQuality) {
  const Image card = TestCard(160, 120, 3);
  struct Case { int quality; int luma_sampling; };
  size_t last_size = SIZE_MAX;
  for (const Case& c : {Case{100, 0x11}, Case{90, 0x11}, Case{89, 0x22}, Case{50, 0x22},
                        Case{10, 0x22}}) {
    const auto bytes = Encoded(card, OutputType::kJpeg, {false, c.quality});
    EXPECT_EQ(JpegLumaAndChromaSampling(bytes).first, c.luma_sampling) << c.quality;
    EXPECT_LT(bytes.size(), last_size) << c.quality;
    last_size = bytes.size();
    ASSERT_TRUE(DecodeWithQt(bytes).has_value()) << c.quality;
  }
  // Out-of-range qualities are clamped, not refused.
  EXPECT_EQ(Encoded(card, OutputType::kJpeg, {false, 5}),
            Encoded(card, OutputType::kJpeg, {false, 10}));
  EXPECT_EQ(Encoded(card, OutputType::kJpeg, {false, 1000}),
            Encoded(card, OutputType::kJpeg, {false, 100}));
}

TEST(WriterTest, AlphaIsFlattenedOntoWhiteForJpegAndBmp) {
  const Image card = AlphaCard();
  for (OutputType type : {OutputType::kJpeg, OutputType::kBmp}) {
    auto back = DecodeWithQt(Encoded(card, type));
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->channels, 3u);
    const int tolerance = type == OutputType::kBmp ? 0 : 6;
    for (uint32_t y : {0u, 6u}) {
      for (uint32_t x : {2u, 10u, 18u}) {
        const auto want = FlatAlphaCard(x, y);
        for (int c = 0; c < 3; ++c) {
          EXPECT_NEAR(back->row(y)[x * 3 + c], want[c], tolerance) << x << "," << y;
        }
      }
    }
  }
}

TEST(BmpWriterTest, Writes24BitBottomUpWithPaddedRows) {
  // Width 5: 15 bytes of pixels, padded to 16 per row.
  const Image card = TestCard(5, 3, 3);
  const auto bytes = Encoded(card, OutputType::kBmp);
  ASSERT_EQ(bytes.size(), 14u + 40u + 16u * 3u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[28], 24);  // bits per pixel
  EXPECT_EQ(bytes[22], 3);   // height, positive: bottom-up
  // The first stored row is the bottom one, in blue-green-red order.
  EXPECT_EQ(bytes[54], card.row(2)[2]);
  EXPECT_EQ(bytes[56], card.row(2)[0]);
  auto back = DecodeWithQt(bytes);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->pixels, card.pixels);
}

TEST(PngWriterTest, RoundTripsExactlyAndKeepsAlphaOnlyWhenNeeded) {
  struct Case {
    const char* name;
    Image image;
    uint8_t color_type;  // IHDR: 2 RGB, 6 RGBA
    size_t idat_chunks;
  };
  // Noise takes Huffman codes alone, the grey ramp and the cards matches;
  // the large noise passes 1 MiB of image data.
  const Case cases[] = {
      {"card", TestCard(64, 48, 3), 2, 1},
      {"opaque RGBA", TestCard(64, 48, 4), 2, 1},  // written as RGB
      {"alpha", AlphaCard(), 6, 1},
      {"grey", MakeImage(120, 90, 3, [](uint32_t x, uint32_t y, uint8_t* p) {
         p[0] = p[1] = p[2] = static_cast<uint8_t>(x + 2 * y);
       }), 2, 1},
      {"noise with alpha", MakeImage(97, 61, 4, [](uint32_t x, uint32_t y, uint8_t* p) {
         for (uint32_t c = 0; c < 4; ++c) p[c] = Noise(x, y, c);
       }), 6, 1},
      {"large noise", MakeImage(700, 520, 3, [](uint32_t x, uint32_t y, uint8_t* p) {
         for (uint32_t c = 0; c < 3; ++c) p[c] = Noise(x, y, c);
       }), 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto bytes = Encoded(c.image, OutputType::kPng);
    ASSERT_GT(bytes.size(), 26u);
    EXPECT_EQ(bytes[25], c.color_type);
    std::vector<std::string> expected = {"IHDR", "sRGB"};
    expected.insert(expected.end(), c.idat_chunks, "IDAT");
    expected.push_back("IEND");
    EXPECT_EQ(ChunkTypes(bytes), expected);
    auto back = DecodeWithQt(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(Psnr(*back, c.image), std::numeric_limits<double>::infinity());
    if (c.color_type == 6) {
      for (size_t i = 3; i < c.image.pixels.size(); i += 4) {
        ASSERT_EQ(back->pixels[i], c.image.pixels[i]);
      }
    }
  }
}

TEST(PngWriterTest, RowsRepeatingTheOneAboveCostAlmostNothing) {
  // Rows of 33 000 bytes, beyond deflate's reach back, all the same noise:
  // only the first row's bytes carry information, if the filter chosen for
  // the others (Up) is the one libspng applies; any other leaves noise.
  const Image stripes = MakeImage(11000, 3, 3, [](uint32_t x, uint32_t, uint8_t* p) {
    for (uint32_t c = 0; c < 3; ++c) p[c] = Noise(x, 0, c);
  });
  const auto bytes = Encoded(stripes, OutputType::kPng);
  EXPECT_LT(bytes.size(), 11000u * 3u + 2000u);
  auto back = DecodeWithQt(bytes);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->pixels, stripes.pixels);
}

TEST(PngWriterTest, TextureBesideABlurTakesMatchesOverAShortWindow) {
  // Like bark against a blurred background: matches pay in the blur, but
  // over a long window zlib also spends bits on chance matches in the
  // texture. libpng inflates with the window the stream declares, so Qt
  // reads the picture back only if that is the one it was made with.
  const Image photo = MakeImage(320, 240, 3, [](uint32_t x, uint32_t y, uint8_t* p) {
    for (uint32_t c = 0; c < 3; ++c) {
      p[c] = static_cast<uint8_t>(x < 160 ? 100 + Noise(x, y, c) % 4 : (x + 2 * y + 40 * c) / 4);
    }
  });
  const auto bytes = Encoded(photo, OutputType::kPng);
  const size_t idat = 8 + 25 + 13;  // after IHDR and sRGB
  ASSERT_GT(bytes.size(), idat + 9);
  ASSERT_EQ(std::string(bytes.begin() + idat + 4, bytes.begin() + idat + 8), "IDAT");
  EXPECT_EQ(bytes[idat + 8] >> 4, 12 - 8) << "zlib header: a window of 2^12 bytes";
  auto back = DecodeWithQt(bytes);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->pixels, photo.pixels);
}

TEST(WriterTest, SidesBeyondTheFormatAreRefused) {
  Image wide;
  wide.width = 70000;
  wide.height = 1;
  wide.channels = 3;
  wide.pixels.assign(wide.stride(), 128);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(EncodePicture(wide, OutputType::kJpeg, {}, &bytes).code, Error::kTooLarge);
  EXPECT_EQ(EncodePicture(wide, OutputType::kGif, {}, &bytes).code, Error::kTooLarge);
  // PNG and BMP take it.
  EXPECT_TRUE(EncodePicture(wide, OutputType::kPng, {}, &bytes).ok());
  EXPECT_TRUE(EncodePicture(wide, OutputType::kBmp, {}, &bytes).ok());
}

}  // namespace
}  // namespace quorvel
