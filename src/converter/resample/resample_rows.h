// The resampler's two inner loops: filtering one row across, and combining
// filtered rows into one output row.
//
// Both are built twice, for AVX2 and for any x86-64, and the resampler takes
// the build the processor runs best: 256-bit vectors take two taps or two
// pixels per operation. Neither build fuses multiply and add, so both round
// alike and a picture comes out the same on every machine.
// Thread-safety: pure functions.
#ifndef KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_ROWS_H_
#define KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_ROWS_H_

#include <cstdint>

#include "converter/resample/resample_kernel.h"

namespace quorvel {

// One pixel as four floats (R, G, B, A premultiplied; A is 0 for RGB), so
// every tap is a single SIMD multiply-add whatever the channel count.
typedef float V4 __attribute__((vector_size(16)));

inline V4 Splat(float f) { return V4{f, f, f, f}; }

// The two loops. filter_across: `in` holds the kernel's source samples,
// `weights` its weights splatted over a pixel; writes kernel.taps.size()
// pixels to `dst`, each clamped into the range of the samples under its
// lobes. combine_down: the output row from `t.count` filtered rows (rows[k]
// is source row t.first + k of the vertical kernel, w8[8k .. 8k + 7] its
// weight k), clamped alike and written as `channels` bytes per pixel (alpha
// back out of premultiplied).
struct RowLoops {
  void (*filter_across)(const AxisKernel& kernel, const V4* weights, const V4* in, V4* dst);
  void (*combine_down)(const AxisTaps& t, const float* w8, const V4* const* rows, uint32_t width,
                       uint32_t channels, uint8_t* out);
};

// Built for this processor: AVX2 where it has it.
const RowLoops& BestRowLoops();

// Built for any x86-64; the same results as BestRowLoops, bit for bit.
const RowLoops& PlainRowLoops();

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_ROWS_H_
