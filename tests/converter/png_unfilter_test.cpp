// Unfiltering must give back exactly the row that filtering started from,
// for every filter and pixel size, including rows no wider than one pixel.
#include "converter/read/png_unfilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter/write/png_row_filter.h"

namespace quorvel {
namespace {

std::vector<uint8_t> Noise(size_t bytes, uint32_t seed) {
  std::vector<uint8_t> out(bytes);
  for (uint8_t& byte : out) {
    seed = seed * 1103515245u + 12345u;
    byte = uint8_t(seed >> 24);
  }
  return out;
}

struct Shape {
  uint32_t pixel_bytes;
  uint32_t pixels;
};

class PngUnfilterTest : public ::testing::TestWithParam<Shape> {};

TEST_P(PngUnfilterTest, UndoesEveryFilter) {
  const Shape shape = GetParam();
  const size_t row_bytes = size_t{shape.pixel_bytes} * shape.pixels;
  const std::vector<uint8_t> above = Noise(row_bytes, 1);
  const std::vector<uint8_t> zeros(row_bytes, 0);
  // Extremes as well as noise, so that Paeth's ties and wrap-arounds occur.
  std::vector<std::vector<uint8_t>> rows = {Noise(row_bytes, 2),
                                            std::vector<uint8_t>(row_bytes, 255), above};
  for (const std::vector<uint8_t>& row : rows) {
    for (uint8_t f = 0; f <= 4; ++f) {
      for (bool first : {false, true}) {
        SCOPED_TRACE("filter " + std::to_string(f) + (first ? " first row" : ""));
        std::vector<uint8_t> filtered(row_bytes);
        FilterRow(static_cast<PngFilter>(f), row.data(), first ? nullptr : above.data(), row_bytes,
                  shape.pixel_bytes, filtered.data());
        std::vector<uint8_t> out(row_bytes, 0xAA);
        ASSERT_TRUE(UnfilterRow(f, filtered.data(), first ? zeros.data() : above.data(), row_bytes,
                                shape.pixel_bytes, out.data()));
        EXPECT_EQ(out, row);
        // In place, as the row's own buffer.
        ASSERT_TRUE(UnfilterRow(f, filtered.data(), first ? zeros.data() : above.data(), row_bytes,
                                shape.pixel_bytes, filtered.data()));
        EXPECT_EQ(filtered, row);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, PngUnfilterTest,
                         ::testing::Values(Shape{1, 37}, Shape{2, 9}, Shape{3, 1}, Shape{3, 50},
                                           Shape{4, 1}, Shape{4, 33}, Shape{6, 7}, Shape{8, 5}),
                         [](const auto& info) {
                           return std::to_string(info.param.pixel_bytes) + "BytesBy" +
                                  std::to_string(info.param.pixels);
                         });

// Against the filter's defining form (through FilterRow) for every left,
// upper and upper-left neighbour: in each row the odd bytes meet every left
// value under one pair of upper neighbours.
TEST(PngUnfilter, PaethPredictsAsDefinedForEveryNeighbourhood) {
  std::vector<uint8_t> above(512), row(512), filtered(512), out(512);
  for (int i = 0; i < 512; i += 2) {
    row[i] = uint8_t(i / 2);
    row[i + 1] = uint8_t(i * 7);
  }
  for (int b = 0; b < 256; ++b) {
    for (int c = 0; c < 256; ++c) {
      for (int i = 0; i < 512; i += 2) {
        above[i] = uint8_t(c);
        above[i + 1] = uint8_t(b);
      }
      FilterRow(PngFilter::kPaeth, row.data(), above.data(), row.size(), 1, filtered.data());
      ASSERT_TRUE(UnfilterRow(4, filtered.data(), above.data(), row.size(), 1, out.data()));
      ASSERT_EQ(out, row) << "b " << b << " c " << c;
    }
  }
}

TEST(PngUnfilter, RefusesUnknownFilters) {
  const std::vector<uint8_t> row(12, 7), above(12, 9);
  std::vector<uint8_t> out(12);
  for (int f = 5; f <= 255; ++f)
    EXPECT_FALSE(UnfilterRow(uint8_t(f), row.data(), above.data(), row.size(), 3, out.data())) << f;
}

}  // namespace
}  // namespace quorvel
