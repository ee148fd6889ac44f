#include "platform/component_object.h"

#include <gtest/gtest.h>

#include "echo_registration.h"
#include "platform/owned_text.h"

namespace kalvenix {
namespace {

class ComponentObjectTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registration_.ok());
    ASSERT_EQ(ComponentObject::Create("Kalvenix.Echo", &echo_), COMP_OK);
  }
  void TearDown() override {
    echo_.Reset();
    EXPECT_EQ(live_objects(), 0);
  }
  int32_t live_objects() const { return registration_.LiveObjects(); }

  EchoRegistration registration_;
  ComponentObject echo_;
};

TEST_F(ComponentObjectTest, TextWithNulComesBackWhole) {
  const std::u16string sent(u"C:\0a.jpg\0b.jpg", 14);
  OwnedText text(sent);
  CompVariant args[] = {TextArgument(text.get())};
  CallOutcome outcome = echo_.Invoke("echo", args);
  ASSERT_TRUE(outcome.ok());
  ASSERT_EQ(outcome.result.get().type, COMP_VT_TEXT);
  EXPECT_EQ(ToU16String(outcome.result.get().value.text), sent);
}

TEST_F(ComponentObjectTest, ScalarsComeBackWithTheirTypes) {
  CompVariant args[] = {Int32Argument(-2147483647 - 1)};
  CallOutcome number = echo_.Invoke("echo", args);
  ASSERT_TRUE(number.ok());
  EXPECT_EQ(number.result.get().type, COMP_VT_I4);
  EXPECT_EQ(number.result.get().value.i4, -2147483647 - 1);

  args[0] = BoolArgument(true);
  CallOutcome flag = echo_.Invoke("echo", args);
  ASSERT_TRUE(flag.ok());
  EXPECT_EQ(flag.result.get().type, COMP_VT_BOOL);
  EXPECT_EQ(flag.result.get().value.boolean, COMP_TRUE);
}

TEST_F(ComponentObjectTest, ByReferenceArgumentsReachTheCallersStorage) {
  int32_t number = 41;
  CompBool flag = COMP_FALSE;
  OwnedText text(u"alt");
  CompVariant args[] = {Int32Reference(&number), BoolReference(&flag),
                        TextReference(text.storage())};
  ASSERT_TRUE(echo_.Invoke("bump", args).ok());
  EXPECT_EQ(number, 42);
  EXPECT_EQ(flag, COMP_TRUE);
  EXPECT_EQ(text.ToString(), u"neu");  // the replaced buffer is ours to free now
}

struct FailingCall {
  const char* method;
  int argument_count;
  CompStatus expected;
  const char16_t* message;
  friend void PrintTo(const FailingCall& c, std::ostream* os) {
    *os << c.method << " with " << c.argument_count;
  }
};

class FailingCallTest : public ComponentObjectTest,
                        public testing::WithParamInterface<FailingCall> {};

TEST_P(FailingCallTest, GivesCodeAndMessageAndObjectStaysUsable) {
  const FailingCall& call = GetParam();
  CompVariant args[] = {Int32Argument(1), Int32Argument(2)};
  CallOutcome outcome = echo_.Invoke(call.method, std::span(args, call.argument_count));
  EXPECT_EQ(outcome.status, call.expected);
  EXPECT_EQ(outcome.message, call.message);
  EXPECT_EQ(outcome.result.get().type, COMP_VT_EMPTY);

  CompVariant again[] = {Int32Argument(7)};
  CallOutcome after = echo_.Invoke("echo", again);
  ASSERT_TRUE(after.ok());
  EXPECT_EQ(after.result.get().value.i4, 7);
}

INSTANTIATE_TEST_SUITE_P(
    Dispatch, FailingCallTest,
    testing::Values(FailingCall{"convertEx", 1, COMP_E_UNKNOWN_NAME, u"Unbekannte Methode"},
                    FailingCall{"Echo", 1, COMP_E_UNKNOWN_NAME, u"Unbekannte Methode"},
                    FailingCall{"echo", 2, COMP_E_BAD_ARGUMENTS, u"echo nimmt ein Argument"},
                    FailingCall{"bump", 2, COMP_E_BAD_ARGUMENTS, u"bump: falsche Argumente"},
                    FailingCall{"fail", 0, 123, u"Absichtlicher Fehler"}));

TEST_F(ComponentObjectTest, FailedCreationKeepsTheHeldObject) {
  EXPECT_EQ(ComponentObject::Create("Kalvenix.Nobody", &echo_), COMP_E_NOT_REGISTERED);
  ASSERT_TRUE(echo_.has_object());
  EXPECT_EQ(live_objects(), 1);
  CompVariant args[] = {Int32Argument(3)};
  EXPECT_TRUE(echo_.Invoke("echo", args).ok());
}

TEST_F(ComponentObjectTest, NewObjectReplacesAndReleasesTheHeldOne) {
  EXPECT_EQ(ComponentObject::Create("Kalvenix.Echo", &echo_), COMP_OK);
  EXPECT_EQ(live_objects(), 1);
  ComponentObject moved = std::move(echo_);
  EXPECT_FALSE(echo_.has_object());
  EXPECT_EQ(live_objects(), 1);
  moved.Reset();
  EXPECT_EQ(live_objects(), 0);
}

TEST(ComponentObjectEmpty, InvokeWithoutObjectIsRefused) {
  ComponentObject empty;
  EXPECT_EQ(empty.Invoke("echo", {}).status, COMP_E_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace kalvenix
