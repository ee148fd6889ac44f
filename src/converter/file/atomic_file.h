// Writing a destination file all or nothing.
//
// The bytes go to a new temporary file in the destination's own folder (so
// the final rename never crosses file systems), are flushed to the disk, and
// only then is the temporary renamed over the destination. On any failure
// the temporary is removed: no half-written file is left, and an existing
// destination keeps its old content. A full disk is kDiskFull; everything
// else (folder missing or not writable, destination a folder or read-only)
// is kCannotWrite.
//
// Given the conversion's opened source, a destination that is that file (see
// NamesTheSource) is refused with kDestinationIsSource and nothing is
// written. It is looked at when the write starts and again just before the
// rename. Where the file system can swap two names atomically, the temporary
// is swapped with the destination instead of renamed over it, and what was
// swapped out is checked once more: had the destination become the source
// in between (renamed or linked there), the swap is undone, so the source
// survives even that race. Elsewhere (FUSE drivers such as those for FAT and
// exFAT) the second look is the last, and only the moment between it and the
// rename remains open.
//
// On Windows the temporary is written, flushed (FlushFileBuffers) and moved
// over the destination with MoveFileExW (replace, write-through). No swap
// is needed there: the source is held open sharing reading only, so the
// system refuses any rename, link replacement or deletion of it while the
// conversion runs, and the looks before the write and before the move only
// give that refusal its code. An existing destination's permissions are
// not carried over; the new file gets its folder's, and a read-only
// destination is refused.
// Thread-safety: reentrant; two calls for the same destination leave one of
// the two complete files.
#ifndef KALVENIX_CONVERTER_FILE_ATOMIC_FILE_H_
#define KALVENIX_CONVERTER_FILE_ATOMIC_FILE_H_

#include <cstdint>
#include <span>
#include <string>

#include "converter/base/error.h"
#include "converter/file/same_file.h"

namespace quorvel {

Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                           const OpenedSource* source = nullptr);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_FILE_ATOMIC_FILE_H_
