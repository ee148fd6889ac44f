#include "conversion/conversion_options.h"

#include <gtest/gtest.h>

#include "printable_text.h"

#include "conversion/text_to_number.h"

namespace kalvenix {
namespace {

struct Transparency {
  int32_t state;
  int32_t type_index;
  bool expected;
  friend void PrintTo(const Transparency& t, std::ostream* os) {
    *os << "state " << t.state << " type " << t.type_index;
  }
};

class TransparencyOptionTest : public testing::TestWithParam<Transparency> {};

TEST_P(TransparencyOptionTest, OnlyGifWithTheBoxSetOrGrayed) {
  EXPECT_EQ(TransparencyOption(GetParam().state, GetParam().type_index), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, TransparencyOptionTest,
    testing::Values(Transparency{1, 1, true}, Transparency{2, 1, true}, Transparency{0, 1, false},
                    Transparency{1, 0, false}, Transparency{1, 2, false},
                    Transparency{2, 3, false}, Transparency{1, -1, false}));

// The quality table for "JPG", from the text to what is passed.
struct Quality {
  std::u16string text;
  int32_t passed;
  friend void PrintTo(const Quality& q, std::ostream* os) { *os << Printable(q.text); }
};

class JpgQualityTest : public testing::TestWithParam<Quality> {};

TEST_P(JpgQualityTest, FromText) {
  EXPECT_EQ(QualityOption(TextToNumber(GetParam().text), kJpgTypeIndex), GetParam().passed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JpgQualityTest,
    testing::Values(Quality{u"", 100}, Quality{u"gut", 100}, Quality{u"0", 100},
                    Quality{u"0.4", 100}, Quality{u"0.6", 10}, Quality{u"5", 10},
                    Quality{u"-20", 10}, Quality{u"9.5", 10}, Quality{u"10.5", 10},
                    Quality{u"75", 75}, Quality{u"80,5", 80}, Quality{u"100.5", 100},
                    Quality{u"100.6", 100}, Quality{u"150", 100},
                    Quality{u"99999999999", 100}, Quality{u"-99999999999", 10}));

class OtherTypeQualityTest : public testing::TestWithParam<int32_t> {};

TEST_P(OtherTypeQualityTest, IsAlways100) {
  for (int32_t number : {0, 5, 75, 150, -20})
    EXPECT_EQ(QualityOption(number, GetParam()), 100) << number;
}

INSTANTIATE_TEST_SUITE_P(Rule, OtherTypeQualityTest, testing::Values(-1, 0, 1, 3));

}  // namespace
}  // namespace kalvenix
