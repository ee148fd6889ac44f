#include "platform/linux_system_layer.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace kalvenix {
namespace {

TEST(LinuxSystemLayer, PathWithNulIsNotCutShort) {
  LinuxSystemLayer layer;
  // Cut at the NUL, this would name a library that loads.
  const std::string path = std::string(PLAIN_LIBRARY_PATH) + std::string("\0.missing", 9);
  EXPECT_FALSE(layer.LoadLibrary(path));
}

TEST(LinuxSystemLayer, KeepsTheLoadersWordsForTheLastFailedLoad) {
  LinuxSystemLayer layer;
  EXPECT_EQ(layer.LastLoadError(), "");
  const std::string missing = std::string(PLAIN_LIBRARY_PATH) + ".missing";
  EXPECT_FALSE(layer.LoadLibrary(missing));
  // Taken when the load failed: later dl calls must not wipe it.
  dlerror();
  const std::string reason = layer.LastLoadError();
  EXPECT_EQ(reason.rfind(missing + ": ", 0), 0u) << reason;

  const LibraryHandle library = layer.LoadLibrary(PLAIN_LIBRARY_PATH);
  ASSERT_TRUE(library);
  EXPECT_EQ(layer.LastLoadError(), "");
  layer.UnloadLibrary(library);
}

TEST(LinuxSystemLayer, ThreadRunsExportAndHandleOutlivesItsEnd) {
  LinuxSystemLayer layer;
  const LibraryHandle library = layer.LoadLibrary(ECHO_COMPONENT_PATH);
  ASSERT_TRUE(library);
  EXPECT_FALSE(layer.FindExport(library, "DllRegisterServe"));
  const ExportAddress entry = layer.FindExport(library, "DllUnregisterServer");
  ASSERT_TRUE(entry);

  const ThreadHandle thread = layer.StartThreadAt(entry);
  ASSERT_TRUE(thread);
  EXPECT_EQ(layer.WaitForThread(thread, 10000), kWaitEnded);
  EXPECT_EQ(layer.WaitForThread(thread, 0), kWaitEnded);  // an ended thread stays ended
  layer.CloseThread(thread);
  EXPECT_EQ(layer.WaitForThread(thread, 0), kWaitFailed);
  EXPECT_EQ(layer.WaitForThread(ThreadHandle{}, 0), kWaitFailed);
  layer.UnloadLibrary(library);
}

TEST(LinuxSystemLayer, NoThreadWithoutAnEntry) {
  LinuxSystemLayer layer;
  EXPECT_FALSE(layer.StartThreadAt(ExportAddress{}));
}

}  // namespace
}  // namespace kalvenix
