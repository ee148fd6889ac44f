#include "platform/utf_text.h"

#include <cstdio>

#include <gtest/gtest.h>

namespace kalvenix {
namespace {

// UTF-8 bytes as printable ASCII, the rest as \xNN, to name the cases.
std::string Bytes(const std::string& utf8) {
  std::string out;
  for (unsigned char byte : utf8) {
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      out += static_cast<char>(byte);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return out.empty() ? "empty" : out;
}

struct RoundTrip {
  std::u16string utf16;
  std::string utf8;
  friend void PrintTo(const RoundTrip& r, std::ostream* os) { *os << Bytes(r.utf8); }
};

class UtfRoundTripTest : public testing::TestWithParam<RoundTrip> {};

TEST_P(UtfRoundTripTest, ConvertsBothWays) {
  EXPECT_EQ(Utf16ToUtf8(GetParam().utf16), GetParam().utf8);
  EXPECT_EQ(Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Text, UtfRoundTripTest,
    testing::Values(RoundTrip{u"", ""}, RoundTrip{u"/fotos/a.jpg", "/fotos/a.jpg"},
                    RoundTrip{u"Keine Dateien ausgewählt!", "Keine Dateien ausgew\xC3\xA4hlt!"},
                    RoundTrip{std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
                    RoundTrip{u"\u20AC", "\xE2\x82\xAC"},
                    RoundTrip{u"\U0001F600", "\xF0\x9F\x98\x80"},
                    RoundTrip{u"\uFFFF\U0010FFFF", "\xEF\xBF\xBF\xF4\x8F\xBF\xBF"}));

TEST(Utf16ToUtf8, LoneSurrogatesHaveNoUtf8Form) {
  for (const std::u16string& text :
       {std::u16string{u'a', char16_t{0xD83D}}, std::u16string{char16_t{0xDE00}, u'a'},
        std::u16string{char16_t{0xD83D}, u'a'}, std::u16string{char16_t{0xDE00}, char16_t{0xD83D}}})
    EXPECT_EQ(Utf16ToUtf8(text), std::nullopt);
}

struct Malformed {
  std::string utf8;
  std::u16string utf16;
  friend void PrintTo(const Malformed& m, std::ostream* os) { *os << Bytes(m.utf8); }
};

class Utf8MalformedTest : public testing::TestWithParam<Malformed> {};

TEST_P(Utf8MalformedTest, BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Text, Utf8MalformedTest,
    testing::Values(Malformed{"a\xC3", u"a\uFFFD"},                   // cut short
                    Malformed{"\xC0\xAFx", u"\uFFFD\uFFFDx"},          // overlong "/"
                    Malformed{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
                    Malformed{"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // > U+10FFFF
                    Malformed{"\x80\xFF", u"\uFFFD\uFFFD"},
                    Malformed{"\xE2\x82x", u"\uFFFD\uFFFDx"}));

}  // namespace
}  // namespace kalvenix
