// Kalvenix.exe as Windows sees the file and as a user starts it: its version
// record and manifest, and a window that ends the program when closed. The
// program lies beside this test. The start needs a display (with_display).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/system_paths.h"

namespace {

std::wstring ProgramPath() {
  const std::u16string folder = kalvenix::ExecutableFolder();
  return std::wstring(folder.begin(), folder.end()) + L"\\Kalvenix.exe";
}

std::wstring VersionValue(const std::vector<char>& record, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(record.data(), (std::wstring(L"\\StringFileInfo\\040704B0\\") + name).c_str(),
                      &value, &length) || length == 0)
    return L"(none)";
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(KalvenixExeTest, CarriesTheGermanVersionRecord) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  std::vector<char> record(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(record.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(record.size()),
                                  record.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0407);
  EXPECT_EQ(static_cast<const WORD*>(value)[1], 1200);
  EXPECT_EQ(VersionValue(record, L"CompanyName"), L"Orbelia");
  EXPECT_EQ(VersionValue(record, L"ProductName"), L"Kalvenix");
  EXPECT_EQ(VersionValue(record, L"OriginalFilename"), L"Kalvenix.exe");
  EXPECT_EQ(VersionValue(record, L"FileVersion"), L"1.01");
  EXPECT_EQ(VersionValue(record, L"ProductVersion"), L"1.01");
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", &value, &length));
  EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(value)->dwFileVersionMS, 0x00010001u);
}

TEST(KalvenixExeTest, HasItsIconAndAManifestForTheControlsAndTheDpi) {
  HMODULE program = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr);
  EXPECT_NE(FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);  // icon
  HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // manifest
  ASSERT_NE(found, nullptr);
  const std::string_view manifest(static_cast<const char*>(LockResource(LoadResource(program, found))),
                                  SizeofResource(program, found));
  for (std::string_view part : {"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                                "true/pm</dpiAware>", "PerMonitorV2", "supportedOS",
                                "level=\"asInvoker\""})
    EXPECT_NE(manifest.find(part), std::string_view::npos) << part;
  FreeLibrary(program);
}

struct Found {
  DWORD process_id;
  HWND window;
};

TEST(KalvenixExeTest, ShowsItsWindowAndEndsWhenItIsClosed) {
  std::wstring command = L"\"" + ProgramPath() + L"\"";
  STARTUPINFOW start{};
  start.cb = sizeof(start);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &start, &process));
  Found found{process.dwProcessId, nullptr};
  // Until the window shows or the program has ended; ctest's time-out bounds it.
  while (found.window == nullptr && WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
    EnumWindows(
        [](HWND window, LPARAM context) {
          auto* found = reinterpret_cast<Found*>(context);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner != found->process_id || !IsWindowVisible(window)) return TRUE;
          found->window = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
  }
  ASSERT_NE(found.window, nullptr) << "the program ended without a window";
  wchar_t caption[64] = {};
  GetWindowTextW(found.window, caption, 64);
  EXPECT_EQ(std::wstring(caption), L"Orbelia - Kalvenix");
  PostMessageW(found.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
  DWORD exit_code = 99;
  GetExitCodeProcess(process.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
