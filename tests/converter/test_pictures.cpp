#include "test_pictures.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdlib>

namespace quorvel::testing {

Image DecodeWithQt(const std::string& relative) {
  QImage q(QString::fromStdString(TestdataPath(relative)));
  Image out;
  if (q.isNull()) return out;
  q = q.convertToFormat(QImage::Format_RGBA8888);
  out.width = uint32_t(q.width());
  out.height = uint32_t(q.height());
  out.channels = 4;
  out.pixels.resize(out.stride() * out.height);
  for (uint32_t y = 0; y < out.height; ++y)
    std::copy_n(q.constScanLine(int(y)), out.stride(), out.row(y));
  return out;
}

Status DecodeTestFile(const std::string& relative, DecodedPicture* out, TargetBox box) {
  std::vector<uint8_t> file = ReadTestFile(relative);
  return DecodePicture(file, box, out);
}

PixelDifference Compare(const Image& actual, const Image& reference) {
  PixelDifference d;
  if (actual.width != reference.width || actual.height != reference.height) {
    d.max = 256;
    d.mean = 256;
    return d;
  }
  uint64_t sum = 0, count = 0;
  for (uint32_t y = 0; y < actual.height; ++y) {
    const uint8_t* a = actual.row(y);
    const uint8_t* r = reference.row(y);
    for (uint32_t x = 0; x < actual.width; ++x, a += actual.channels, r += reference.channels) {
      int alpha = actual.channels == 4 ? a[3] : 255;
      int reference_alpha = reference.channels == 4 ? r[3] : 255;
      int channels = 4;
      if (alpha == 0 && reference_alpha == 0) channels = 0;
      for (int c = 0; c < channels; ++c) {
        int diff = c == 3 ? std::abs(alpha - reference_alpha) : std::abs(a[c] - r[c]);
        d.max = std::max(d.max, diff);
        sum += uint64_t(diff);
        ++count;
      }
    }
  }
  d.mean = count != 0 ? double(sum) / double(count) : 0;
  return d;
}

Image Crop(const Image& image, uint32_t width, uint32_t height) {
  Image out;
  out.width = std::min(width, image.width);
  out.height = std::min(height, image.height);
  out.channels = image.channels;
  out.pixels.resize(out.stride() * out.height);
  for (uint32_t y = 0; y < out.height; ++y) std::copy_n(image.row(y), out.stride(), out.row(y));
  return out;
}

Image BoxReduce(const Image& image, uint32_t factor) {
  Image out;
  out.width = image.width / factor;
  out.height = image.height / factor;
  out.channels = 3;
  out.pixels.resize(out.stride() * out.height);
  for (uint32_t y = 0; y < out.height; ++y)
    for (uint32_t x = 0; x < out.width; ++x)
      for (uint32_t c = 0; c < 3; ++c) {
        uint32_t sum = 0;
        for (uint32_t dy = 0; dy < factor; ++dy)
          for (uint32_t dx = 0; dx < factor; ++dx)
            sum += image.row(y * factor + dy)[(x * factor + dx) * image.channels + c];
        out.row(y)[x * 3 + c] = uint8_t(sum / (factor * factor));
      }
  return out;
}

}  // namespace quorvel::testing
