#include "converter/resample/resample_rows.h"

#include <algorithm>
#include <cstring>

// The helpers below return 256-bit vectors by value, which GCC warns changes
// the calling convention between AVX and older builds; they are all forced
// inline into each build of the two loops, so no such call exists.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace quorvel {
namespace {

#define QUORVEL_INLINE __attribute__((always_inline)) inline

// Two pixels, or one pixel's two taps, read at the alignment of one.
typedef float V8 __attribute__((vector_size(32), aligned(16)));

QUORVEL_INLINE V8 Load2(const V4* p) {
  V8 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

QUORVEL_INLINE V8 Splat8(float f) { return V8{f, f, f, f, f, f, f, f}; }

// Weight k already splatted over eight floats: building the splat in the
// loop goes through the stack, and its wide reload stalls.
QUORVEL_INLINE V8 Weight8(const float* w8, uint32_t k) {
  V8 v;
  std::memcpy(&v, w8 + size_t{k} * 8, sizeof v);
  return v;
}

QUORVEL_INLINE V4 Weight4(const float* w8, uint32_t k) {
  V4 v;
  std::memcpy(&v, w8 + size_t{k} * 8, sizeof v);
  return v;
}

QUORVEL_INLINE V4 Low(const V8& v) { return V4{v[0], v[1], v[2], v[3]}; }
QUORVEL_INLINE V4 High(const V8& v) { return V4{v[4], v[5], v[6], v[7]}; }

// Overloads, not a template: a deduced type would lose V8's alignment of 16.
QUORVEL_INLINE V4 Min(const V4& a, const V4& b) { return b < a ? b : a; }
QUORVEL_INLINE V4 Max(const V4& a, const V4& b) { return b > a ? b : a; }
QUORVEL_INLINE V8 Min(const V8& a, const V8& b) { return b < a ? b : a; }
QUORVEL_INLINE V8 Max(const V8& a, const V8& b) { return b > a ? b : a; }

QUORVEL_INLINE uint8_t ToByte(float v) {
  v = std::clamp(v, 0.0f, 255.0f);
  return static_cast<uint8_t>(v + 0.5f);
}

QUORVEL_INLINE void StorePixel(V4 v, uint32_t channels, uint8_t* o) {
  if (channels == 3) {
    o[0] = ToByte(v[0]);
    o[1] = ToByte(v[1]);
    o[2] = ToByte(v[2]);
    return;
  }
  const float a = std::clamp(v[3], 0.0f, 255.0f);
  if (a < 0.5f) {
    o[0] = o[1] = o[2] = o[3] = 0;
    return;
  }
  const float k = 255.0f / a;
  o[0] = ToByte(v[0] * k);
  o[1] = ToByte(v[1] * k);
  o[2] = ToByte(v[2] * k);
  o[3] = ToByte(a);
}

QUORVEL_INLINE void FilterAcross(const AxisKernel& kernel, const V4* weights, const V4* in,
                                 V4* dst) {
  const uint32_t width = static_cast<uint32_t>(kernel.taps.size());
  for (uint32_t x = 0; x < width; ++x) {
    const AxisTaps& t = kernel.taps[x];
    const V4* p = in + t.first;
    const V4* w = weights + t.weight_offset;
    // Two independent sums of tap pairs: one chain of dependent adds would
    // leave the adders waiting on their own latency.
    V8 a0 = Splat8(0.0f), a1 = a0;
    uint32_t k = 0;
    for (; k + 4 <= t.count; k += 4) {
      a0 += Load2(p + k) * Load2(w + k);
      a1 += Load2(p + k + 2) * Load2(w + k + 2);
    }
    if (k + 2 <= t.count) {
      a0 += Load2(p + k) * Load2(w + k);
      k += 2;
    }
    const V8 pairs = a0 + a1;
    V4 acc = Low(pairs) + High(pairs);
    if (k < t.count) acc += p[k] * w[k];
    const V4* lobe = p + t.lobe_first;
    V4 lo = lobe[0], hi = lobe[0];
    k = 1;
    if (t.lobe_count >= 3) {
      V8 lo2 = Load2(lobe + 1), hi2 = lo2;
      for (k = 3; k + 2 <= t.lobe_count; k += 2) {
        const V8 v = Load2(lobe + k);
        lo2 = Min(lo2, v);
        hi2 = Max(hi2, v);
      }
      lo = Min(lo, Min(Low(lo2), High(lo2)));
      hi = Max(hi, Max(Low(hi2), High(hi2)));
    }
    for (; k < t.lobe_count; ++k) {
      lo = Min(lo, lobe[k]);
      hi = Max(hi, lobe[k]);
    }
    dst[x] = Min(Max(acc, lo), hi);
  }
}

QUORVEL_INLINE void CombineDown(const AxisTaps& t, const float* w8, const V4* const* rows,
                                uint32_t width, uint32_t channels, uint8_t* out) {
  const V4* const* lobe = rows + t.lobe_first;
  // Two pixels at a time, every tap for them before the next two: the sums
  // stay in registers instead of going through memory once per tap.
  uint32_t x = 0;
  for (; x + 2 <= width; x += 2) {
    V8 a0 = Splat8(0.0f), a1 = a0;
    uint32_t k = 0;
    for (; k + 2 <= t.count; k += 2) {
      a0 += Load2(rows[k] + x) * Weight8(w8, k);
      a1 += Load2(rows[k + 1] + x) * Weight8(w8, k + 1);
    }
    if (k < t.count) a0 += Load2(rows[k] + x) * Weight8(w8, k);
    V8 lo = Load2(lobe[0] + x), hi = lo;
    for (k = 1; k < t.lobe_count; ++k) {
      const V8 v = Load2(lobe[k] + x);
      lo = Min(lo, v);
      hi = Max(hi, v);
    }
    const V8 v = Min(Max(a0 + a1, lo), hi);
    StorePixel(Low(v), channels, out + size_t{x} * channels);
    StorePixel(High(v), channels, out + size_t{x + 1} * channels);
  }
  for (; x < width; ++x) {
    V4 a0 = Splat(0.0f), a1 = a0;
    uint32_t k = 0;
    for (; k + 2 <= t.count; k += 2) {
      a0 += rows[k][x] * Weight4(w8, k);
      a1 += rows[k + 1][x] * Weight4(w8, k + 1);
    }
    if (k < t.count) a0 += rows[k][x] * Weight4(w8, k);
    V4 lo = lobe[0][x], hi = lo;
    for (k = 1; k < t.lobe_count; ++k) {
      lo = Min(lo, lobe[k][x]);
      hi = Max(hi, lobe[k][x]);
    }
    StorePixel(Min(Max(a0 + a1, lo), hi), channels, out + size_t{x} * channels);
  }
}

void FilterAcrossPlain(const AxisKernel& kernel, const V4* weights, const V4* in, V4* dst) {
  FilterAcross(kernel, weights, in, dst);
}

void CombineDownPlain(const AxisTaps& t, const float* w8, const V4* const* rows, uint32_t width,
                      uint32_t channels, uint8_t* out) {
  CombineDown(t, w8, rows, width, channels, out);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void FilterAcrossAvx2(const AxisKernel& kernel,
                                                      const V4* weights, const V4* in, V4* dst) {
  FilterAcross(kernel, weights, in, dst);
}

__attribute__((target("avx2"))) void CombineDownAvx2(const AxisTaps& t, const float* w8,
                                                     const V4* const* rows, uint32_t width,
                                                     uint32_t channels, uint8_t* out) {
  CombineDown(t, w8, rows, width, channels, out);
}
#endif

#undef QUORVEL_INLINE

}  // namespace

const RowLoops& PlainRowLoops() {
  static constexpr RowLoops kPlain{FilterAcrossPlain, CombineDownPlain};
  return kPlain;
}

const RowLoops& BestRowLoops() {
#if defined(__x86_64__)
  static constexpr RowLoops kAvx2{FilterAcrossAvx2, CombineDownAvx2};
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return kAvx2;
#endif
  return PlainRowLoops();
}

}  // namespace quorvel
