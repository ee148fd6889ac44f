// The Windows file backend: names beyond ASCII, replacing, failing cleanly,
// and never replacing the source under another spelling or a hard link.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter/file/atomic_file.h"
#include "converter/file/same_file.h"
#include "converter/file/source_file.h"
#include "converter/pipeline/convert_file.h"
#include "converter/write/encode.h"
#include "picture_checks.h"

namespace quorvel {
namespace {

const std::vector<uint8_t> kNew = {'n', 'e', 'u', 0, 1, 2};

std::wstring Wide(const std::string& utf8) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring out(size_t(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), units);
  return out;
}

class FileWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.empty()); }

  std::string Path(const std::string& name) const { return folder_ + "\\" + name; }

  // Through the W calls, so that the test does not lean on the code it tests.
  static void Put(const std::string& path, const std::string& text) {
    const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr));
    CloseHandle(file);
  }

  static std::string Get(const std::string& path) {
    const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string text(1 << 16, '\0');
    DWORD got = 0;
    ReadFile(file, text.data(), DWORD(text.size()), &got, nullptr);
    CloseHandle(file);
    text.resize(got);
    return text;
  }

  // The folder's names as the system spells them.
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileW((Wide(folder_) + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
  }

  testing::ScratchFolder scratch_;
  const std::string folder_ = scratch_.path();
};

TEST_F(FileWindowsTest, NamesWithUmlautsAreReadAndWrittenByTheirRealName) {
  const std::string name = "Gr\u00f6\u00dfe \u00c4hre \u20ac.png";
  ASSERT_TRUE(WriteFileAtomically(Path(name), kNew).ok());
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"Gr\u00f6\u00dfe \u00c4hre \u20ac.png"});
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadSourceFile(Path(name), &bytes).ok());
  EXPECT_EQ(bytes, kNew);
}

TEST_F(FileWindowsTest, AWholeConversionBetweenUmlautNames) {
  std::vector<uint8_t> bmp;
  ASSERT_TRUE(EncodePicture(testing::TestCard(64, 48, 3), OutputType::kBmp, {}, &bmp).ok());
  const std::string source = Path("\u00dcbersicht.bmp");
  Put(source, std::string(bmp.begin(), bmp.end()));
  PictureSize produced;
  const Status status =
      ConvertFile(source, Path("\u00dcbersicht.PNG"), {32, 32}, false, 100, &produced);
  ASSERT_TRUE(status.ok()) << status.context;
  EXPECT_EQ(produced.width, 32u);
  EXPECT_EQ(produced.height, 24u);
  EXPECT_EQ(Get(Path("\u00dcbersicht.PNG")).substr(1, 3), "PNG");
  EXPECT_EQ(Get(source), std::string(bmp.begin(), bmp.end()));
}

TEST_F(FileWindowsTest, PathsThatAreNoUtf8FailCleanly) {
  const std::string bad = Path("a\xff.png");
  EXPECT_EQ(WriteFileAtomically(bad, kNew).code, Error::kCannotWrite);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ReadSourceFile(bad, &bytes).code, Error::kCannotRead);
  EXPECT_TRUE(Names().empty());
}

TEST_F(FileWindowsTest, PathsLongerThanMaxPathWork) {
  std::string folder = folder_;
  for (int i = 0; folder.size() < MAX_PATH + 20; ++i) {
    folder += "\\Ordner-mit-einem-langen-Namen-" + std::to_string(i);
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide(folder)).c_str(), nullptr)) << folder;
  }
  const std::string path = folder + "\\bild.png";
  ASSERT_TRUE(WriteFileAtomically(path, kNew).ok());
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadSourceFile(path, &bytes).ok());
  EXPECT_EQ(bytes, kNew);
  // The scratch folder's clean-up does not take "\\?\"; leave it nothing deep.
  EXPECT_TRUE(DeleteFileW((L"\\\\?\\" + Wide(path)).c_str()));
  while (folder.size() > folder_.size()) {
    EXPECT_TRUE(RemoveDirectoryW((L"\\\\?\\" + Wide(folder)).c_str()));
    folder.resize(folder.rfind('\\'));
  }
}

