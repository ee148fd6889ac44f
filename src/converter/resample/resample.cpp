#include "converter/resample/resample.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "converter/resample/resample_kernel.h"
#include "converter/resample/resample_rows.h"

namespace quorvel {
namespace {

// Premultiplied so that a transparent pixel's (meaningless) colour carries no
// weight: averaging it in would otherwise darken or tint the edge.
inline V4 LoadPixel(const uint8_t* p, uint32_t channels) {
  if (channels == 4) {
    const float a = p[3];
    const float k = a * (1.0f / 255.0f);
    return V4{p[0] * k, p[1] * k, p[2] * k, a};
  }
  return V4{float(p[0]), float(p[1]), float(p[2]), 0.0f};
}

#if defined(__SSE2__)
// Four bytes to four floats in one go; the scalar conversion above costs
// more than all of the horizontal filtering.
inline V4 BytesToFloats(uint32_t bytes) {
  const __m128i zero = _mm_setzero_si128();
  __m128i v = _mm_cvtsi32_si128(static_cast<int>(bytes));
  v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(v, zero), zero);
  return (V4)_mm_cvtepi32_ps(v);
}

// A row of `count` pixels into V4s. RGB reads four bytes per pixel, so the
// last pixel goes through LoadPixel to stay inside the row.
inline void LoadRow(const uint8_t* row, uint32_t count, uint32_t channels, V4* out) {
  if (count == 0) return;
  if (channels == 4) {
    const V4 inverse = Splat(1.0f / 255.0f);
    const V4 keep_alpha = {0.0f, 0.0f, 0.0f, 1.0f};
    const V4 scale_colour = {1.0f, 1.0f, 1.0f, 0.0f};
    for (uint32_t x = 0; x < count; ++x) {
      uint32_t bytes;
      std::memcpy(&bytes, row + size_t{x} * 4, 4);
      const V4 v = BytesToFloats(bytes);
      const V4 k = Splat(v[3]) * inverse * scale_colour + keep_alpha;
      out[x] = v * k;
    }
    return;
  }
  for (uint32_t x = 0; x + 1 < count; ++x) {
    uint32_t bytes;
    std::memcpy(&bytes, row + size_t{x} * 3, 4);
    out[x] = BytesToFloats(bytes & 0x00FFFFFFu);  // little-endian: drop the 4th byte
  }
  out[count - 1] = LoadPixel(row + size_t{count - 1} * 3, 3);
}
#else
inline void LoadRow(const uint8_t* row, uint32_t count, uint32_t channels, V4* out) {
  for (uint32_t x = 0; x < count; ++x) out[x] = LoadPixel(row + size_t{x} * channels, channels);
}
#endif

}  // namespace

struct Resampler::State {
  uint32_t source_width = 0;
  uint32_t source_height = 0;
  uint32_t channels = 0;
  Image* out = nullptr;
  const RowLoops* loops = &BestRowLoops();

  uint32_t box_x = 1;
  uint32_t box_y = 1;
  uint32_t mid_width = 0;  // after the box stage
  uint32_t mid_height = 0;
  AxisKernel kernel_x;
  AxisKernel kernel_y;
  // kernel_x's weights, each splatted over a whole pixel once here rather
  // than once per source row.
  std::vector<V4> weights_x;

  std::vector<V4> wide_row;  // one source row before the box stage
  std::vector<V4> mid_row;   // one box-averaged source row
  std::vector<V4> box_sum;  // rows summed towards the next mid_row
  uint32_t box_rows = 0;
  uint32_t source_rows = 0;

  // Horizontally filtered rows: a ring of kernel_y.max_count rows, which is
  // every row one output row can need.
  std::vector<V4> ring;
  uint32_t ring_rows = 0;
  // Pixels from one ring row to the next: a cache line more than a row, so
  // that rows a power of two apart do not all fall into the same cache sets
  // when an output row reads a dozen of them side by side.
  size_t ring_stride = 0;
  uint32_t mid_rows = 0;  // rows that have entered the ring
  uint32_t out_rows = 0;
  uint32_t end_rows = 0;  // one past the last output row to write

  std::vector<const V4*> tap_rows;  // the ring rows one output row reads
  std::vector<float> weights_y;     // and their weights, each repeated 8 times

  V4* RingRow(uint32_t mid_y) {
    return ring.data() + size_t{mid_y % ring_rows} * ring_stride;
  }

