// Reading a source file completely into memory.
//
// The whole file is read before anything is written, so a destination equal
// to its source works and the source is never opened for writing. A file
// that changes size or modification time, or is deleted, while it is read is
// refused (kSourceChanged) rather than converted from a torn copy.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_SOURCE_FILE_H_
#define KALVENIX_CONVERTER_SOURCE_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "converter/error.h"

namespace quorvel {

// Files above this many bytes are refused with kTooLarge before reading.
inline constexpr uint64_t kMaxSourceBytes = uint64_t{1} << 30;

Status ReadSourceFile(const std::string& path, std::vector<uint8_t>* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_SOURCE_FILE_H_
