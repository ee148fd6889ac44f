// The AVX2 build of the resampler's loops must give the plain build's
// results bit for bit, or a picture would come out differently from one
// machine to the next.
#include "converter/resample/resample_rows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace quorvel {
namespace {

std::vector<V4> RandomPixels(size_t count, bool alpha, std::mt19937* random) {
  std::uniform_real_distribution<float> value(0.0f, 255.0f);
  std::vector<V4> pixels(count);
  for (V4& p : pixels) {
    p = V4{value(*random), value(*random), value(*random), alpha ? value(*random) : 0.0f};
  }
  return pixels;
}

struct Sizes {
  uint32_t from, to;
};

class RowLoopsTest : public ::testing::TestWithParam<Sizes> {};

TEST_P(RowLoopsTest, BothBuildsAgreeBitForBit) {
  if (&BestRowLoops() == &PlainRowLoops()) GTEST_SKIP() << "this processor has no AVX2";
  const Sizes s = GetParam();
  std::mt19937 random(s.from * 7919 + s.to);
  const AxisKernel kernel = BuildAxisKernel(s.from, s.to);

  // Across: the kernel over one row.
  std::vector<V4> weights;
  for (float w : kernel.weights) weights.push_back(Splat(w));
  const std::vector<V4> in = RandomPixels(s.from, true, &random);
  std::vector<V4> best(s.to), plain(s.to);
  BestRowLoops().filter_across(kernel, weights.data(), in.data(), best.data());
  PlainRowLoops().filter_across(kernel, weights.data(), in.data(), plain.data());
  EXPECT_EQ(std::memcmp(best.data(), plain.data(), best.size() * sizeof(V4)), 0);

  // Down: every output row's taps over rows of an odd width, RGB and RGBA.
  constexpr uint32_t kWidth = 37;
  std::vector<std::vector<V4>> rows;
  for (uint32_t y = 0; y < s.from; ++y) rows.push_back(RandomPixels(kWidth, true, &random));
  for (uint32_t channels : {3u, 4u}) {
    for (const AxisTaps& t : kernel.taps) {
      std::vector<const V4*> taps;
      std::vector<float> w8;
      for (uint32_t k = 0; k < t.count; ++k) {
        taps.push_back(rows[t.first + k].data());
        w8.insert(w8.end(), 8, kernel.weights[t.weight_offset + k]);
      }
      std::vector<uint8_t> out_best(kWidth * channels), out_plain(kWidth * channels);
      BestRowLoops().combine_down(t, w8.data(), taps.data(), kWidth, channels, out_best.data());
      PlainRowLoops().combine_down(t, w8.data(), taps.data(), kWidth, channels, out_plain.data());
      ASSERT_EQ(out_best, out_plain) << channels << " channels, taps from " << t.first;
    }
  }
}

// Halving (one phase), a reduction with several phases and few taps each,
// enlarging, and a reduction near 4 whose kernel has the most taps.
INSTANTIATE_TEST_SUITE_P(Kernels, RowLoopsTest,
                         ::testing::Values(Sizes{64, 32}, Sizes{101, 43}, Sizes{30, 71},
                                           Sizes{155, 40}, Sizes{3, 1}));

}  // namespace
}  // namespace quorvel
