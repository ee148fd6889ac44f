// The image data of a PNG, inflated straight from its IDAT chunks.
//
// libspng inflates and unfilters on one thread; the band pipeline inflates
// here, on the decoding thread, and leaves the unfiltering (png_unfilter.h)
// to the worker. Out come the filtered rows, each behind its filter byte, as
// the file stores them.
//
// Stricter than libspng on purpose, so that what it accepts libspng accepts
// too: the IDAT chunks must follow each other without a gap, and the
// compressed stream must end, its checksum matching, exactly where the image
// data ends. A file it refuses is left to libspng to judge. It checks no
// chunk CRC (CheckIdatChecksums does).
// Thread-safety: one thread at a time per object.
#ifndef KALVENIX_CONVERTER_PNG_IDAT_STREAM_H_
#define KALVENIX_CONVERTER_PNG_IDAT_STREAM_H_

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/error.h"

namespace quorvel {

class IdatStream {
 public:
  // `file` is a whole PNG whose chunks up to the first IDAT libspng has read
  // (OpenPng); it must outlive the stream.
  explicit IdatStream(std::span<const uint8_t> file) : file_(file) {}
  ~IdatStream();
  IdatStream(const IdatStream&) = delete;
  IdatStream& operator=(const IdatStream&) = delete;

  // Finds the first IDAT chunk; once, before Read.
  Status Start();
  // The next `bytes` bytes of the inflated image data into `out`.
  Status Read(uint8_t* out, size_t bytes);
  // Once every row is read: that the stream ends there.
  Status End();

 private:
  // Makes the next chunk the input, if it is an IDAT chunk within the file.
  bool NextChunk();

  std::span<const uint8_t> file_;
  size_t next_chunk_ = 8;  // past the signature
  z_stream zlib_{};
  bool started_ = false;
  bool ended_ = false;  // the stream's end and checksum have been read
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PNG_IDAT_STREAM_H_
