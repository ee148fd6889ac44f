// SelfRegisterLibrary (module mdlPicConvert): registers a component library,
// or unregisters it, by running its own export in this process.
//
// Loads the library, looks up "DllRegisterServer" (register_flag set) or
// "DllUnregisterServer" (clear), runs it on a thread of its own and waits at
// most wait_limit_ms for that thread to end. True means the export ran to its
// end in time, whatever status it returned; False means the library could not
// be loaded, lacks the export, the thread did not start, or did not end in
// time. On that last path the library stays loaded and the thread runs to
// its end on its own, because its code may still be running.
// Shows nothing and raises nothing. Runs on the caller's thread, which it
// blocks for up to wait_limit_ms.
#ifndef KALVENIX_CONVERSION_CONVERTER_REGISTRATION_H_
#define KALVENIX_CONVERSION_CONVERTER_REGISTRATION_H_

#include <cstdint>
#include <string_view>

#include "platform/system_layer.h"

namespace kalvenix {

// Long enough for a library's registration on a slow machine, short enough
// that a hung export does not freeze the window for good.
inline constexpr uint32_t kRegistrationWaitMs = 10000;

bool SelfRegisterLibrary(SystemLayer& system, std::u16string_view library_path,
                         bool register_flag, uint32_t wait_limit_ms = kRegistrationWaitMs);

}  // namespace kalvenix

#endif  // KALVENIX_CONVERSION_CONVERTER_REGISTRATION_H_
