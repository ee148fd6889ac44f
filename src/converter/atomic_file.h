// Writing a destination file all or nothing.
//
// The bytes go to a new temporary file in the destination's own folder (so
// the final rename never crosses file systems), are flushed to the disk, and
// only then is the temporary renamed over the destination. On any failure
// the temporary is removed: no half-written file is left, and an existing
// destination keeps its old content. A full disk is kDiskFull; everything
// else (folder missing or not writable, destination a folder or read-only)
// is kCannotWrite.
// Thread-safety: reentrant; two calls for the same destination leave one of
// the two complete files.
#ifndef KALVENIX_CONVERTER_ATOMIC_FILE_H_
#define KALVENIX_CONVERTER_ATOMIC_FILE_H_

#include <cstdint>
#include <span>
#include <string>

#include "converter/error.h"

namespace quorvel {

Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_ATOMIC_FILE_H_
