// Test parameters print as readable text (test names in CTest come from
// them): printable ASCII as is, everything else as \uXXXX.
#ifndef KALVENIX_TESTS_CONVERSION_PRINTABLE_TEXT_H_
#define KALVENIX_TESTS_CONVERSION_PRINTABLE_TEXT_H_

#include <cstdio>
#include <string>
#include <string_view>

namespace kalvenix {

inline std::string Printable(std::u16string_view text) {
  std::string out = "\"";
  for (char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F && unit != u'\\') {
      out += static_cast<char>(unit);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
      out += escaped;
    }
  }
  if (out.size() > 40) out = out.substr(0, 37) + "...";
  return out + "\"";
}

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_CONVERSION_PRINTABLE_TEXT_H_
