#include "platform/utf_text.h"

#include <cstdint>

namespace kalvenix {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void AppendUtf8(char32_t code_point, std::string& out) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

void AppendUtf16(char32_t code_point, std::u16string& out) {
  if (code_point < 0x10000) {
    out += static_cast<char16_t>(code_point);
  } else {
    code_point -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code_point >> 10));
    out += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
  }
}

// Decodes one sequence at text[*at]; advances *at past what was consumed.
// Overlong forms, surrogates and values beyond U+10FFFF are malformed, and a
// malformed sequence consumes only its first byte so the next one resyncs.
char32_t DecodeUtf8(std::string_view text, size_t* at) {
  const auto lead = static_cast<unsigned char>(text[*at]);
  size_t length = 0;
  char32_t code_point = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    ++*at;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code_point = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code_point = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code_point = lead & 0x07, smallest = 0x10000;
  } else {
    ++*at;
    return kReplacement;
  }
  if (text.size() - *at < length) {
    ++*at;
    return kReplacement;
  }
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[*at + i]);
    if (!IsContinuation(byte)) {
      ++*at;
      return kReplacement;
    }
    code_point = (code_point << 6) | (byte & 0x3F);
  }
  if (code_point < smallest || code_point > 0x10FFFF || IsHighSurrogate(code_point) ||
      IsLowSurrogate(code_point)) {
    ++*at;
    return kReplacement;
  }
  *at += length;
  return code_point;
}

}  // namespace

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (IsHighSurrogate(unit)) {
      if (i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) return std::nullopt;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsLowSurrogate(unit)) {
      return std::nullopt;
    }
    AppendUtf8(unit, out);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) AppendUtf16(DecodeUtf8(text, &at), out);
  return out;
}

}  // namespace kalvenix
