// Undoing the filter of a PNG row, as a decoder does before using it.
//
// The band pipeline inflates on the decoding thread and unfilters on the
// worker, so the two halves of libspng's work overlap. Thread-safety: pure
// functions.
#ifndef KALVENIX_CONVERTER_READ_PNG_UNFILTER_H_
#define KALVENIX_CONVERTER_READ_PNG_UNFILTER_H_

#include <cstddef>
#include <cstdint>

namespace quorvel {

// The pixels of `row` (`row_bytes` bytes, `pixel_bytes` per pixel, 1 to 8)
// into `out`, from the residuals the row's leading byte `filter` (0 to 4)
// names; `previous` is the row above, already unfiltered, or zeros above the
// first row. `out` may be `row`. False, with `out` unspecified, for any other
// filter.
bool UnfilterRow(uint8_t filter, const uint8_t* row, const uint8_t* previous, size_t row_bytes,
                 uint32_t pixel_bytes, uint8_t* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_PNG_UNFILTER_H_
