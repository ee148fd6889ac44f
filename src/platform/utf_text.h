// Conversions between the UTF-16 text of the controls and the component ABI
// and the UTF-8 the system's file and library calls take.
//
// Pure functions; safe from any thread.
#ifndef KALVENIX_PLATFORM_UTF_TEXT_H_
#define KALVENIX_PLATFORM_UTF_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform_export.h"

namespace kalvenix {

// Strict: a lone surrogate has no UTF-8 form, so the text names no file and
// the caller must refuse it rather than guess.
KALVENIX_PLATFORM_API std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

// Lenient: every malformed byte sequence becomes U+FFFD, because what comes in
// as UTF-8 (a library's message, a path from the system) is only shown or passed on.
KALVENIX_PLATFORM_API std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_UTF_TEXT_H_
