// Reading a source file completely into memory.
//
// The whole file is read before anything is written and the source is never
// opened for writing. A file that changes size or modification time, or is
// deleted, while it is read is refused (kSourceChanged) rather than converted
// from a torn copy.
// Thread-safety: reentrant; one SourceFile belongs to one conversion.
#ifndef KALVENIX_CONVERTER_FILE_SOURCE_FILE_H_
#define KALVENIX_CONVERTER_FILE_SOURCE_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "converter/base/error.h"
#include "converter/file/same_file.h"

namespace quorvel {

// Files above this many bytes are refused with kTooLarge before reading.
inline constexpr uint64_t kMaxSourceBytes = uint64_t{1} << 30;

// An opened source. Its descriptor (handle) stays open until the object
// goes, so that what `opened()` names stays the file that was read while the
// destination is written.
class SourceFile {
 public:
  SourceFile() = default;
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  // A regular file within kMaxSourceBytes; nothing is read yet. On Windows
  // the file is opened sharing reading only: while this object lives nobody
  // can write, rename, delete or replace it (under any of its names), so a
  // file another program holds open for writing fails to open.
  Status Open(const std::string& path);
  const OpenedSource& opened() const { return opened_; }
  // Every byte, once, after a successful Open. Reuses `*out`'s storage when
  // it is large enough; what `*out` held before is not kept.
  Status ReadAll(std::vector<uint8_t>* out);

 private:
  // The version that was opened, to tell a file changed while it was read.
  struct Version {
    uint64_t size = 0;
    int64_t modified = 0;  // in the system's own unit
  };

  intptr_t handle_ = -1;  // a descriptor, or on Windows a HANDLE
  Version before_;
  OpenedSource opened_;
};

Status ReadSourceFile(const std::string& path, std::vector<uint8_t>* out);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_FILE_SOURCE_FILE_H_
