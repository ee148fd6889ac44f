// Rows built so that one filter predicts every byte after the first pixel:
// the choice must find that filter, and its residuals must be those zeros.
#include "converter/write/png_row_filter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace quorvel {
namespace {

constexpr uint32_t kPixelBytes = 3;
constexpr size_t kRowBytes = 90 * kPixelBytes;

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Byte i of the second row, given its left neighbour a, the byte above b
// and the one above-left c.
using RowRule = int (*)(int a, int b, int c);

struct Case {
  const char* name;
  RowRule rule;
  PngFilter expected;
};

// Two rows: random bytes, then one made by `rule`.
std::vector<uint8_t> TwoRows(RowRule rule) {
  std::mt19937 random(7);
  std::vector<uint8_t> rows(2 * kRowBytes);
  for (size_t i = 0; i < kRowBytes; ++i) rows[i] = static_cast<uint8_t>(random());
  uint8_t* row = rows.data() + kRowBytes;
  for (size_t i = 0; i < kRowBytes; ++i) {
    const bool first = i < kPixelBytes;
    const int a = first ? 0 : row[i - kPixelBytes];
    const int c = first ? 0 : rows[i - kPixelBytes];
    row[i] = static_cast<uint8_t>(first ? random() : rule(a, rows[i], c));
  }
  return rows;
}

class RowFilterTest : public testing::TestWithParam<Case> {};

TEST_P(RowFilterTest, FindsThePredictingFilter) {
  const Case& c = GetParam();
  const std::vector<uint8_t> rows = TwoRows(c.rule);
  const std::vector<PngFilter> filters = ChooseRowFilters(rows.data(), kRowBytes, 2, kPixelBytes);
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[1], c.expected);
  std::vector<uint8_t> residuals(kRowBytes);
  FilterRow(c.expected, rows.data() + kRowBytes, rows.data(), kRowBytes, kPixelBytes,
            residuals.data());
  for (size_t i = kPixelBytes; i < kRowBytes; ++i) ASSERT_EQ(residuals[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RowFilterTest,
    testing::Values(
        Case{"zero", [](int, int, int) { return 0; }, PngFilter::kNone},
        Case{"left", [](int a, int, int) { return a; }, PngFilter::kSub},
        Case{"above", [](int, int b, int) { return b; }, PngFilter::kUp},
        Case{"average", [](int a, int b, int) { return (a + b) >> 1; }, PngFilter::kAverage},
        Case{"paeth", [](int a, int b, int c) { return Paeth(a, b, c); }, PngFilter::kPaeth}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(RowFilterTest, TheFirstRowIsPredictedFromZeros) {
  // A ramp: from the left every step is 5. With no row above, Paeth
  // predicts from the left too.
  std::vector<uint8_t> row(kRowBytes);
  for (size_t i = 0; i < kRowBytes; ++i) row[i] = static_cast<uint8_t>(i / kPixelBytes * 5);
  EXPECT_EQ(ChooseRowFilters(row.data(), kRowBytes, 1, kPixelBytes)[0], PngFilter::kSub);
  std::vector<uint8_t> residuals(kRowBytes);
  FilterRow(PngFilter::kPaeth, row.data(), nullptr, kRowBytes, kPixelBytes, residuals.data());
  for (size_t i = kPixelBytes; i < kRowBytes; ++i) ASSERT_EQ(residuals[i], 5) << i;
}

}  // namespace
}  // namespace quorvel
