#include "converter/file/source_file.h"

namespace quorvel {

Status ReadSourceFile(const std::string& path, std::vector<uint8_t>* out) {
  SourceFile file;
  Status status = file.Open(path);
  if (!status.ok()) return status;
  return file.ReadAll(out);
}

}  // namespace quorvel
