#include "conversion/text_to_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kalvenix {
namespace {

constexpr int32_t kLargest = std::numeric_limits<int32_t>::max();
constexpr int32_t kSmallest = std::numeric_limits<int32_t>::min();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text without blanks, tabs and line feeds, as ASCII up to the first
// character that no number can hold (nothing beyond ASCII fits the pattern).
std::string Compact(std::u16string_view text) {
  std::string compact;
  for (char16_t unit : text) {
    if (unit == u' ' || unit == u'\t' || unit == u'\n') continue;
    if (unit == 0 || unit >= 0x80) break;
    compact += static_cast<char>(unit);
  }
  return compact;
}

int DigitValue(char c, int base) {
  int value = base;
  if (IsDigit(c)) value = c - '0';
  else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

int32_t ReadPrefixedInteger(std::string_view digits, int base) {
  int64_t value = 0;
  for (char c : digits) {
    const int digit = DigitValue(c, base);
    if (digit < 0) break;
    value = value * base + digit;
    if (value > kLargest) return kLargest;
  }
  return static_cast<int32_t>(value);
}

int32_t RoundAndSaturate(double value) {
  // nearbyint rounds in the current mode, which is to nearest, ties to even.
  const double rounded = std::nearbyint(value);
  if (rounded >= static_cast<double>(kLargest)) return kLargest;
  if (rounded <= static_cast<double>(kSmallest)) return kSmallest;
  return static_cast<int32_t>(rounded);
}

int32_t ReadDecimal(std::string_view text) {
  size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  const size_t mantissa_start = at;

  // Where the first significant digit stands relative to the point tells,
  // when the value does not fit a double, whether it is huge or tiny.
  int64_t magnitude = 0;
  bool seen_significant = false, seen_point = false, seen_digit = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '.' && !seen_point) {
      seen_point = true;
    } else if (IsDigit(c)) {
      seen_digit = true;
      if (c != '0') seen_significant = true;
      if (!seen_point && seen_significant) ++magnitude;
      if (seen_point && !seen_significant) --magnitude;
    } else {
      break;
    }
  }
  if (!seen_digit) return 0;
  size_t end = at;

  int64_t exponent = 0;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    size_t e = at + 1;
    bool exponent_negative = false;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) exponent_negative = text[e++] == '-';
    if (e < text.size() && IsDigit(text[e])) {
      for (; e < text.size() && IsDigit(text[e]); ++e)
        if (exponent < 100000) exponent = exponent * 10 + (text[e] - '0');
      if (exponent_negative) exponent = -exponent;
      end = e;
    }
  }

  double value = 0;
  const auto [stop, error] =
      std::from_chars(text.data() + mantissa_start, text.data() + end, value);
  if (error == std::errc::result_out_of_range) {
    if (magnitude + exponent <= 0) return 0;  // too close to zero for a double
    return negative ? kSmallest : kLargest;
  }
  if (error != std::errc()) return 0;
  return RoundAndSaturate(negative ? -value : value);
}

}  // namespace

int32_t TextToNumber(std::u16string_view text) {
  const std::string compact = Compact(text);
  if (compact.size() >= 2 && compact[0] == '&') {
    if (compact[1] == 'H' || compact[1] == 'h')
      return ReadPrefixedInteger(std::string_view(compact).substr(2), 16);
    if (compact[1] == 'O' || compact[1] == 'o')
      return ReadPrefixedInteger(std::string_view(compact).substr(2), 8);
  }
  return ReadDecimal(compact);
}

}  // namespace kalvenix
