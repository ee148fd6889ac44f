// The exports of Quorvel.so; everything else in the library is hidden.
// None lets an exception out: a failure is a status, never a crash of the host.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "converter/base/error.h"
#include "converter/component/compendium.h"
#include "platform/component_abi.h"

namespace {

int32_t Code(quorvel::Error error) { return static_cast<int32_t>(error); }

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

}  // namespace

extern "C" {

COMP_EXPORT int32_t DllRegisterServer(void) noexcept;
COMP_EXPORT int32_t DllUnregisterServer(void) noexcept;
COMP_EXPORT CompStatus CompGetClassObject(const char* prog_id, CompObject** out) noexcept;

// Registers the class with this library's own path, wherever it was loaded
// from, as the program's self-registration expects.
int32_t DllRegisterServer(void) noexcept {
  try {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 ||
        info.dli_fname == nullptr) {
      return Code(quorvel::Error::kInternal);
    }
    // A relative name would stop naming this file once the working folder changes.
    std::unique_ptr<char, FreeDeleter> path(realpath(info.dli_fname, nullptr));
    return CompRegisterClass(quorvel::kProgId, path ? path.get() : info.dli_fname);
  } catch (const std::bad_alloc&) {
    return Code(quorvel::Error::kOutOfMemory);
  } catch (...) {
    return Code(quorvel::Error::kInternal);
  }
}

int32_t DllUnregisterServer(void) noexcept {
  try {
    return CompUnregisterClass(quorvel::kProgId);
  } catch (...) {
    return Code(quorvel::Error::kInternal);
  }
}

CompStatus CompGetClassObject(const char* prog_id, CompObject** out) noexcept {
  if (out == nullptr) return COMP_E_INVALID_ARGUMENT;
  *out = nullptr;
  if (prog_id == nullptr || std::strcmp(prog_id, quorvel::kProgId) != 0) {
    return COMP_E_CLASS_REFUSED;
  }
  return quorvel::CreateCompendium(out);
}

}  // extern "C"
