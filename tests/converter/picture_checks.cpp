#include "picture_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <numbers>

namespace quorvel::testing {
namespace {

double Lanczos3(double x) {
  if (std::fabs(x) >= 3.0) return 0.0;
  if (x == 0.0) return 1.0;
  const double px = std::numbers::pi * x;
  return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

// Weights of one axis: for each output, (first source index, weights).
std::vector<std::pair<int, std::vector<double>>> Weights(uint32_t in, uint32_t out) {
  std::vector<std::pair<int, std::vector<double>>> result;
  const double scale = double(in) / out;
  const double fs = std::max(scale, 1.0);
  for (uint32_t i = 0; i < out; ++i) {
    const double c = (i + 0.5) * scale;
    const int from = std::max(0, int(std::floor(c - 3 * fs)));
    const int to = std::min(int(in) - 1, int(std::ceil(c + 3 * fs)));
    std::vector<double> w;
    double sum = 0;
    for (int j = from; j <= to; ++j) {
      w.push_back(Lanczos3((j + 0.5 - c) / fs));
      sum += w.back();
    }
    for (double& v : w) v /= sum;
    result.emplace_back(from, std::move(w));
  }
  return result;
}

}  // namespace

Image MakeImage(uint32_t width, uint32_t height, uint32_t channels, const PixelFunction& fill) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.pixels.resize(size_t{width} * height * channels);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) fill(x, y, image.row(y) + size_t{x} * channels);
  }
  return image;
}

Image TestCard(uint32_t width, uint32_t height, uint32_t channels) {
  return MakeImage(width, height, channels, [=](uint32_t x, uint32_t y, uint8_t* p) {
    const double u = double(x) / width;
    const double v = double(y) / height;
    p[0] = uint8_t(255 * u);
    p[1] = uint8_t(127.5 + 127.5 * std::sin(12 * u + 7 * v));
    // Fine stripes in the lower half test aliasing, a hard edge at 3/4.
    p[2] = v > 0.5 ? ((x / 3) % 2 ? 230 : 30) : uint8_t(255 * v);
    if (u > 0.75) p[1] = 20;
    if (channels == 4) p[3] = 255;
  });
}

Image WaveCard(uint32_t width, uint32_t height) {
  return MakeImage(width, height, 3, [](uint32_t x, uint32_t y, uint8_t* p) {
    p[0] = uint8_t(127.5 + 100 * std::sin(x / 7.0 + y / 11.0));
    p[1] = uint8_t(127.5 + 100 * std::sin(x / 23.0) * std::cos(y / 5.0));
    p[2] = uint8_t(127.5 + 120 * std::sin((x * x + y * y) / 4000.0));
  });
}

double Psnr(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) return -1.0;
  double sum = 0;
  size_t n = 0;
  for (uint32_t y = 0; y < a.height; ++y) {
    for (uint32_t x = 0; x < a.width; ++x) {
      const uint8_t* p = a.row(y) + size_t{x} * a.channels;
      const uint8_t* q = b.row(y) + size_t{x} * b.channels;
      for (int c = 0; c < 3; ++c) {
        const double d = double(p[c]) - q[c];
        sum += d * d;
        ++n;
      }
    }
  }
  if (sum == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

Image ReferenceLanczos(const Image& source, uint32_t width, uint32_t height) {
  const auto wx = Weights(source.width, width);
  const auto wy = Weights(source.height, height);
  std::vector<double> mid(size_t{width} * source.height * 3);
  for (uint32_t y = 0; y < source.height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        double s = 0;
        for (size_t k = 0; k < wx[x].second.size(); ++k) {
          s += wx[x].second[k] * source.row(y)[(wx[x].first + k) * source.channels + c];
        }
        mid[(size_t{y} * width + x) * 3 + c] = s;
      }
    }
  }
  Image out;
  out.width = width;
  out.height = height;
  out.channels = 3;
  out.pixels.resize(size_t{width} * height * 3);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        double s = 0;
        for (size_t k = 0; k < wy[y].second.size(); ++k) {
          s += wy[y].second[k] * mid[((wy[y].first + k) * width + x) * 3 + c];
        }
        out.row(y)[x * 3 + c] = uint8_t(std::clamp(std::lround(s), 0l, 255l));
      }
    }
  }
  return out;
}

}  // namespace quorvel::testing
