#include "conversion/converter_registration.h"

#include <optional>
#include <string>

#include "platform/utf_text.h"

namespace kalvenix {

bool SelfRegisterLibrary(SystemLayer& system, std::u16string_view library_path,
                         bool register_flag, uint32_t wait_limit_ms) {
  bool success = false;
  // Any failure of our own (no memory) ends the routine with the flag as it
  // stands, leaving the library loaded: it must never reach the batch.
  try {
    // A path with a lone surrogate names no file; it counts as not loadable.
    const std::optional<std::string> path = Utf16ToUtf8(library_path);
    if (!path) return false;

    const LibraryHandle library = system.LoadLibrary(*path);
    if (!library) return false;

    const char* entry_name = register_flag ? "DllRegisterServer" : "DllUnregisterServer";
    const ExportAddress entry = system.FindExport(library, entry_name);
    if (entry) {
      const ThreadHandle thread = system.StartThreadAt(entry);
      if (thread) {
        // Not ended in time: the export may still be running, so the library
        // must stay loaded and the thread is left to end on its own.
        if (system.WaitForThread(thread, wait_limit_ms) != kWaitEnded) return false;
        system.CloseThread(thread);
        success = true;
      }
    }
    system.UnloadLibrary(library);
  } catch (...) {
  }
  return success;
}

}  // namespace kalvenix
