#include "converter/resample/resample_kernel.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace quorvel {
namespace {

constexpr double kLobes = 3.0;
// The clamp range covers the main lobe and the first negative one: that
// still cuts the overshoot beside a hard edge, while texture keeps the
// contrast that a main-lobe-only range flattened (3-4 dB against a plain
// Lanczos on fine detail).
constexpr double kClampLobes = 2.0;
constexpr double kPi = 3.14159265358979323846;

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  const double px = kPi * x;
  return std::sin(px) / px;
}

double Lanczos3(double x) {
  if (x <= -kLobes || x >= kLobes) return 0.0;
  return Sinc(x) * Sinc(x / kLobes);
}

}  // namespace

uint32_t BoxFactor(uint32_t source_size, uint32_t output_size) {
  // Averaging boxes are cheap and bound the Lanczos taps (and their memory)
  // for huge reductions, but a box is a poor low-pass filter: leave at least
  // a reduction of 2 to the Lanczos stage so the box response is still flat
  // in the band that survives.
  const uint32_t factor = source_size / output_size / 2;
  return std::max<uint32_t>(factor, 1);
}

AxisKernel BuildAxisKernel(uint32_t source_size, uint32_t output_size, SampleSpan span) {
  AxisKernel kernel;
  kernel.taps.resize(output_size);
  // The same rational as source_size / output_size when the span is every
  // sample, so the double (a correctly rounded quotient) is the same too.
  const double scale =
      static_cast<double>(span.length) / static_cast<double>(span.unit * output_size);
  const double origin = static_cast<double>(span.start) / static_cast<double>(span.unit);
  // Widening the kernel by the reduction factor makes it a low-pass at the
  // output's rate; enlarging keeps the plain kernel (it interpolates).
  const double filter_scale = std::max(scale, 1.0);
  const double support = kLobes * filter_scale;
  const int64_t last = int64_t{source_size} - 1;
  // Outputs whose centres fall at the same fraction of a source sample have
  // the same weights (all of them when the reduction is a whole number), so
  // each such phase is computed once and its weights shared. Output i's
  // centre is (2 start output_size + (2i + 1) length) / (2 unit output_size)
  // samples in; its phase is that numerator modulo the denominator, kept
  // exactly (start < unit).
  const uint64_t period = uint64_t{2} * span.unit * output_size;
  const uint64_t phase_step = uint64_t{2} * span.length % period;
  uint64_t phase = (uint64_t{2} * span.start * output_size + span.length) % period;
  std::unordered_map<uint64_t, uint32_t> output_of_phase;  // an unclipped output
  std::vector<double> w;
  for (uint32_t i = 0; i < output_size; ++i, phase = (phase + phase_step) % period) {
    const double center = origin + (i + 0.5) * scale;
    int64_t from = static_cast<int64_t>(std::floor(center - support));
    int64_t to = static_cast<int64_t>(std::ceil(center + support));
    const bool clipped = from < 0 || to > last;
    from = std::clamp<int64_t>(from, 0, last);
    to = std::clamp<int64_t>(to, from, last);
    AxisTaps& t = kernel.taps[i];
    if (!clipped) {
      auto [seen, added] = output_of_phase.try_emplace(phase, i);
      // The same phase lies a whole number of source samples further on.
      const uint64_t shift = uint64_t{i - seen->second} * span.length / (span.unit * output_size);
      const AxisTaps& same = kernel.taps[seen->second];
      if (!added && same.first + shift + same.count - 1 <= uint64_t(last)) {
        t = same;
        t.first = static_cast<uint32_t>(same.first + shift);
        continue;
      }
    }
    t.first = static_cast<uint32_t>(from);
    t.weight_offset = static_cast<uint32_t>(kernel.weights.size());
    double sum = 0.0;
    int64_t lobe_from = -1;
    int64_t lobe_to = -1;
    int64_t nearest = from;
    double nearest_distance = 1e300;
    w.clear();
    for (int64_t j = from; j <= to; ++j) {
      const double x = (j + 0.5 - center) / filter_scale;
      w.push_back(Lanczos3(x));
      sum += w.back();
      if (std::fabs(x) < kClampLobes) {
        if (lobe_from < 0) lobe_from = j;
        lobe_to = j;
      }
      if (std::fabs(x) < nearest_distance) {
        nearest_distance = std::fabs(x);
        nearest = j;
      }
    }
    // Trim zero weights at both ends (the kernel's zero crossings), they
    // only cost time.
    size_t lo = 0;
    size_t hi = w.size();
    while (hi - lo > 1 && w[lo] == 0.0) ++lo;
    while (hi - lo > 1 && w[hi - 1] == 0.0) --hi;
    t.first = static_cast<uint32_t>(from + static_cast<int64_t>(lo));
    t.count = static_cast<uint32_t>(hi - lo);
    if (lobe_from < 0) lobe_from = lobe_to = nearest;
    lobe_from = std::max<int64_t>(lobe_from, t.first);
    lobe_to = std::min<int64_t>(lobe_to, int64_t{t.first} + t.count - 1);
    if (lobe_to < lobe_from) lobe_from = lobe_to = std::clamp<int64_t>(nearest, t.first, int64_t{t.first} + t.count - 1);
    t.lobe_first = static_cast<uint32_t>(lobe_from - t.first);
    t.lobe_count = static_cast<uint32_t>(lobe_to - lobe_from + 1);
    // A kernel clipped by the picture's edge no longer sums to 1.
    if (sum == 0.0) sum = 1.0;
    for (size_t k = lo; k < hi; ++k) kernel.weights.push_back(static_cast<float>(w[k] / sum));
    kernel.max_count = std::max(kernel.max_count, t.count);
  }
  return kernel;
}

}  // namespace quorvel
