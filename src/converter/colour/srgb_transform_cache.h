// Little CMS transforms from embedded profiles to sRGB, built once.
//
// Building a transform costs far more than applying it to a thumbnail, and a
// batch of photos from one camera repeats one profile; so transforms are kept
// per distinct profile (the last few of them). The converter context owns
// the one cache.
// Thread-safety: thread-safe. Lookups serialise on one mutex; the returned
// transforms carry no per-call cache, so threads may apply one at once.
#ifndef KALVENIX_CONVERTER_COLOUR_SRGB_TRANSFORM_CACHE_H_
#define KALVENIX_CONVERTER_COLOUR_SRGB_TRANSFORM_CACHE_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "converter/base/mutex.h"
#include "converter/base/source_picture.h"
#include "converter/base/thread_annotations.h"

namespace quorvel {

// One profile's way to sRGB. `handle` is a cmsHTRANSFORM, or null when the
// profile is unusable or already (within rounding) sRGB; `identity` tells
// which.
struct SrgbTransform {
  void* handle = nullptr;
  bool identity = false;
  ~SrgbTransform();
};

class SrgbTransformCache {
 public:
  SrgbTransformCache();
  ~SrgbTransformCache();
  SrgbTransformCache(const SrgbTransformCache&) = delete;
  SrgbTransformCache& operator=(const SrgbTransformCache&) = delete;

  // The transform for pixels of `model` tagged with `profile`.
  std::shared_ptr<const SrgbTransform> Get(std::span<const uint8_t> profile, PixelModel model)
      EXCLUDES(mutex_);

 private:
  struct Entry {
    std::vector<uint8_t> profile;
    PixelModel model;
    std::shared_ptr<const SrgbTransform> transform;
  };

  Mutex mutex_;
  // An lcms sRGB profile; lcms profiles are not safe to share between threads.
  void* srgb_ GUARDED_BY(mutex_);
  std::deque<Entry> entries_ GUARDED_BY(mutex_);
};

// Through `cache` when there is one; otherwise built for this call alone.
std::shared_ptr<const SrgbTransform> SrgbTransformFor(SrgbTransformCache* cache,
                                                      std::span<const uint8_t> profile,
                                                      PixelModel model);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COLOUR_SRGB_TRANSFORM_CACHE_H_
