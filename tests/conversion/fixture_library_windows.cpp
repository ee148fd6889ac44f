#include <windows.h>

#include <cstdlib>

#include "fixture_library.h"
#include "platform/utf_text.h"

namespace kalvenix {

bool IsLoaded(const std::string& path) {
  const std::u16string wide = Utf8ToUtf16(path);
  return GetModuleHandleW(reinterpret_cast<const wchar_t*>(wide.c_str())) != nullptr;
}

void SetFixtureLog(const std::string& path) {
  // Through the C runtime the fixtures share with us, so that their getenv sees it.
  _putenv_s("KALVENIX_FIXTURE_LOG", path.c_str());
}

uint64_t ProcessNumber() { return GetCurrentProcessId(); }

}  // namespace kalvenix