  void BoxRow(const uint8_t* row) {
    const uint32_t c = channels;
    if (box_x == 1) {
      LoadRow(row, mid_width, c, mid_row.data());
      return;
    }
    LoadRow(row, source_width, c, wide_row.data());
    const uint32_t whole = source_width / box_x;
    for (uint32_t x = 0; x < whole; ++x) {
      const V4* p = wide_row.data() + size_t{x} * box_x;
      V4 s = p[0];
      for (uint32_t k = 1; k < box_x; ++k) s += p[k];
      mid_row[x] = s;
    }
    if (whole == mid_width) return;
    const V4* p = wide_row.data() + size_t{whole} * box_x;
    const uint32_t left = source_width - whole * box_x;
    V4 s = p[0];
    for (uint32_t k = 1; k < left; ++k) s += p[k];
    mid_row[whole] = s + p[left - 1] * Splat(static_cast<float>(box_x - left));
  }

  void FilterRow(const V4* in, V4* dst) {
    loops->filter_across(kernel_x, weights_x.data(), in, dst);
  }

  void EmitRow() {
    const AxisTaps& t = kernel_y.taps[out_rows];
    for (uint32_t k = 0; k < t.count; ++k) tap_rows[k] = RingRow(t.first + k);
    const float* w = kernel_y.weights.data() + t.weight_offset;
    for (uint32_t k = 0; k < t.count; ++k) std::fill_n(weights_y.begin() + k * 8, 8, w[k]);
    loops->combine_down(t, weights_y.data(), tap_rows.data(), out->width, channels,
                        out->row(out_rows));
    ++out_rows;
  }

  void PushMidRow(const V4* row) {
    FilterRow(row, RingRow(mid_rows));
    ++mid_rows;
    while (out_rows < end_rows) {
      const AxisTaps& t = kernel_y.taps[out_rows];
      if (t.first + t.count > mid_rows) break;
      EmitRow();
    }
  }
};

namespace {

// Where the picture lies among the `box`-averaged samples of one axis.
SampleSpan SpanOf(uint32_t source_size, uint32_t box, ShrunkAxis shrink) {
  if (shrink.full == 0 || shrink.denominator <= 1) return {0, source_size, box};
  // In 1/(denominator box) of a box-averaged sample, the padding of the
  // partial sample is what its whole width has beyond the picture's.
  const uint64_t unit = uint64_t{shrink.denominator} * box;
  const uint64_t padding = uint64_t{source_size} * shrink.denominator - shrink.full;
  return {shrink.partial_first ? padding : 0, shrink.full, unit};
}

uint32_t DivideRoundingUp(uint32_t a, uint32_t b) { return uint32_t((uint64_t{a} + b - 1) / b); }

}  // namespace

Resampler::Resampler(uint32_t source_width, uint32_t source_height, Image* out,
                     ShrinkOnLoad shrink)
    : Resampler(source_width, source_height, out, 0, out->height, shrink) {}

Resampler::Resampler(uint32_t source_width, uint32_t source_height, Image* out,
                     uint32_t first_out_row, uint32_t end_out_row, ShrinkOnLoad shrink)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.source_width = source_width;
  s.source_height = source_height;
  s.channels = out->channels;
  s.out = out;
  s.box_x = BoxFactor(source_width, out->width);
  s.box_y = BoxFactor(source_height, out->height);
  // Every source sample counts: the last box may run past the picture.
  s.mid_width = DivideRoundingUp(source_width, s.box_x);
  s.mid_height = DivideRoundingUp(source_height, s.box_y);
  s.kernel_x = BuildAxisKernel(s.mid_width, out->width,
                               SpanOf(source_width, s.box_x, shrink.across));
  s.kernel_y = BuildAxisKernel(s.mid_height, out->height,
                               SpanOf(source_height, s.box_y, shrink.down));
  s.weights_x.reserve(s.kernel_x.weights.size());
  for (float w : s.kernel_x.weights) s.weights_x.push_back(Splat(w));
  s.mid_row.resize(s.mid_width);
  if (s.box_x > 1) s.wide_row.resize(source_width);
  if (s.box_y > 1) s.box_sum.resize(s.mid_width);
  s.ring_rows = s.kernel_y.max_count;
  s.ring_stride = size_t{out->width} + 4;
  s.ring.resize(size_t{s.ring_rows} * s.ring_stride);
  s.tap_rows.resize(s.ring_rows);
  s.weights_y.resize(size_t{s.ring_rows} * 8);
  s.end_rows = std::min(end_out_row, out->height);
  s.out_rows = std::min(first_out_row, s.end_rows);
  if (s.out_rows < s.end_rows) {
    // The ring starts at the first row the range's first output row reads.
    s.mid_rows = s.kernel_y.taps[s.out_rows].first;
    s.source_rows = s.mid_rows * s.box_y;
  }
}

