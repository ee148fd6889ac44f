#include "platform/windows_system_layer.h"

#include <windows.h>
#undef LoadLibrary

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/utf_text.h"

namespace kalvenix {
namespace {

namespace fs = std::filesystem;

bool IsLoaded(const fs::path& path) { return GetModuleHandleW(path.c_str()) != nullptr; }

TEST(WindowsSystemLayer, PathWithUmlautsAndSpacesLoads) {
  // Beyond the ANSI code page: "ő" and "ł" have no place in Windows-1252.
  const fs::path folder = fs::temp_directory_path() / fs::path(u"Kalvenix Bibliothek äöü ő ł");
  fs::create_directories(folder);
  const fs::path copy = folder / fs::path(u"Grüße aus Köln.dll");
  fs::copy_file(PLAIN_LIBRARY_PATH, copy, fs::copy_options::overwrite_existing);

  WindowsSystemLayer layer;
  const LibraryHandle library = layer.LoadLibrary(*Utf16ToUtf8(copy.u16string()));
  EXPECT_TRUE(library) << layer.LastLoadError();
  EXPECT_EQ(layer.LastLoadError(), "");
  EXPECT_TRUE(IsLoaded(copy));
  layer.UnloadLibrary(library);
  EXPECT_FALSE(IsLoaded(copy));
  fs::remove_all(folder);
}

TEST(WindowsSystemLayer, FailedLoadKeepsPathAndSystemWordsOnOneLine) {
  WindowsSystemLayer layer;
  const std::string missing = std::string(PLAIN_LIBRARY_PATH) + ".fehlt.dll";
  EXPECT_FALSE(layer.LoadLibrary(missing));
  SetLastError(ERROR_SUCCESS);  // the words were taken when the load failed
  const std::string reason = layer.LastLoadError();
  ASSERT_GT(reason.size(), missing.size() + 2) << reason;
  EXPECT_EQ(reason.substr(0, missing.size() + 2), missing + ": ");
  EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << reason;

  const LibraryHandle library = layer.LoadLibrary(PLAIN_LIBRARY_PATH);
  ASSERT_TRUE(library);
  EXPECT_EQ(layer.LastLoadError(), "");
  layer.UnloadLibrary(library);
}

TEST(WindowsSystemLayer, PathsThatNameNoFileAreRefused) {
  WindowsSystemLayer layer;
  // Empty would load the program itself; a NUL would cut the path short;
  // bytes that are not UTF-8 must not become a look-alike name.
  EXPECT_FALSE(layer.LoadLibrary(""));
  EXPECT_FALSE(layer.LoadLibrary(std::string(PLAIN_LIBRARY_PATH) + std::string("\0.x", 3)));
  EXPECT_FALSE(layer.LoadLibrary("C:\\Bilder\\\xFF\xFE.dll"));
  EXPECT_NE(layer.LastLoadError(), "");
}

TEST(WindowsSystemLayer, ThreadRunsExportAndHandleOutlivesItsEnd) {
  WindowsSystemLayer layer;
  const LibraryHandle library = layer.LoadLibrary(ECHO_COMPONENT_PATH);
  ASSERT_TRUE(library) << layer.LastLoadError();
  EXPECT_FALSE(layer.FindExport(library, "DllRegisterServe"));
  // An HRESULT (void) export that changes nothing: the tests share the registration.
  const ExportAddress entry = layer.FindExport(library, "DllCanUnloadNow");
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

TEST(WindowsSystemLayer, NoThreadWithoutAnEntry) {
  WindowsSystemLayer layer;
  EXPECT_FALSE(layer.StartThreadAt(ExportAddress{}));
}

}  // namespace
}  // namespace kalvenix
