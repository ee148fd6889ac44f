// TextToNumber: how the quality, height and width texts become numbers.
//
// Blanks, tabs and line feeds are dropped wherever they stand; then the
// longest leading decimal number is read (sign, digits with at most one "."
// as the decimal point, optional exponent "E"/"e" with sign and digits), or a
// hexadecimal (&H) or octal (&O) integer, which is never negative. Reading
// stops at the first character that does not fit; a text without a leading
// number gives 0. The value is rounded half to even and saturates at the
// limits of int32_t, so the rule never fails.
// A pure function; safe from any thread.
#ifndef KALVENIX_CONVERSION_TEXT_TO_NUMBER_H_
#define KALVENIX_CONVERSION_TEXT_TO_NUMBER_H_

#include <cstdint>
#include <string_view>

namespace kalvenix {

int32_t TextToNumber(std::u16string_view text);

}  // namespace kalvenix

#endif  // KALVENIX_CONVERSION_TEXT_TO_NUMBER_H_
