#include "converter/file/same_file.h"

#include "converter/file/windows_file_api.h"

namespace quorvel {

// Identity alone: NTFS and FAT give every spelling of a name and every hard
// link one file index, so the POSIX side's rule for FUSE drivers that
// number by name has nothing to catch here.
bool NamesTheSource(const std::string& destination, const OpenedSource& source) {
  const std::optional<std::wstring> path = WidePath(destination);
  if (!path) return false;
  const std::optional<FileIdentity> found = IdentityAt(*path);
  return found && found->volume == source.device && found->index == source.inode;
}

}  // namespace quorvel
