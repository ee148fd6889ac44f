// The path conventions of the system the program is built for: what
// separates folders, what a loadable library's file name ends in, and where
// the running program lies. The rules that cut and join paths ask these
// instead of naming a system; each backend's source file defines them.
// Pure or read-only; safe from any thread.
#ifndef KALVENIX_PLATFORM_SYSTEM_PATHS_H_
#define KALVENIX_PLATFORM_SYSTEM_PATHS_H_

#include <string>
#include <string_view>

#include "platform/platform_export.h"

namespace kalvenix {

// "/" on Linux; "\" and "/" alike on Windows, whose file API takes both.
KALVENIX_PLATFORM_API bool IsFolderSeparator(char16_t unit);
// The separator the program itself writes between a folder and a name.
KALVENIX_PLATFORM_API char16_t FolderSeparator();
// ".so" or ".dll".
KALVENIX_PLATFORM_API std::u16string_view LibrarySuffix();
// The folder holding the running executable, without a trailing separator;
// empty when the system cannot say.
KALVENIX_PLATFORM_API std::u16string ExecutableFolder();

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_SYSTEM_PATHS_H_
