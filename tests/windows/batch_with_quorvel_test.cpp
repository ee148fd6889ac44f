// The program's batch with the real converter, as a new user meets it: the
// converter is not registered yet, so the batch registers Quorvel.dll from
// the program's folder (this test's) and then converts every listed picture
// in a folder whose name holds umlauts and spaces.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "com_server_support.h"
#include "conversion/batch_conversion.h"
#include "fake_window.h"
#include "platform/system_layer.h"

namespace quorvel::testing {
namespace {

std::u16string U16(const std::wstring& text) { return {text.begin(), text.end()}; }

class BatchWithQuorvel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(apartment_.status()));
    folder_ = std::filesystem::temp_directory_path() / L"Fotos vom Strand äöü ß";
    std::filesystem::remove_all(folder_);
    ASSERT_TRUE(std::filesystem::create_directories(folder_));
    // A user who has never started the program: nothing registered.
    ASSERT_EQ(CallServerExport("DllUnregisterServer"), S_OK);
  }
  void TearDown() override {
    CallServerExport("DllUnregisterServer");
    std::filesystem::remove_all(folder_);
  }

  std::wstring In(const wchar_t* name) const { return (folder_ / name).wstring(); }

  Apartment apartment_;
  std::filesystem::path folder_;
};

TEST_F(BatchWithQuorvel, RegistersTheConverterAndConvertsEveryEntry) {
  ASSERT_TRUE(WritePicture(In(L"Möwe am Meer.bmp"), OutputType::kBmp, 800, 600));
  ASSERT_TRUE(WritePicture(In(L"düne.png"), OutputType::kPng, 300, 200));
  ASSERT_TRUE(WritePicture(In(L"kaputt.jpg"), OutputType::kJpeg, 64, 64));
  {
    HANDLE file = CreateFileW(In(L"kaputt.jpg").c_str(), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFilePointer(file, 100, nullptr, FILE_BEGIN);
    SetEndOfFile(file);  // cut off
    CloseHandle(file);
  }
  kalvenix::FakeWindow window;
  window.entries = {U16(In(L"Möwe am Meer.bmp")), U16(In(L"kaputt.jpg")), U16(In(L"düne.png"))};
  window.type_text = u"GIF";
  window.type_index = 1;
  window.transparency_state = 1;
  const std::wstring server = ServerPath();
  window.folder = U16(server.substr(0, server.find_last_of(L'\\')));

  const std::unique_ptr<kalvenix::SystemLayer> system = kalvenix::MakeSystemLayer();
  kalvenix::ConvertListedFiles(window, window, *system);

  const PictureHeader gull = HeaderOf(In(L"Möwe am Meer.GIF"));
  EXPECT_EQ(gull.format, PictureFormat::kGif);
  EXPECT_EQ(gull.stored_width, 640u);
  EXPECT_EQ(gull.stored_height, 480u);
  const PictureHeader dune = HeaderOf(In(L"düne.GIF"));
  EXPECT_EQ(dune.format, PictureFormat::kGif);
  EXPECT_EQ(dune.stored_width, 640u) << "fitted into the box, both sides in proportion";
  EXPECT_EQ(dune.stored_height, 427u);
  // The cut-off one is told at the end, once, and leaves nothing behind.
  EXPECT_FALSE(Exists(In(L"kaputt.GIF")));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_NE(window.messages[0].find(u"kaputt.jpg"), std::u16string::npos);
  EXPECT_NE(window.messages[0].find(u"1 von 3"), std::u16string::npos)
      << std::string(window.messages[0].begin(), window.messages[0].end());
  EXPECT_TRUE(RegistryKeyExists(L"Software\\Classes\\Dravimo.Compendium"))
      << "the batch registered the converter for this user";
}

}  // namespace
}  // namespace quorvel::testing