TEST_F(FileWindowsTest, AnExistingDestinationIsReplacedWhole) {
  Put(Path("a.PNG"), "old content, longer than the new one");
  ASSERT_TRUE(WriteFileAtomically(Path("a.PNG"), kNew).ok());
  EXPECT_EQ(Get(Path("a.PNG")), std::string(kNew.begin(), kNew.end()));
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"a.PNG"});
}

// A viewer holding the old picture open without sharing deletion makes the
// move fail: the old file stays as it was, and no temporary is left.
TEST_F(FileWindowsTest, AFailedWriteLeavesTheOldDestinationAndNoTemporary) {
  Put(Path("a.PNG"), "old");
  const HANDLE viewer = CreateFileW(Wide(Path("a.PNG")).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  const Status status = WriteFileAtomically(Path("a.PNG"), kNew);
  CloseHandle(viewer);
  EXPECT_EQ(status.code, Error::kCannotWrite) << status.context;
  EXPECT_EQ(Get(Path("a.PNG")), "old");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"a.PNG"});
}

TEST_F(FileWindowsTest, AReadOnlyDestinationIsRefusedAndKept) {
  Put(Path("a.PNG"), "old");
  ASSERT_TRUE(SetFileAttributesW(Wide(Path("a.PNG")).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(WriteFileAtomically(Path("a.PNG"), kNew).code, Error::kCannotWrite);
  SetFileAttributesW(Wide(Path("a.PNG")).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Get(Path("a.PNG")), "old");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"a.PNG"});
}

TEST_F(FileWindowsTest, AnotherSpellingOfTheSourceIsTheSource) {
  Put(Path("foto.jpg"), "original");
  SourceFile source;
  ASSERT_TRUE(source.Open(Path("foto.jpg")).ok());
  EXPECT_TRUE(NamesTheSource(Path("foto.JPG"), source.opened()));
  EXPECT_TRUE(NamesTheSource(folder_ + "/./FOTO.jpg", source.opened()));
  EXPECT_FALSE(NamesTheSource(Path("foto.png"), source.opened()));
  EXPECT_EQ(WriteFileAtomically(Path("foto.JPG"), kNew, &source.opened()).code,
            Error::kDestinationIsSource);
  EXPECT_EQ(Get(Path("foto.jpg")), "original");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"foto.jpg"});
}

TEST_F(FileWindowsTest, AHardLinkToTheSourceIsTheSource) {
  Put(Path("foto.jpg"), "original");
  ASSERT_TRUE(CreateHardLinkW(Wide(Path("kopie.jpg")).c_str(), Wide(Path("foto.jpg")).c_str(),
                              nullptr));
  SourceFile source;
  ASSERT_TRUE(source.Open(Path("foto.jpg")).ok());
  EXPECT_TRUE(NamesTheSource(Path("kopie.jpg"), source.opened()));
  EXPECT_EQ(WriteFileAtomically(Path("kopie.jpg"), kNew, &source.opened()).code,
            Error::kDestinationIsSource);
  EXPECT_EQ(Get(Path("foto.jpg")), "original");
  EXPECT_EQ(Get(Path("kopie.jpg")), "original");
}

// What the writer's last moment rests on: while the source is open, the
// system itself refuses to put another file over any of its names.
TEST_F(FileWindowsTest, TheOpenSourceCannotBeReplacedUnderAnyName) {
  Put(Path("foto.jpg"), "original");
  ASSERT_TRUE(CreateHardLinkW(Wide(Path("kopie.jpg")).c_str(), Wide(Path("foto.jpg")).c_str(),
                              nullptr));
  Put(Path("neu.jpg"), "new");
  SourceFile source;
  ASSERT_TRUE(source.Open(Path("foto.jpg")).ok());
  for (const char* name : {"foto.jpg", "FOTO.JPG", "kopie.jpg"}) {
    EXPECT_FALSE(MoveFileExW(Wide(Path("neu.jpg")).c_str(), Wide(Path(name)).c_str(),
                             MOVEFILE_REPLACE_EXISTING))
        << name;
  }
  EXPECT_FALSE(MoveFileExW(Wide(Path("foto.jpg")).c_str(), Wide(Path("weg.jpg")).c_str(), 0));
  EXPECT_EQ(Get(Path("foto.jpg")), "original");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(source.ReadAll(&bytes).ok());
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "original");
}

}  // namespace
}  // namespace quorvel
