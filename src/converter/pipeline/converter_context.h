// The converter's long-lived state, and all that the component does to the
// process that loads it.
//
// The converter is a guest in its host's process:
// - Threads: at most one, the band worker. It starts when a conversion first
//   wants a second core and is joined when the component's last object is
//   released, so no thread of the component outlives its objects. Nothing
//   starts or ends a thread while the library loads or unloads.
// - Memory: besides each conversion's own buffers, which it frees, two
//   things. The storage of the largest buffers (a source's bytes, its
//   pixels; at most BufferPool's limits) is kept for the next conversion and
//   freed with the component's last object, that is when a batch ends. The
//   colour-transform cache (a few Little CMS transforms) lives from the first
//   object until the library is unloaded, since photos from one camera share
//   one profile.
// - Process settings: none are changed. No allocator tuning, no locale, no
//   signal handlers; the quantiser runs with one OpenMP thread and gives the
//   calling thread its own setting back (see quantize.h).
//
// The component's objects reach the context through ContextUse; the library
// keeps the one context and the count of its users, as the component model
// asks the library, not an object, whether it may be unloaded.
// Thread-safety: thread-safe.
#ifndef KALVENIX_CONVERTER_PIPELINE_CONVERTER_CONTEXT_H_
#define KALVENIX_CONVERTER_PIPELINE_CONVERTER_CONTEXT_H_

#include "converter/base/buffer_pool.h"
#include "converter/colour/srgb_transform_cache.h"
#include "converter/pipeline/band_worker.h"

namespace quorvel {

class ConverterContext {
 public:
  ConverterContext() = default;
  ConverterContext(const ConverterContext&) = delete;
  ConverterContext& operator=(const ConverterContext&) = delete;

  BandWorker& worker() { return worker_; }
  SrgbTransformCache& colour_transforms() { return colour_transforms_; }
  BufferPool& buffers() { return buffers_; }

 private:
  SrgbTransformCache colour_transforms_;
  BufferPool buffers_;
  BandWorker worker_;  // last, so its thread ends first
};

// One object's share of the library's context: the first creates the
// context, the last to go stops its worker thread and frees the idle buffers.
class ContextUse {
 public:
  // Null context when there was no memory for it.
  ContextUse() noexcept;
  ~ContextUse();
  ContextUse(const ContextUse&) = delete;
  ContextUse& operator=(const ContextUse&) = delete;

  ConverterContext* get() const { return context_; }

 private:
  ConverterContext* context_;
};

// Whether an object still uses the context or its worker thread still runs:
// while so, the library must stay loaded.
bool ContextInUse();

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_CONVERTER_CONTEXT_H_
