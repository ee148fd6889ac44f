// Filter weights for one axis of the resampler.
//
// A Lanczos-3 kernel, widened by the reduction factor when shrinking, with
// the weights of every output sample normalised to 1 (so edges need no
// padding). Each output sample also knows the taps under the kernel's main
// lobe and first negative lobe, whose range the resampler clamps to against
// ringing.
// Thread-safety: plain data; build once per axis and read from any thread.
#ifndef KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_KERNEL_H_
#define KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_KERNEL_H_

#include <cstdint>
#include <vector>

namespace quorvel {

struct AxisTaps {
  uint32_t first = 0;       // first source sample
  uint32_t count = 0;       // >= 1
  uint32_t lobe_first = 0;  // clamp range, relative to first
  uint32_t lobe_count = 0;  // >= 1
  uint32_t weight_offset = 0;  // into AxisKernel::weights
};

struct AxisKernel {
  std::vector<AxisTaps> taps;  // one per output sample
  // taps[i].count weights for output i from its weight_offset; outputs at
  // the same phase share theirs.
  std::vector<float> weights;
  uint32_t max_count = 0;
};

// The stretch of the source samples that the picture covers, in 1/`unit`
// of a sample from the first sample's outer edge. Usually every sample,
// whole; a shrunk decode's outermost sample and the resampler's last,
// partly padded box cover less (see ShrunkAxis in dct_scale.h).
struct SampleSpan {
  uint64_t start = 0;
  uint64_t length = 0;  // > 0
  uint64_t unit = 1;    // > 0
};

// source_size and output_size are >= 1; the output covers `span` evenly.
// Throws std::bad_alloc only.
AxisKernel BuildAxisKernel(uint32_t source_size, uint32_t output_size, SampleSpan span);

// The span of `source_size` whole samples.
inline AxisKernel BuildAxisKernel(uint32_t source_size, uint32_t output_size) {
  return BuildAxisKernel(source_size, output_size, {0, source_size, 1});
}

// The integer box factor the resampler averages with before the Lanczos
// stage, so that the Lanczos stage is left a reduction of 2 to 4 times.
uint32_t BoxFactor(uint32_t source_size, uint32_t output_size);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_KERNEL_H_
