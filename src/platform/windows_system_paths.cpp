#include <windows.h>

#include <string>

#include "platform/system_paths.h"

namespace kalvenix {

bool IsFolderSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

char16_t FolderSeparator() { return u'\\'; }

std::u16string_view LibrarySuffix() { return u".dll"; }

std::u16string ExecutableFolder() {
  // The path can exceed MAX_PATH (a \\?\ start, a deep folder); grow until it fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};  // the longest path Windows knows
    path.resize(path.size() * 2);
  }
  const size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return {};
  return std::u16string(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(separator));
}

}  // namespace kalvenix
