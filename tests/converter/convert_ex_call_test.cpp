#include "converter/convert_ex_call.h"

#include <list>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// Variants pointing at storage the fixture owns, like the batch's own values.
class ConvertExCallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = Text(u"/bilder/urlaub.jpg");
    destination_ = Text(u"/bilder/urlaub.PNG");
    args_[0].type = COMP_VT_TEXT;
    args_[0].value.text = source_;
    args_[1].type = COMP_VT_TEXT | COMP_VT_BYREF;
    args_[1].value.p_text = &destination_;
    args_[2].type = COMP_VT_I4 | COMP_VT_BYREF;
    args_[2].value.p_i4 = &width_;
    args_[3].type = COMP_VT_I4 | COMP_VT_BYREF;
    args_[3].value.p_i4 = &height_;
    args_[4].type = COMP_VT_BOOL | COMP_VT_BYREF;
    args_[4].value.p_boolean = &transparency_;
    args_[5].type = COMP_VT_I4 | COMP_VT_BYREF;
    args_[5].value.p_i4 = &quality_;
  }

  CompText Text(const std::u16string& s) {
    held_.push_back(s);
    return CompText{reinterpret_cast<uint16_t*>(held_.back().data()),
                    static_cast<uint32_t>(held_.back().size())};
  }

  Status Parse(ConvertExCall* call, uint32_t count = 6) {
    return ParseConvertExCall(args_, count, call);
  }

  std::list<std::u16string> held_;
  CompText source_{};
  CompText destination_{};
  int32_t width_ = 640;
  int32_t height_ = 480;
  CompBool transparency_ = COMP_TRUE;
  int32_t quality_ = 85;
  CompVariant args_[6]{};
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
  EXPECT_EQ(call.width_out, &width_);
  EXPECT_EQ(call.height_out, &height_);
}

TEST_F(ConvertExCallTest, TakesByValueFormsAsWell) {
  args_[1].type = COMP_VT_TEXT;
  args_[1].value.text = destination_;
  args_[2].type = COMP_VT_I4;
  args_[2].value.i4 = -3;
  args_[3].type = COMP_VT_I4;
  args_[3].value.i4 = 0;
  args_[4].type = COMP_VT_BOOL;
  args_[4].value.boolean = 1;  // any non-zero value is True
  args_[5].type = COMP_VT_I4;
  args_[5].value.i4 = 10;
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
  args_[0].value.text = Text(u"/bilder/Gr\u00f6\u00dfe \u00dcberblick \U0001F600.gif");
  ConvertExCall call;
  ASSERT_TRUE(Parse(&call).ok());
  EXPECT_EQ(call.source, "/bilder/Gr\xc3\xb6\xc3\x9f" "e \xc3\x9c" "berblick \xf0\x9f\x98\x80.gif");
}

TEST_F(ConvertExCallTest, FalseTransparencyIsZeroOnly) {
  transparency_ = COMP_FALSE;
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
    args_[b.index].type = b.type;
    if (b.type == COMP_VT_TEXT) args_[b.index].value.text = source_;
    const Status status = Parse(&call);
    EXPECT_EQ(status.code, Error::kBadArguments) << b.index;
    EXPECT_NE(status.context.find(std::to_string(b.index + 1)), std::string::npos) << status.context;
  }
  for (int index = 1; index < 6; ++index) {
    SetUp();
    args_[index].value.p_i4 = nullptr;  // the union's pointers share one place
    EXPECT_EQ(Parse(&call).code, Error::kBadArguments) << index;
  }
}

TEST_F(ConvertExCallTest, RefusesPathsThatNameNoFile) {
  ConvertExCall call;
  for (const std::u16string& bad : {std::u16string(u"/a/b\0c.jpg", 10), std::u16string(u"/a/\xD800.jpg"),
                                    std::u16string(u"/a/\xDC00x.jpg"), std::u16string()}) {
    SetUp();
    args_[0].value.text = Text(bad);
    EXPECT_EQ(Parse(&call).code, Error::kBadArguments);
  }
}

}  // namespace
}  // namespace quorvel
