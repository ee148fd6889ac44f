// Every test picture through Quorvel.dll and real COM, to every output type,
// as the manifest expects: a `reject` file fails with a German message and
// leaves its folder as it was, a `decode` file converts and its output reads
// back at the size convertEx wrote back, an `either` file may do either. No
// file may crash the host or touch its source.
//
// One case per corpus folder, each in a process of its own: Windows has no
// fork for a child per file, and a process per file under Wine would cost
// more than the conversions. The Linux suite adds the CPU and memory bounds.
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "com_server_support.h"
#include "manifest.h"
#include "picture_checks.h"
#include "testdata.h"

namespace quorvel::testing {
namespace {

using kalvenix::testing::ManifestEntry;
using kalvenix::testing::ReadManifest;
using kalvenix::testing::TestdataPath;

constexpr int32_t kBoxWidth = 160;
constexpr int32_t kBoxHeight = 120;

struct Type {
  const wchar_t* suffix;
  PictureFormat format;
  bool transparency;
  int32_t quality;
};
// As the batch passes them: transparency only for GIF, a quality only for JPG.
constexpr Type kTypes[] = {{L"BMP", PictureFormat::kBmp, false, 100},
                           {L"GIF", PictureFormat::kGif, true, 100},
                           {L"JPG", PictureFormat::kJpeg, false, 85},
                           {L"PNG", PictureFormat::kPng, false, 100}};

std::wstring Stem(const std::string& path) {
  const std::string name = path.substr(path.find_last_of('/') + 1);
  return Wide(name.substr(0, name.find_last_of('.')));
}

std::vector<std::wstring> Names(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

class ComManifestTest : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(CallServerExport("DllRegisterServer"), S_OK); }

  void CheckEntry(const ManifestEntry& entry, IDispatch* converter) {
    const std::wstring source = Wide(TestdataPath(entry.path));
    const std::vector<uint8_t> source_bytes = ReadWholeFile(source);
    ASSERT_TRUE(Exists(source));
    for (const Type& type : kTypes) {
      SCOPED_TRACE(Narrow(type.suffix));
      ScratchFolder scratch;
      const std::wstring folder = Wide(scratch.path());
      const std::wstring name = Stem(entry.path) + L"." + type.suffix;
      Arguments args;
      BatchArguments(&args, source, folder + L"\\" + name, kBoxWidth, kBoxHeight,
                     type.transparency, type.quality);
      const DispatchCall call = Invoke(converter, args);
      if (entry.expect == "decode") {
        EXPECT_EQ(call.hr, S_OK) << Narrow(call.description);
      }
      if (entry.expect == "reject") {
        EXPECT_NE(call.hr, S_OK) << "converted a file to reject";
      }
      if (call.hr == S_OK) {
        const std::vector<VARIANT> given = args.Reversed();
        const PictureHeader header = HeaderOf(folder + L"\\" + name);
        EXPECT_EQ(Names(folder), std::vector<std::wstring>{name});
        EXPECT_EQ(header.format, type.format);
        EXPECT_EQ(int32_t(header.stored_width), *given[3].plVal);
        EXPECT_EQ(int32_t(header.stored_height), *given[2].plVal);
        EXPECT_LE(*given[3].plVal, kBoxWidth);
        EXPECT_LE(*given[2].plVal, kBoxHeight);
      } else {
        EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
        EXPECT_FALSE(call.description.empty()) << "a failure without a message";
        EXPECT_TRUE(Names(folder).empty()) << "a failed conversion left a file";
      }
    }
    EXPECT_EQ(ReadWholeFile(source), source_bytes) << "the source was touched";
  }
};

TEST_P(ComManifestTest, ConvertsTheFolderAsTheManifestExpects) {
  KALVENIX_REQUIRE_TESTDATA();
  Apartment apartment;
  ASSERT_EQ(apartment.status(), S_OK);
  int checked = 0;
  for (const ManifestEntry& entry : ReadManifest()) {
    if (!entry.path.starts_with(GetParam() + "/")) continue;
    SCOPED_TRACE(entry.path + " (" + entry.expect + ")");
    // A new object per file, as the batch makes one.
    IDispatch* converter = nullptr;
    ASSERT_EQ(CreateConverter(&converter), S_OK);
    CheckEntry(entry, converter);
    converter->Release();
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// Listed from the manifest without throwing; without the pictures one
// placeholder reaches the guard.
std::vector<std::string> Folders() {
  std::set<std::string> folders;
  for (const ManifestEntry& entry : ReadManifest()) {
    folders.insert(entry.path.substr(0, entry.path.find('/')));
  }
  return kalvenix::testing::CasesOrPlaceholder({folders.begin(), folders.end()});
}

INSTANTIATE_TEST_SUITE_P(Testdata, ComManifestTest, ::testing::ValuesIn(Folders()));

}  // namespace
}  // namespace quorvel::testing
