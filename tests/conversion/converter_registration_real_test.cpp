// SelfRegisterLibrary with real libraries on the system's own layer.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "conversion/converter_registration.h"
#include "fixture_library.h"
#include "recording_system_layer.h"

namespace kalvenix {
namespace {

using Calls = std::vector<std::string>;

// Real libraries through the system's own layer, recording the calls.
class RealRegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    log_path_ = std::filesystem::temp_directory_path() /
                ("kalvenix_register_" + std::to_string(ProcessNumber()) + ".log");
    std::filesystem::remove(log_path_);
    SetFixtureLog(log_path_.string());
  }
  void TearDown() override {
    SetFixtureLog("");
    std::filesystem::remove(log_path_);
  }

  std::string Log() const {
    std::ifstream in(log_path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static std::u16string Path(const char* path) {
    return std::u16string(path, path + std::char_traits<char>::length(path));
  }
  static std::string Load(const char* path) { return std::string("LoadLibrary ") + path; }

  std::filesystem::path log_path_;
  std::unique_ptr<SystemLayer> system_layer_ = MakeSystemLayer();
  RecordingSystemLayer layer_{system_layer_.get()};
};

TEST_F(RealRegistrationTest, MissingFileIsFalseAtOnce) {
  EXPECT_FALSE(SelfRegisterLibrary(layer_, u"/nonexistent/Quorvel", true));
  EXPECT_EQ(layer_.calls(), Calls{"LoadLibrary /nonexistent/Quorvel"});
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
  const Calls once{Load(REGISTER_FIXTURE_PATH),
                   "FindExport DllRegisterServer",
                   "StartThreadAt",
                   "WaitForThread 10000",
                   "CloseThread",
                   "UnloadLibrary"};
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