Resampler::~Resampler() = default;

uint32_t Resampler::first_source_row() const { return state_->source_rows; }

bool Resampler::done() const { return state_->out_rows == state_->end_rows; }

uint32_t Resampler::rows_done() const { return state_->out_rows; }

void Resampler::PushRow(const uint8_t* row) {
  State& s = *state_;
  ++s.source_rows;
  s.BoxRow(row);
  if (s.box_y == 1 && s.box_x == 1) {
    s.PushMidRow(s.mid_row.data());
    return;
  }
  if (s.box_y == 1) {
    const V4 scale = Splat(1.0f / static_cast<float>(s.box_x));
    for (V4& v : s.mid_row) v *= scale;
    s.PushMidRow(s.mid_row.data());
    return;
  }
  if (s.box_rows == 0) {
    std::copy(s.mid_row.begin(), s.mid_row.end(), s.box_sum.begin());
  } else {
    for (uint32_t x = 0; x < s.mid_width; ++x) s.box_sum[x] += s.mid_row[x];
  }
  if (++s.box_rows < s.box_y) {
    if (s.source_rows < s.source_height) return;
    // The last box runs past the picture: its missing rows repeat the last.
    const V4 missing = Splat(static_cast<float>(s.box_y - s.box_rows));
    for (uint32_t x = 0; x < s.mid_width; ++x) s.box_sum[x] += s.mid_row[x] * missing;
  }
  s.box_rows = 0;
  const V4 scale = Splat(1.0f / static_cast<float>(s.box_x * s.box_y));
  for (V4& v : s.box_sum) v *= scale;
  s.PushMidRow(s.box_sum.data());
}

namespace {

// Resampler::PushRow allocates nothing, so neither half can throw once both
// Resamplers exist.
void PushRange(const Image& source, Resampler* resampler) {
  for (uint32_t y = resampler->first_source_row(); y < source.height && !resampler->done(); ++y)
    resampler->PushRow(source.row(y));
}

// Without a runner in one go; with one, the lower half of the output rows on
// the runner's thread and the upper half here. Each half filters the few
// source rows around the seam itself, so the result is the same either way.
Status ResampleRows(const Image& source, ShrinkOnLoad shrink, TaskRunner* runner,
                    Image* result) {
  if (runner == nullptr) {
    Resampler resampler(source.width, source.height, result, shrink);
    PushRange(source, &resampler);
    return resampler.done() ? Status::Ok() : Fail(Error::kInternal, "Skalierung unvollständig");
  }
  const uint32_t seam = result->height / 2;
  Resampler lower(source.width, source.height, result, seam, result->height, shrink);
  Resampler upper(source.width, source.height, result, 0, seam, shrink);
  runner->Run([&source, &lower] { PushRange(source, &lower); });
  PushRange(source, &upper);
  runner->Wait();
  if (!upper.done() || !lower.done()) return Fail(Error::kInternal, "Skalierung unvollständig");
  return Status::Ok();
}

}  // namespace

Status Resample(const Image& source, uint32_t width, uint32_t height, Image* out,
                ShrinkOnLoad shrink, TaskRunner* runner) {
  if (source.width == 0 || source.height == 0 || width == 0 || height == 0 ||
      (source.channels != 3 && source.channels != 4) ||
      source.pixels.size() != source.stride() * source.height) {
    return Fail(Error::kInternal, "Skalieren: ungültiges Bild");
  }
  Image result;
  result.width = width;
  result.height = height;
  result.channels = source.channels;
  if (width == source.width && height == source.height) {
    result.pixels = source.pixels;
  } else {
    result.pixels.resize(result.stride() * height);
    if (Status status = ResampleRows(source, shrink, runner, &result); !status.ok())
      return status;
  }
  *out = std::move(result);
  return Status::Ok();
}

}  // namespace quorvel
