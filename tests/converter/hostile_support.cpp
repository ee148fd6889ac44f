#include "hostile_support.h"


#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QString>

namespace hostile {


std::string RegressionPath(const std::string& relative) {
  return std::string(KALVENIX_FUZZ_REGRESSIONS_DIR) + "/" + relative;
}

std::string ComponentPath() { return KALVENIX_QUORVEL_PATH; }

std::string MadeJpeg() {
  QImage image(96, 64, QImage::Format_RGB888);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 2, y * 3, (x + y) % 256));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 90);
  return bytes.toStdString();
}

Probe ProbePicture(const std::string& path) {
  Probe probe;
  QImageReader reader(QString::fromStdString(path));
  reader.setDecideFormatFromContent(true);
  // Asked before reading: afterwards the reader has let go of the file.
  const QByteArray format = reader.format();
  const QImage image = reader.read();
  if (image.isNull()) {
    probe.error = reader.errorString().toStdString();
    return probe;
  }
  probe.ok = true;
  probe.format = format.toStdString();
  probe.width = image.width();
  probe.height = image.height();
  return probe;
}

Size FittedSize(int32_t width, int32_t height, int32_t box_width, int32_t box_height) {
  if (width <= 0 || height <= 0) return {};
  if (box_width <= 0 && box_height <= 0) return {width, height};
  double scale = 0;
  if (box_width <= 0)
    scale = static_cast<double>(box_height) / height;
  else if (box_height <= 0)
    scale = static_cast<double>(box_width) / width;
  else
    scale = std::min(static_cast<double>(box_width) / width,
                     static_cast<double>(box_height) / height);
  const auto side = [scale](int32_t n) {
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(n * scale)));
  };
  return {side(width), side(height)};
}

bool NearlyEqual(Size a, Size b) {
  return std::abs(a.width - b.width) <= 1 && std::abs(a.height - b.height) <= 1;
}

}  // namespace hostile
