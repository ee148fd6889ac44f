#include "converter/colour/colour_profile.h"

#include <lcms2.h>

#include <vector>

#include "converter/base/checked_size.h"
#include "converter/colour/srgb_transform_cache.h"

namespace quorvel {
namespace {

// 255 * 255 products divided by 255, rounded.
uint8_t Times(uint32_t a, uint32_t b) { return uint8_t((a * b + 127) / 255); }

void InverseCmyk(const Image& cmyk, bool inverted, Image* rgb) {
  const size_t count = size_t{cmyk.width} * cmyk.height;
  const uint8_t* src = cmyk.pixels.data();
  uint8_t* dst = rgb->pixels.data();
  for (size_t i = 0; i < count; ++i, src += 4, dst += 3) {
    // Inverted data already holds 1 - C, 1 - M, 1 - Y, 1 - K.
    uint32_t c = inverted ? src[0] : 255u - src[0];
    uint32_t m = inverted ? src[1] : 255u - src[1];
    uint32_t y = inverted ? src[2] : 255u - src[2];
    uint32_t k = inverted ? src[3] : 255u - src[3];
    dst[0] = Times(c, k);
    dst[1] = Times(m, k);
    dst[2] = Times(y, k);
  }
}

void Apply(const SrgbTransform& transform, const Image& in, Image* out) {
  // Row by row keeps the transform's working set small and lets `in` and
  // `out` be the same picture.
  std::vector<uint8_t> row(out->stride());
  for (uint32_t y = 0; y < in.height; ++y) {
    cmsDoTransform(transform.handle, in.row(y), row.data(), in.width);
    std::copy(row.begin(), row.end(), out->row(y));
  }
}

}  // namespace

Status ConvertToSrgb(SourcePicture* picture, SrgbTransformCache* transforms) {
  std::shared_ptr<const SrgbTransform> transform;
  if (!picture->icc_profile.empty())
    transform = SrgbTransformFor(transforms, picture->icc_profile, picture->model);
  bool usable = transform && transform->handle != nullptr;
  Image& image = picture->image;

  if (!IsCmyk(picture->model)) {
    if (usable) Apply(*transform, image, &image);
    return Status::Ok();
  }
  Image rgb;
  rgb.width = image.width;
  rgb.height = image.height;
  rgb.channels = 3;
  std::optional<size_t> bytes = PixelBufferBytes(rgb.width, rgb.height, 3);
  if (!bytes) return Fail(Error::kTooLarge, "RGB-Kopie");
  rgb.pixels.resize(*bytes);
  if (usable)
    Apply(*transform, image, &rgb);
  else
    InverseCmyk(image, picture->model == PixelModel::kCmykInverted, &rgb);
  image = std::move(rgb);
  picture->model = PixelModel::kRgb;
  return Status::Ok();
}

}  // namespace quorvel
