// Choosing the PNG filter of each row, and applying one.
//
// The writer decides the filters itself rather than leaving it to libspng's
// sum-of-residuals rule: residuals of lower entropy compress better under
// deflate's Huffman codes, which carry most of a photo's weight.
// Thread-safety: pure functions.
#ifndef KALVENIX_CONVERTER_WRITE_PNG_ROW_FILTER_H_
#define KALVENIX_CONVERTER_WRITE_PNG_ROW_FILTER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

// The five filters, numbered as in a PNG row's leading byte.
enum class PngFilter : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

// For each of `height` rows of `row_bytes` bytes (`pixel_bytes` per pixel,
// rows back to back), the filter whose residual bytes have the lowest
// Shannon entropy. The first row is predicted from a row of zeros, as a
// decoder does.
std::vector<PngFilter> ChooseRowFilters(const uint8_t* rows, size_t row_bytes, uint32_t height,
                                        uint32_t pixel_bytes);

// The residuals of `row` under `filter` into `out` (`row_bytes` bytes);
// `previous` is null for the first row.
void FilterRow(PngFilter filter, const uint8_t* row, const uint8_t* previous, size_t row_bytes,
               uint32_t pixel_bytes, uint8_t* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_WRITE_PNG_ROW_FILTER_H_
