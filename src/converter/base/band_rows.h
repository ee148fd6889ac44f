// The band height: how many rows go from the decoding thread to the band
// worker at once. The queue's buffers, the JPEG reader's reads and the
// encoder's batches all take this one number, so changing it changes all
// of them together.
// Thread-safety: a constant.
#ifndef KALVENIX_CONVERTER_BASE_BAND_ROWS_H_
#define KALVENIX_CONVERTER_BASE_BAND_ROWS_H_

#include <cstdint>

namespace quorvel {

// Enough to keep the hand-over between threads rare, few enough that the
// bands in flight stay in the cache.
inline constexpr uint32_t kBandRows = 32;

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_BAND_ROWS_H_
