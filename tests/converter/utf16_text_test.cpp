#include "converter/component/utf16_text.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

struct RoundTrip {
  std::u16string utf16;
  std::string utf8;
};

class Utf16TextTest : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(Utf16TextTest, PathsConvertBothWays) {
  EXPECT_EQ(Utf16PathToUtf8(GetParam().utf16), GetParam().utf8);
  EXPECT_EQ(Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Text, Utf16TextTest,
    ::testing::Values(RoundTrip{u"", ""}, RoundTrip{u"/fotos/a.jpg", "/fotos/a.jpg"},
                      RoundTrip{u"/bilder/Grüße.png", "/bilder/Gr\xC3\xBC\xC3\x9F" "e.png"},
                      RoundTrip{u"\u20AC", "\xE2\x82\xAC"},
                      RoundTrip{u"\U0001F600", "\xF0\x9F\x98\x80"},
                      RoundTrip{u"\uFFFF\U0010FFFF", "\xEF\xBF\xBF\xF4\x8F\xBF\xBF"}));

// The NUL rule: a path with a NUL is refused wherever it stands, while a
// message keeps it.
TEST(Utf16TextNul, PathsRefuseItMessagesKeepIt) {
  for (const std::u16string& text : {std::u16string(u"\0", 1), std::u16string(u"/a/b\0c.jpg", 10),
                                     std::u16string(u"/a.jpg\0", 7)})
    EXPECT_EQ(Utf16PathToUtf8(text), std::nullopt);
  EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf16TextPath, LoneSurrogatesAreRefused) {
  for (const std::u16string& text :
       {std::u16string{u'a', char16_t{0xD83D}}, std::u16string{char16_t{0xDE00}, u'a'},
        std::u16string{char16_t{0xD83D}, u'a'}, std::u16string{char16_t{0xDE00}, char16_t{0xD83D}}})
    EXPECT_EQ(Utf16PathToUtf8(text), std::nullopt);
}

struct Malformed {
  std::string utf8;
  std::u16string utf16;
};

class Utf16TextMalformedTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(Utf16TextMalformedTest, MessagesGetReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(
    Text, Utf16TextMalformedTest,
    ::testing::Values(Malformed{"a\xC3", u"a\uFFFD"},                   // cut short
                      Malformed{"\xC0\xAFx", u"\uFFFD\uFFFDx"},          // overlong "/"
                      Malformed{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
                      Malformed{"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // > U+10FFFF
                      Malformed{"\xFFok", u"\uFFFDok"}));

}  // namespace
}  // namespace quorvel
