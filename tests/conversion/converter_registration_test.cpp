#include "conversion/converter_registration.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/linux_system_layer.h"
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

// The rest runs real libraries through the Linux layer, recording the calls.
class RealRegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    log_path_ = std::filesystem::temp_directory_path() /
                ("kalvenix_register_" + std::to_string(getpid()) + ".log");
    std::filesystem::remove(log_path_);
    setenv("KALVENIX_FIXTURE_LOG", log_path_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KALVENIX_FIXTURE_LOG");
    std::filesystem::remove(log_path_);
  }

  std::string Log() const {
    std::ifstream in(log_path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static bool IsLoaded(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) dlclose(handle);
    return handle != nullptr;
  }
  static std::u16string Path(const char* path) {
    return std::u16string(path, path + std::char_traits<char>::length(path));
  }
  static std::string Load(const char* path) { return std::string("LoadLibrary ") + path; }

  std::filesystem::path log_path_;
  LinuxSystemLayer linux_layer_;
  RecordingSystemLayer layer_{&linux_layer_};
};

TEST_F(RealRegistrationTest, MissingFileIsFalseAtOnce) {
  EXPECT_FALSE(SelfRegisterLibrary(layer_, u"/nonexistent/Quorvel.so", true));
  EXPECT_EQ(layer_.calls(), Calls{"LoadLibrary /nonexistent/Quorvel.so"});
}

TEST_F(RealRegistrationTest, EmptyPathDoesNotLoadTheProgramItself) {
  EXPECT_FALSE(SelfRegisterLibrary(layer_, u"", true));
  EXPECT_EQ(layer_.calls(), Calls{"LoadLibrary "});
}

TEST_F(RealRegistrationTest, LibraryWithoutExportsIsLoadedAndUnloadedOnce) {
  EXPECT_FALSE(SelfRegisterLibrary(layer_, Path(PLAIN_LIBRARY_PATH), true));
  EXPECT_EQ(layer_.calls(),
            (Calls{Load(PLAIN_LIBRARY_PATH), "FindExport DllRegisterServer", "UnloadLibrary"}));
  EXPECT_FALSE(IsLoaded(PLAIN_LIBRARY_PATH));
}

TEST_F(RealRegistrationTest, ClearFlagRunsOnlyTheUnregisterExport) {
  EXPECT_TRUE(SelfRegisterLibrary(layer_, Path(REGISTER_FIXTURE_PATH), false));
  EXPECT_EQ(layer_.calls(),
            (Calls{Load(REGISTER_FIXTURE_PATH), "FindExport DllUnregisterServer", "StartThreadAt",
                   "WaitForThread 10000", "CloseThread", "UnloadLibrary"}));
  EXPECT_EQ(Log(), "unregister\n");
  EXPECT_FALSE(IsLoaded(REGISTER_FIXTURE_PATH));
}

TEST_F(RealRegistrationTest, FailureStatusOfTheExportStillCountsAsDone) {
  EXPECT_TRUE(SelfRegisterLibrary(layer_, Path(FAILING_REGISTER_FIXTURE_PATH), true));
  EXPECT_EQ(Log(), "register\n");
}

TEST_F(RealRegistrationTest, EveryCallLoadsRunsAndUnloadsAfresh) {
  EXPECT_TRUE(SelfRegisterLibrary(layer_, Path(REGISTER_FIXTURE_PATH), true));
  EXPECT_TRUE(SelfRegisterLibrary(layer_, Path(REGISTER_FIXTURE_PATH), true));
  const Calls once{Load(REGISTER_FIXTURE_PATH), "FindExport DllRegisterServer", "StartThreadAt",
                   "WaitForThread 10000", "CloseThread", "UnloadLibrary"};
  Calls twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(layer_.calls(), twice);
  EXPECT_EQ(Log(), "register\nregister\n");
  EXPECT_FALSE(IsLoaded(REGISTER_FIXTURE_PATH));
}

TEST_F(RealRegistrationTest, ExportOutlastingTheLimitLeavesLibraryLoadedAndRunning) {
  EXPECT_FALSE(SelfRegisterLibrary(layer_, Path(SLOW_REGISTER_FIXTURE_PATH), true, 30));
  EXPECT_EQ(layer_.calls(), (Calls{Load(SLOW_REGISTER_FIXTURE_PATH), "FindExport DllRegisterServer",
                                   "StartThreadAt", "WaitForThread 30"}));
  EXPECT_TRUE(IsLoaded(SLOW_REGISTER_FIXTURE_PATH));

  // The abandoned thread still finishes its export, in a library that is still there.
  // Only a thread that never ends meets this deadline, however loaded the machine.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Log() != "register\nended\n" && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Log(), "register\nended\n");
  EXPECT_TRUE(IsLoaded(SLOW_REGISTER_FIXTURE_PATH));
}

}  // namespace
}  // namespace kalvenix
