#include <windows.h>

#include "echo_registration.h"
#include "platform/utf_text.h"

namespace kalvenix {

EchoRegistration::EchoRegistration() {
  const std::u16string path = Utf8ToUtf16(ECHO_COMPONENT_PATH);
  HMODULE library = LoadLibraryW(reinterpret_cast<const wchar_t*>(path.c_str()));
  library_ = library;
  if (library == nullptr) return;
  auto register_server = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
  if (register_server == nullptr || FAILED(register_server())) return;
  live_objects_ = reinterpret_cast<int32_t (*)()>(
      reinterpret_cast<void*>(GetProcAddress(library, "EchoLiveObjects")));
}

// COM keeps its own reference on the server while it likes; ours goes.
EchoRegistration::~EchoRegistration() {
  if (library_ != nullptr) FreeLibrary(static_cast<HMODULE>(library_));
}

}  // namespace kalvenix
