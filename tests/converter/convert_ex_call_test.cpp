#include "converter/component/convert_ex_call.h"

#include <memory>
#include <string_view>

#include <gtest/gtest.h>

#include "convert_ex.h"

namespace quorvel {
namespace {

using kalvenix::testing::ConvertExArguments;
using kalvenix::testing::Passing;

// The batch's arguments, with the source (and the passing) open to change.
std::unique_ptr<ConvertExArguments> Arguments(std::u16string_view source = u"/bilder/urlaub.jpg",
                                              Passing passing = Passing::kAsTheBatch) {
  return std::make_unique<ConvertExArguments>(source, u"/bilder/urlaub.PNG", 640, 480, true, 85,
                                              passing);
}

class ConvertExCallTest : public ::testing::Test {
 protected:
  void SetUp() override { args_ = Arguments(); }

  Status Parse(ConvertExCall* call, uint32_t count = 6) {
    return ParseConvertExCall(args_->variants().data(), count, call);
  }

  std::unique_ptr<ConvertExArguments> args_;
};

TEST_F(ConvertExCallTest, TakesTheBatchsArgumentsAndRemembersTheSizeReferences) {
  ConvertExCall call;
  ASSERT_TRUE(Parse(&call).ok());
  EXPECT_EQ(call.source, "/bilder/urlaub.jpg");
  EXPECT_EQ(call.destination, "/bilder/urlaub.PNG");
  EXPECT_EQ(call.box.width, 640);
  EXPECT_EQ(call.box.height, 480);
  EXPECT_TRUE(call.transparency);
  EXPECT_EQ(call.quality, 85);
  EXPECT_EQ(call.width_out, args_->width());
  EXPECT_EQ(call.height_out, args_->height());
}

TEST_F(ConvertExCallTest, TakesByValueFormsAsWell) {
  args_ = Arguments(u"/bilder/urlaub.jpg", Passing::kByValue);
  (*args_)[2].value.i4 = -3;
  (*args_)[3].value.i4 = 0;
  (*args_)[4].value.boolean = 1;  // any non-zero value is True
  (*args_)[5].value.i4 = 10;
  ConvertExCall call;
  ASSERT_TRUE(Parse(&call).ok());
  EXPECT_EQ(call.destination, "/bilder/urlaub.PNG");
  EXPECT_EQ(call.box.width, -3);
  EXPECT_EQ(call.box.height, 0);
  EXPECT_TRUE(call.transparency);
  EXPECT_EQ(call.quality, 10);
  EXPECT_EQ(call.width_out, nullptr);
  EXPECT_EQ(call.height_out, nullptr);
}

TEST_F(ConvertExCallTest, NonAsciiPathsBecomeUtf8) {
  args_ = Arguments(u"/bilder/Gr\u00f6\u00dfe \u00dcberblick \U0001F600.gif");
  ConvertExCall call;
  ASSERT_TRUE(Parse(&call).ok());
  EXPECT_EQ(call.source, "/bilder/Gr\xc3\xb6\xc3\x9f" "e \xc3\x9c" "berblick \xf0\x9f\x98\x80.gif");
}

TEST_F(ConvertExCallTest, FalseTransparencyIsZeroOnly) {
  *args_->transparency() = COMP_FALSE;
  ConvertExCall call;
  ASSERT_TRUE(Parse(&call).ok());
  EXPECT_FALSE(call.transparency);
}

TEST_F(ConvertExCallTest, RefusesWrongCountsTypesAndReferences) {
  ConvertExCall call;
  EXPECT_EQ(Parse(&call, 5).code, Error::kBadArguments);
  EXPECT_EQ(ParseConvertExCall(nullptr, 6, &call).code, Error::kBadArguments);

  struct Breakage {
    int index;
    uint16_t type;
  };
  for (const Breakage& b : {Breakage{0, COMP_VT_I4}, Breakage{1, COMP_VT_BOOL | COMP_VT_BYREF},
                            Breakage{2, COMP_VT_TEXT}, Breakage{3, COMP_VT_EMPTY},
                            Breakage{4, COMP_VT_TEXT}, Breakage{5, COMP_VT_BOOL}}) {
    SetUp();
    (*args_)[b.index].type = b.type;
    if (b.type == COMP_VT_TEXT) (*args_)[b.index].value.text = args_->source();
    const Status status = Parse(&call);
    EXPECT_EQ(status.code, Error::kBadArguments) << b.index;
    EXPECT_NE(status.context.find(std::to_string(b.index + 1)), std::string::npos) << status.context;
  }
  for (int index = 1; index < 6; ++index) {
    SetUp();
    (*args_)[index].value.p_i4 = nullptr;  // the union's pointers share one place
    EXPECT_EQ(Parse(&call).code, Error::kBadArguments) << index;
  }
}

TEST_F(ConvertExCallTest, RefusesPathsThatNameNoFile) {
  ConvertExCall call;
  for (const std::u16string& bad : {std::u16string(u"/a/b\0c.jpg", 10), std::u16string(u"/a/\xD800.jpg"),
                                    std::u16string(u"/a/\xDC00x.jpg"), std::u16string()}) {
    args_ = Arguments(bad);
    EXPECT_EQ(Parse(&call).code, Error::kBadArguments);
  }
}

}  // namespace
}  // namespace quorvel
