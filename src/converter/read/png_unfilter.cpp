#include "converter/read/png_unfilter.h"

#include <cstdlib>

namespace quorvel {
namespace {

// The neighbour nearest to a + b - c, ties going to a, then b; said without
// the three distances, so that it takes fewer steps on the chain from one
// pixel to the next. The unit test checks it against the defining form for
// every a, b and c.
inline int Paeth(int a, int b, int c) {
  const int lo = a < b ? a : b;
  const int hi = a < b ? b : a;
  const int threshold = 3 * c - a - b;
  const int not_hi = hi <= threshold ? lo : c;
  return threshold <= lo ? hi : not_hi;
}

// Sub, average and Paeth depend on the pixel to the left, so the channels of
// one pixel are the only work that can go side by side; a pixel size known at
// compile time lets the compiler keep them in registers.
template <uint32_t kPixelBytes>
void UnfilterLeftDependent(uint8_t filter, const uint8_t* row, const uint8_t* previous,
                           size_t row_bytes, uint32_t pixel_bytes, uint8_t* out) {
  const size_t step = kPixelBytes != 0 ? kPixelBytes : pixel_bytes;
  const size_t lead = step < row_bytes ? step : row_bytes;
  // The first pixel has no left neighbour: a and c are zero.
  for (size_t i = 0; i < lead; ++i) {
    const int b = previous[i];
    const int prediction = filter == 1 ? 0 : filter == 3 ? b >> 1 : b;
    out[i] = uint8_t(row[i] + prediction);
  }
  switch (filter) {
    case 1:
      for (size_t i = lead; i < row_bytes; ++i) out[i] = uint8_t(row[i] + out[i - step]);
      break;
    case 3:
      for (size_t i = lead; i < row_bytes; ++i)
        out[i] = uint8_t(row[i] + ((out[i - step] + previous[i]) >> 1));
      break;
    default:
      for (size_t i = lead; i < row_bytes; ++i)
        out[i] = uint8_t(row[i] + Paeth(out[i - step], previous[i], previous[i - step]));
      break;
  }
}

}  // namespace

bool UnfilterRow(uint8_t filter, const uint8_t* row, const uint8_t* previous, size_t row_bytes,
                 uint32_t pixel_bytes, uint8_t* out) {
  switch (filter) {
    case 0:
      for (size_t i = 0; i < row_bytes; ++i) out[i] = row[i];
      return true;
    case 2:
      for (size_t i = 0; i < row_bytes; ++i) out[i] = uint8_t(row[i] + previous[i]);
      return true;
    case 1:
    case 3:
    case 4:
      if (pixel_bytes == 3) {
        UnfilterLeftDependent<3>(filter, row, previous, row_bytes, pixel_bytes, out);
      } else if (pixel_bytes == 4) {
        UnfilterLeftDependent<4>(filter, row, previous, row_bytes, pixel_bytes, out);
      } else {
        UnfilterLeftDependent<0>(filter, row, previous, row_bytes, pixel_bytes, out);
      }
      return true;
    default:
      return false;
  }
}

}  // namespace quorvel
