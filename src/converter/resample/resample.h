// Resampling a picture to another size.
//
// Separable Lanczos-3 in the picture's own (sRGB) values on premultiplied
// alpha, so transparent neighbours never darken an edge; each pass clamps
// its result into the range of the samples under the kernel's two inner
// lobes, which removes the ringing halos Lanczos draws beside hard edges. Large
// reductions first average integer boxes (see BoxFactor); a last box that
// runs past the picture repeats its edge, as a JPEG encoder pads a block.
// Output pixel centres fall evenly over the picture, pixel edge to pixel
// edge, also when a shrunk decode's outermost sample covers only part of
// one (ShrinkOnLoad).
//
// The Resampler takes source rows one at a time, top to bottom, and writes
// each output row as soon as the rows it needs have arrived, so a decoder can
// feed it while it still reads; it keeps only a window of filtered rows.
// Thread-safety: a Resampler is used by one thread at a time.
#ifndef KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_H_
#define KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_H_

#include <cstdint>
#include <memory>

#include "converter/base/error.h"
#include "converter/base/image.h"
#include "converter/base/task_runner.h"
#include "converter/resample/dct_scale.h"

namespace quorvel {

class Resampler {
 public:
  // `out` must already have the output size and the source's channel count;
  // it must outlive the Resampler. `shrink` says what the source's samples
  // stand for when it is a shrunk decode. Throws std::bad_alloc only.
  Resampler(uint32_t source_width, uint32_t source_height, Image* out,
            ShrinkOnLoad shrink = {});
  // Only output rows first_out_row .. end_out_row - 1, from the source rows
  // first_source_row() on: two of them share a picture between two threads.
  Resampler(uint32_t source_width, uint32_t source_height, Image* out, uint32_t first_out_row,
            uint32_t end_out_row, ShrinkOnLoad shrink = {});
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  // The next source row: source_width pixels of out->channels bytes each.
  void PushRow(const uint8_t* row);

  // The first source row PushRow expects.
  uint32_t first_source_row() const;

  // True once every output row (of the range) has been written.
  bool done() const;

  // The output rows before this one have been written; a pipeline may pass
  // them on.
  uint32_t rows_done() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The whole picture at once; width and height are >= 1. With a `runner`
// (the plan's two_threads) its thread writes the lower half of the rows, with
// the same result. Throws std::bad_alloc only, when buffers cannot be had
// (ConvertPicture reports it).
Status Resample(const Image& source, uint32_t width, uint32_t height, Image* out,
                ShrinkOnLoad shrink = {}, TaskRunner* runner = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_RESAMPLE_RESAMPLE_H_
