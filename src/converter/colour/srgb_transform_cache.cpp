#include "converter/colour/srgb_transform_cache.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "converter/base/limits.h"

namespace quorvel {
namespace {

constexpr size_t kCapacity = 8;

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

// The colour space field of the profile's header (bytes 16 to 19), read as
// the number it is: a file may carry any value there, and most of them are
// not values of the library's enum type, which cmsGetColorSpace returns.
uint32_t HeaderColourSpace(std::span<const uint8_t> profile) {
  constexpr size_t kField = 16;
  if (profile.size() < kField + 4) return 0;
  return uint32_t(profile[kField]) << 24 | uint32_t(profile[kField + 1]) << 16 |
         uint32_t(profile[kField + 2]) << 8 | uint32_t(profile[kField + 3]);
}

bool IsAlpha(PixelModel model) { return model == PixelModel::kRgba; }

cmsUInt32Number InputFormat(PixelModel model) {
  switch (model) {
    case PixelModel::kRgb: return TYPE_RGB_8;
    case PixelModel::kRgba: return TYPE_RGBA_8;
    case PixelModel::kCmyk: return TYPE_CMYK_8;
    case PixelModel::kCmykInverted: return TYPE_CMYK_8_REV;
  }
  return TYPE_RGB_8;
}

// A profile that maps a grid of colours onto themselves (within rounding)
// is sRGB in all but name; skipping it saves a pass over every pixel.
bool ActsAsIdentity(cmsHTRANSFORM transform, size_t channels) {
  std::vector<uint8_t> in, out;
  for (int r = 0; r <= 255; r += 51)
    for (int g = 0; g <= 255; g += 51)
      for (int b = 0; b <= 255; b += 51) {
        in.insert(in.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
        if (channels == 4) in.push_back(255);
      }
  out.resize(in.size());
  cmsDoTransform(transform, in.data(), out.data(), cmsUInt32Number(in.size() / channels));
  for (size_t i = 0; i < in.size(); ++i)
    if (std::abs(int(in[i]) - int(out[i])) > 1) return false;
  return true;
}

std::shared_ptr<const SrgbTransform> Build(std::span<const uint8_t> bytes, PixelModel model,
                                           void* srgb) {
  auto result = std::make_shared<SrgbTransform>();
  if (bytes.empty() || bytes.size() > kMaxIccBytes) return result;
  Profile source(cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size())));
  if (!source) return result;
  const uint32_t wanted = IsCmyk(model) ? uint32_t{cmsSigCmykData} : uint32_t{cmsSigRgbData};
  if (HeaderColourSpace(bytes) != wanted) return result;
  cmsUInt32Number flags = cmsFLAGS_NOCACHE | (IsAlpha(model) ? cmsFLAGS_COPY_ALPHA : 0);
  cmsHTRANSFORM transform =
      cmsCreateTransform(source.get(), InputFormat(model), srgb,
                         IsAlpha(model) ? TYPE_RGBA_8 : TYPE_RGB_8, INTENT_PERCEPTUAL, flags);
  if (transform == nullptr) return result;
  if (!IsCmyk(model) && ActsAsIdentity(transform, IsAlpha(model) ? 4 : 3)) {
    cmsDeleteTransform(transform);
    result->identity = true;
    return result;
  }
  result->handle = transform;
  return result;
}

}  // namespace

SrgbTransform::~SrgbTransform() {
  if (handle != nullptr) cmsDeleteTransform(handle);
}

SrgbTransformCache::SrgbTransformCache() : srgb_(cmsCreate_sRGBProfile()) {}

SrgbTransformCache::~SrgbTransformCache() {
  MutexLock lock(&mutex_);
  entries_.clear();
  if (srgb_ != nullptr) cmsCloseProfile(srgb_);
}

std::shared_ptr<const SrgbTransform> SrgbTransformCache::Get(std::span<const uint8_t> profile,
                                                             PixelModel model) {
  MutexLock lock(&mutex_);
  for (const Entry& e : entries_)
    if (e.model == model &&
        std::equal(e.profile.begin(), e.profile.end(), profile.begin(), profile.end()))
      return e.transform;
  // lcms profiles are not safe to share between threads, so building
  // happens under the lock too.
  std::shared_ptr<const SrgbTransform> built = Build(profile, model, srgb_);
  entries_.push_back({{profile.begin(), profile.end()}, model, built});
  if (entries_.size() > kCapacity) entries_.pop_front();
  return built;
}

std::shared_ptr<const SrgbTransform> SrgbTransformFor(SrgbTransformCache* cache,
                                                      std::span<const uint8_t> profile,
                                                      PixelModel model) {
  if (cache != nullptr) return cache->Get(profile, model);
  SrgbTransformCache once;
  return once.Get(profile, model);
}

}  // namespace quorvel
