#include "converter/write/png_row_filter.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace quorvel {
namespace {

inline uint8_t PaethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

}  // namespace

std::vector<PngFilter> ChooseRowFilters(const uint8_t* rows, size_t row_bytes, uint32_t height,
                                        uint32_t pixel_bytes) {
  std::vector<PngFilter> filters(height, PngFilter::kNone);
  if (row_bytes == 0) return filters;
  // n * entropy = n log n - sum of c log c over the byte counts c, so the
  // row with the largest sum has the lowest entropy; a table, because the
  // counts of one row never exceed its length.
  std::vector<float> c_log_c(row_bytes + 1, 0.0f);
  for (size_t c = 2; c <= row_bytes; ++c) {
    c_log_c[c] = static_cast<float>(static_cast<double>(c) * std::log2(static_cast<double>(c)));
  }
  const std::vector<uint8_t> zeros(row_bytes, 0);
  const size_t lead = pixel_bytes < row_bytes ? pixel_bytes : row_bytes;
  std::array<std::array<uint32_t, 256>, 5> counts;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = rows + size_t{y} * row_bytes;
    const uint8_t* up = y == 0 ? zeros.data() : row - row_bytes;
    for (auto& histogram : counts) histogram.fill(0);
    // The first pixel has no left neighbour: a and c are zero.
    for (size_t i = 0; i < lead; ++i) {
      const uint8_t x = row[i];
      const uint8_t b = up[i];
      ++counts[0][x];
      ++counts[1][x];
      ++counts[2][static_cast<uint8_t>(x - b)];
      ++counts[3][static_cast<uint8_t>(x - (b >> 1))];
      ++counts[4][static_cast<uint8_t>(x - b)];
    }
    for (size_t i = lead; i < row_bytes; ++i) {
      const uint8_t x = row[i];
      const uint8_t a = row[i - pixel_bytes];
      const uint8_t b = up[i];
      const uint8_t c = up[i - pixel_bytes];
      ++counts[0][x];
      ++counts[1][static_cast<uint8_t>(x - a)];
      ++counts[2][static_cast<uint8_t>(x - b)];
      ++counts[3][static_cast<uint8_t>(x - ((a + b) >> 1))];
      ++counts[4][static_cast<uint8_t>(x - PaethPredictor(a, b, c))];
    }
    float best_sum = -1.0f;
    for (int f = 0; f < 5; ++f) {
      float sum = 0.0f;
      for (uint32_t count : counts[f]) sum += c_log_c[count];
      if (sum > best_sum) {
        best_sum = sum;
        filters[y] = static_cast<PngFilter>(f);
      }
    }
  }
  return filters;
}

void FilterRow(PngFilter filter, const uint8_t* row, const uint8_t* previous, size_t row_bytes,
               uint32_t pixel_bytes, uint8_t* out) {
  for (size_t i = 0; i < row_bytes; ++i) {
    const int a = i >= pixel_bytes ? row[i - pixel_bytes] : 0;
    const int b = previous != nullptr ? previous[i] : 0;
    const int c = previous != nullptr && i >= pixel_bytes ? previous[i - pixel_bytes] : 0;
    int prediction = 0;
    switch (filter) {
      case PngFilter::kNone: prediction = 0; break;
      case PngFilter::kSub: prediction = a; break;
      case PngFilter::kUp: prediction = b; break;
      case PngFilter::kAverage: prediction = (a + b) >> 1; break;
      case PngFilter::kPaeth: prediction = PaethPredictor(a, b, c); break;
    }
    out[i] = static_cast<uint8_t>(row[i] - prediction);
  }
}

}  // namespace quorvel
