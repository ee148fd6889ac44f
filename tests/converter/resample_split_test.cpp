// A picture resampled in two row ranges (as Resample does on two cores) must
// be the picture resampled in one go, byte for byte.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "converter/pipeline/band_worker.h"
#include "converter/resample/resample.h"

namespace quorvel {
namespace {

struct SplitCase {
  const char* name;
  uint32_t source_width, source_height, width, height, channels;
};

const SplitCase kSplitCases[] = {
    {"Halve", 1280, 960, 640, 480, 3},
    {"BoxThenLanczos", 6028, 397, 640, 42, 3},  // integer box stage across and down
    {"TallNarrow", 90, 3000, 9, 300, 3},
    {"Enlarge", 33, 17, 100, 51, 3},
    {"WithAlpha", 1000, 700, 333, 233, 4},
    {"TwoRows", 500, 40, 50, 2, 3},
};

class ResampleSplitTest : public ::testing::TestWithParam<SplitCase> {};

Image Noise(uint32_t width, uint32_t height, uint32_t channels) {
  Image image{width, height, channels, {}};
  image.pixels.resize(image.stride() * height);
  uint32_t state = 12345;
  for (uint8_t& p : image.pixels) {
    state = state * 1103515245u + 12345u;
    p = uint8_t(state >> 24);
  }
  return image;
}

TEST_P(ResampleSplitTest, TwoRangesMakeTheWholePicture) {
  const SplitCase& c = GetParam();
  const Image source = Noise(c.source_width, c.source_height, c.channels);
  Image whole{c.width, c.height, c.channels, {}};
  whole.pixels.resize(whole.stride() * c.height);
  Resampler one(c.source_width, c.source_height, &whole);
  for (uint32_t y = 0; y < c.source_height; ++y) one.PushRow(source.row(y));
  ASSERT_TRUE(one.done());

  for (uint32_t seam : {1u, c.height / 2, c.height - 1}) {
    Image split{c.width, c.height, c.channels, {}};
    split.pixels.assign(split.stride() * c.height, 0);
    for (auto [first, end] : {std::pair{0u, seam}, std::pair{seam, c.height}}) {
      Resampler part(c.source_width, c.source_height, &split, first, end);
      for (uint32_t y = part.first_source_row(); y < c.source_height && !part.done(); ++y)
        part.PushRow(source.row(y));
      ASSERT_TRUE(part.done()) << "rows " << first << ".." << end;
    }
    EXPECT_TRUE(split.pixels == whole.pixels) << "seam at " << seam;
  }
  // And Resample itself, on this thread alone and with a second one.
  Image resampled;
  ASSERT_TRUE(Resample(source, c.width, c.height, &resampled).ok());
  EXPECT_TRUE(resampled.pixels == whole.pixels);
  BandWorker band_worker;
  std::unique_ptr<BandWorker::Lease> worker = band_worker.TryAcquire();
  ASSERT_NE(worker, nullptr);
  Image shared;
  ASSERT_TRUE(Resample(source, c.width, c.height, &shared, {}, worker.get()).ok());
  EXPECT_TRUE(shared.pixels == whole.pixels);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResampleSplitTest, ::testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel
