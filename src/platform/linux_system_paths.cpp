#include <unistd.h>

#include <string>

#include "platform/system_paths.h"
#include "platform/utf_text.h"

namespace kalvenix {

bool IsFolderSeparator(char16_t unit) { return unit == u'/'; }

char16_t FolderSeparator() { return u'/'; }

std::u16string_view LibrarySuffix() { return u".so"; }

std::u16string ExecutableFolder() {
  // The kernel's own record of the file we were started from, symlinks resolved.
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return {};
  path.resize(static_cast<size_t>(length));
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return Utf8ToUtf16(path.substr(0, slash));
}

}  // namespace kalvenix
