// UTF-16 (the component ABI's text) to and from UTF-8 (the system's paths).
//
// Thread-safety: pure functions.
#ifndef KALVENIX_CONVERTER_COMPONENT_UTF16_TEXT_H_
#define KALVENIX_CONVERTER_COMPONENT_UTF16_TEXT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// The NUL rule, the one place it differs from the host's converter in
// platform/utf_text.h: a path's text never holds U+0000. The system's file
// calls end a path at the first NUL, so "/a/b\0c.jpg" would name "/a/b";
// such a path is refused, never cut short. Messages have no such limit.

// Strict: a NUL or a lone surrogate has no place in a file name, so such a
// path names no file and is refused rather than guessed at.
std::optional<std::string> Utf16PathToUtf8(std::u16string_view text);

// Lenient: malformed UTF-8 becomes U+FFFD, a NUL stays a NUL; used for
// messages only.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_COMPONENT_UTF16_TEXT_H_
