// The image data of a PNG, inflated straight from its IDAT chunks.
//
// libspng inflates and unfilters on one thread; the band pipeline inflates
// here, on the decoding thread, and leaves the unfiltering (png_unfilter.h)
// to the worker. Out come the filtered rows, each behind its filter byte, as
// the file stores them.
//
// Stricter than libspng on purpose, so that what it accepts libspng accepts
// too: the IDAT chunks must follow each other without a gap, and the
// compressed stream must end exactly where the image data ends. A file it
// refuses is left to libspng to judge. It checks no chunk CRC
// (CheckIdatChecksums does), and leaves the stream's Adler-32 to the caller:
// summing the data costs the decoding thread a tenth of its time, while the
// band worker, which reads every byte anyway, has time to spare.
// Thread-safety: one thread at a time per object.
#ifndef KALVENIX_CONVERTER_READ_PNG_IDAT_STREAM_H_
#define KALVENIX_CONVERTER_READ_PNG_IDAT_STREAM_H_

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "converter/base/error.h"

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
  // Once End has succeeded: the Adler-32 the stream ends with, which the
  // data read must have for the file to be sound.
  uint32_t stated_checksum() const { return tail_; }

 private:
  // Makes the next chunk the input, if it is an IDAT chunk within the file.
  bool NextChunk();
  // One step of inflating; false for damage.
  bool Inflate();
  // Shifts the bytes of the current chunk read so far into tail_.
  void KeepTail();

  std::span<const uint8_t> file_;
  size_t next_chunk_ = 8;  // past the signature
  z_stream zlib_{};
  const uint8_t* chunk_data_ = nullptr;  // the current chunk's
  uint32_t tail_ = 0;  // the last four bytes of the stream read, big-endian
  bool started_ = false;
  bool ended_ = false;  // the stream's end and checksum have been read
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_READ_PNG_IDAT_STREAM_H_
