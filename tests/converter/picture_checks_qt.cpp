#include <algorithm>

#include <QByteArray>
#include <QImage>

#include "picture_checks.h"

namespace quorvel::testing {

std::optional<Image> DecodeWithQt(std::span<const uint8_t> bytes) {
  const QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QImage image = QImage::fromData(data);
  if (image.isNull()) return std::nullopt;
  const bool alpha = image.hasAlphaChannel();
  image = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
  Image out;
  out.width = uint32_t(image.width());
  out.height = uint32_t(image.height());
  out.channels = alpha ? 4 : 3;
  out.pixels.resize(out.stride() * out.height);
  for (uint32_t y = 0; y < out.height; ++y) {
    std::copy_n(image.constScanLine(int(y)), out.stride(), out.row(y));
  }
  return out;
}

std::optional<Image> DecodeFileWithQt(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  if (bytes.empty()) return std::nullopt;
  return DecodeWithQt(bytes);
}

}  // namespace quorvel::testing
