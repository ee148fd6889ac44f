#include "conversion/converter_registration.h"

#include <gtest/gtest.h>

#include "recording_system_layer.h"

namespace kalvenix {
namespace {

using Calls = std::vector<std::string>;

struct RegistrationPath {
  const char* name;
  LayerScript script;
  Calls expected_calls;
  bool expected_result;
  friend void PrintTo(const RegistrationPath& p, std::ostream* os) { *os << p.name; }
};

class RegistrationPathTest : public testing::TestWithParam<RegistrationPath> {};

TEST_P(RegistrationPathTest, MakesExactlyItsCallsInOrder) {
  RecordingSystemLayer layer(GetParam().script);
  EXPECT_EQ(SelfRegisterLibrary(layer, u"/opt/kalvenix/Quorvel.so", true),
            GetParam().expected_result);
  EXPECT_EQ(layer.calls(), GetParam().expected_calls);
}

const char kLoad[] = "LoadLibrary /opt/kalvenix/Quorvel.so";
const char kFind[] = "FindExport DllRegisterServer";

INSTANTIATE_TEST_SUITE_P(
    SelfRegisterLibrary, RegistrationPathTest,
    testing::Values(
        RegistrationPath{"NotLoadable", {.loads = false}, {kLoad}, false},
        RegistrationPath{"ExportMissing", {.has_export = false}, {kLoad, kFind, "UnloadLibrary"},
                         false},
        RegistrationPath{"ThreadNotStarted",
                         {.starts_thread = false},
                         {kLoad, kFind, "StartThreadAt", "UnloadLibrary"},
                         false},
        RegistrationPath{"EndedInTime",
                         {},
                         {kLoad, kFind, "StartThreadAt", "WaitForThread 10000", "CloseThread",
                          "UnloadLibrary"},
                         true},
        RegistrationPath{"TimedOut",
                         {.wait_result = kWaitTimedOut},
                         {kLoad, kFind, "StartThreadAt", "WaitForThread 10000"},
                         false},
        RegistrationPath{"WaitFailed",
                         {.wait_result = kWaitFailed},
                         {kLoad, kFind, "StartThreadAt", "WaitForThread 10000"},
                         false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SelfRegisterLibraryPath, ReachesTheSystemAsUtf8) {
  RecordingSystemLayer layer(LayerScript{.loads = false});
  SelfRegisterLibrary(layer, u"/home/jürgen/Quorvel.so", true);
  EXPECT_EQ(layer.calls(), Calls{"LoadLibrary /home/j\xC3\xBCrgen/Quorvel.so"});
}

TEST(SelfRegisterLibraryPath, LoneSurrogateIsRefusedBeforeAnyCall) {
  RecordingSystemLayer layer(LayerScript{});
  const std::u16string path{u'/', char16_t{0xD800}, u'.', u's', u'o'};
  EXPECT_FALSE(SelfRegisterLibrary(layer, path, true));
  EXPECT_TRUE(layer.calls().empty());
}

}  // namespace
}  // namespace kalvenix
