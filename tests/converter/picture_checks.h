// Helpers for the converter's tests: synthetic pictures, decoding an output
// back with Qt (independent of our own readers), PSNR, and a slow but plain
// Lanczos-3 to hold the resampler against.
#ifndef KALVENIX_TESTS_CONVERTER_PICTURE_CHECKS_H_
#define KALVENIX_TESTS_CONVERTER_PICTURE_CHECKS_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "converter/base/image.h"
#include "test_files.h"

namespace quorvel::testing {

using PixelFunction = std::function<void(uint32_t x, uint32_t y, uint8_t* pixel)>;

Image MakeImage(uint32_t width, uint32_t height, uint32_t channels, const PixelFunction& fill);

// A photo-like test card: smooth gradients, fine stripes and a hard edge.
Image TestCard(uint32_t width, uint32_t height, uint32_t channels);

// The bytes decoded by Qt's own readers as RGB, or RGBA when the file has
// alpha; nothing when Qt cannot read them.
std::optional<Image> DecodeWithQt(std::span<const uint8_t> bytes);
std::optional<Image> DecodeFileWithQt(const std::string& path);

// Smooth waves of several frequencies and directions, no hard edge: where
// anti-ringing has nothing to do.
Image WaveCard(uint32_t width, uint32_t height);

// PSNR over the colour channels (alpha ignored); +infinity when equal.
double Psnr(const Image& a, const Image& b);

// Straight-forward separable Lanczos-3 in double precision, RGB only.
Image ReferenceLanczos(const Image& source, uint32_t width, uint32_t height);

using kalvenix::testing::FileExists;
using kalvenix::testing::FolderEntries;
using kalvenix::testing::ReadBytes;
using kalvenix::testing::ScratchFolder;
using kalvenix::testing::WriteFile;

}  // namespace quorvel::testing

#endif  // KALVENIX_TESTS_CONVERTER_PICTURE_CHECKS_H_
