#include "converter/write/gif_writer.h"

#include <set>

#include <gtest/gtest.h>

#include "picture_checks.h"

namespace quorvel {
namespace {

using testing::DecodeWithQt;
using testing::MakeImage;

Image GifRoundTrip(const Image& image, bool transparency) {
  std::vector<uint8_t> bytes;
  const Status status = EncodeGif(image, transparency, &bytes);
  EXPECT_TRUE(status.ok()) << status.context;
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  auto back = DecodeWithQt(bytes);
  EXPECT_TRUE(back.has_value());
  return back ? *back : Image{};
}

uint8_t AlphaAt(const Image& image, uint32_t x, uint32_t y) {
  return image.channels == 4 ? image.row(y)[x * 4 + 3] : 255;
}

// Columns of alpha 0, 60, 127, 128, 200 and 255 over a colour ramp.
Image AlphaColumns() {
  return MakeImage(60, 20, 4, [](uint32_t x, uint32_t y, uint8_t* p) {
    static const uint8_t kAlpha[] = {0, 60, 127, 128, 200, 255};
    p[0] = uint8_t(x * 4), p[1] = uint8_t(y * 12), p[2] = 90;
    p[3] = kAlpha[x / 10];
  });
}

TEST(GifTransparencyTest, AlphaBelowHalfBecomesTheTransparentIndex) {
  const Image source = AlphaColumns();
  const Image back = GifRoundTrip(source, true);
  ASSERT_EQ(back.channels, 4u);
  for (uint32_t y = 0; y < source.height; ++y) {
    for (uint32_t x = 0; x < source.width; ++x) {
      const bool clear = source.row(y)[x * 4 + 3] < 128;
      ASSERT_EQ(AlphaAt(back, x, y), clear ? 0 : 255) << x << "," << y;
    }
  }
  // Alpha 200 is composited onto white: lighter than the colour itself.
  EXPECT_GT(back.row(10)[45 * 4 + 2], 90 + 20);
}

TEST(GifTransparencyTest, OpaquePictureMakesTheTopLeftColourTransparent) {
  // A logo: white ground, a blue disc, and a white dot inside the disc that
  // shares the ground's palette entry and so turns transparent as well.
  const Image logo = MakeImage(40, 30, 3, [](uint32_t x, uint32_t y, uint8_t* p) {
    const int dx = int(x) - 20, dy = int(y) - 15;
    const bool disc = dx * dx + dy * dy < 100;
    const bool dot = x == 20 && y == 15;
    p[0] = p[1] = p[2] = 255;
    if (disc && !dot) p[0] = 20, p[1] = 40, p[2] = 200;
  });
  const Image back = GifRoundTrip(logo, true);
  ASSERT_EQ(back.channels, 4u);
  EXPECT_EQ(AlphaAt(back, 0, 0), 0);
  EXPECT_EQ(AlphaAt(back, 39, 29), 0);
  EXPECT_EQ(AlphaAt(back, 20, 15), 0);
  EXPECT_EQ(AlphaAt(back, 17, 15), 255);
  EXPECT_EQ(AlphaAt(back, 20, 9), 255);
}

TEST(GifTransparencyTest, WithoutTransparencyAlphaIsFlattenedOntoWhite) {
  const Image back = GifRoundTrip(AlphaColumns(), false);
  for (uint32_t y = 0; y < back.height; ++y) {
    for (uint32_t x = 0; x < back.width; ++x) ASSERT_EQ(AlphaAt(back, x, y), 255);
  }
  // Alpha 0 is pure white; the palette must hold it exactly.
  EXPECT_EQ(back.row(5)[3 * (back.channels)], 255);
  EXPECT_EQ(back.row(5)[3 * back.channels + 1], 255);
}

TEST(GifTransparencyTest, OpaquePictureWithoutTransparencyHasNone) {
  const Image back = GifRoundTrip(testing::TestCard(50, 40, 3), false);
  for (uint32_t y = 0; y < back.height; ++y) {
    for (uint32_t x = 0; x < back.width; ++x) ASSERT_EQ(AlphaAt(back, x, y), 255);
  }
}

TEST(GifPaletteTest, PhotoGetsAtMost256ColoursAndStaysClose) {
  const Image card = testing::TestCard(200, 150, 3);
  const Image back = GifRoundTrip(card, false);
  std::set<uint32_t> colours;
  for (size_t i = 0; i < back.pixels.size(); i += back.channels) {
    colours.insert(uint32_t{back.pixels[i]} << 16 | back.pixels[i + 1] << 8 | back.pixels[i + 2]);
  }
  EXPECT_LE(colours.size(), 256u);
  EXPECT_GT(colours.size(), 64u);  // the quantiser used the palette it had
  // Dithering trades PSNR for smoothness; 28 dB still rules out a wrong palette.
  EXPECT_GE(testing::Psnr(back, card), 28.0);
}

TEST(GifPaletteTest, SingleColourPictureWorks) {
  const Image one = MakeImage(1, 1, 3, [](uint32_t, uint32_t, uint8_t* p) {
    p[0] = 10, p[1] = 20, p[2] = 30;
  });
  for (bool transparency : {false, true}) {
    const Image back = GifRoundTrip(one, transparency);
    ASSERT_EQ(back.width, 1u);
    EXPECT_EQ(AlphaAt(back, 0, 0), transparency ? 0 : 255);
    if (!transparency) {
      EXPECT_NEAR(back.pixels[0], 10, 2);
    }
  }
}

}  // namespace
}  // namespace quorvel
