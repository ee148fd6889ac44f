#include "conversion/text_to_number.h"

#include <gtest/gtest.h>

#include "printable_text.h"

namespace kalvenix {
namespace {

struct Reading {
  std::u16string text;
  int32_t number;
  friend void PrintTo(const Reading& r, std::ostream* os) { *os << Printable(r.text); }
};

class TextToNumberTest : public testing::TestWithParam<Reading> {};

TEST_P(TextToNumberTest, Reads) { EXPECT_EQ(TextToNumber(GetParam().text), GetParam().number); }

INSTANTIATE_TEST_SUITE_P(
    Plain, TextToNumberTest,
    testing::Values(Reading{u"", 0}, Reading{u"640", 640}, Reading{u"+480", 480},
                    Reading{u"-20", -20}, Reading{u"007", 7}, Reading{u"abc", 0},
                    Reading{u"-", 0}, Reading{u".", 0}, Reading{u"+-5", 0},
                    Reading{u"px640", 0}));

INSTANTIATE_TEST_SUITE_P(
    BlanksTabsLineFeedsDropped, TextToNumberTest,
    testing::Values(Reading{u"6 40", 640}, Reading{u" \t6\n4 0 ", 640}, Reading{u"- 2 0", -20},
                    Reading{u"1 e 3", 1000}, Reading{u"& H 1F", 31},
                    Reading{u"6\r40", 6},     // a carriage return is not dropped
                    Reading{u"6\u00A040", 6}  // nor a no-break space
                    ));

INSTANTIATE_TEST_SUITE_P(
    StopsAtFirstMisfit, TextToNumberTest,
    testing::Values(Reading{u"640px", 640}, Reading{u"80,5", 80}, Reading{u"1.2.3", 1},
                    Reading{u"12e", 12}, Reading{u"12e+", 12}, Reading{u"12ex3", 12},
                    Reading{u"5\u00B2", 5}, Reading{std::u16string(u"7\0" u"9", 3), 7},
                    Reading{u"\uFF17", 0}));  // a full-width digit is no digit

INSTANTIATE_TEST_SUITE_P(
    Exponent, TextToNumberTest,
    testing::Values(Reading{u"1e3", 1000}, Reading{u"1E3", 1000}, Reading{u"2.5e1", 25},
                    Reading{u"15e-1", 2}, Reading{u"1e-400", 0}, Reading{u"-1e-400", 0},
                    Reading{u".5e1", 5}));

INSTANTIATE_TEST_SUITE_P(
    RoundsHalfToEven, TextToNumberTest,
    testing::Values(Reading{u"12.5", 12}, Reading{u"13.5", 14}, Reading{u"-2.5", -2},
                    Reading{u"0.5", 0}, Reading{u"1.5", 2}, Reading{u"0.4", 0},
                    Reading{u"0.6", 1}, Reading{u"9.5", 10}, Reading{u"10.5", 10},
                    Reading{u"100.6", 101}, Reading{u"-.5", 0}, Reading{u"2.", 2}));

INSTANTIATE_TEST_SUITE_P(
    HexadecimalAndOctal, TextToNumberTest,
    testing::Values(Reading{u"&H1F", 31}, Reading{u"&h1f", 31}, Reading{u"&O17", 15},
                    Reading{u"&o17", 15}, Reading{u"&H", 0}, Reading{u"&O8", 0},
                    Reading{u"&O178", 15}, Reading{u"&H1G", 1}, Reading{u"&17", 0},
                    Reading{u"&HFFFF", 65535}, Reading{u"&H7FFFFFFF", 2147483647},
                    Reading{u"&H-1", 0}));

INSTANTIATE_TEST_SUITE_P(
    SaturatesAtTheInt32Limits, TextToNumberTest,
    testing::Values(Reading{u"2147483647", 2147483647}, Reading{u"2147483647.5", 2147483647},
                    Reading{u"2147483648", 2147483647}, Reading{u"-2147483648", -2147483647 - 1},
                    Reading{u"-2147483649", -2147483647 - 1},
                    Reading{u"99999999999999999999", 2147483647}, Reading{u"1e400", 2147483647},
                    Reading{u"-1e400", -2147483647 - 1},
                    Reading{std::u16string(400, u'9'), 2147483647},
                    Reading{u"1e99999999999999999999", 2147483647},
                    Reading{u"&HFFFFFFFF", 2147483647},
                    Reading{u"&O77777777777777777777777", 2147483647},
                    Reading{u"&H" + std::u16string(100, u'F'), 2147483647}));

}  // namespace
}  // namespace kalvenix
