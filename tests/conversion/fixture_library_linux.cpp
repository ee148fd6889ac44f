#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include "fixture_library.h"

namespace kalvenix {

bool IsLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

void SetFixtureLog(const std::string& path) {
  if (path.empty()) {
    unsetenv("KALVENIX_FIXTURE_LOG");
  } else {
    setenv("KALVENIX_FIXTURE_LOG", path.c_str(), 1);
  }
}

uint64_t ProcessNumber() { return static_cast<uint64_t>(getpid()); }

}  // namespace kalvenix
