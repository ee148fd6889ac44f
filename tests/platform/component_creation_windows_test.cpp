// How CoCreateInstance's failures reach the batch as the runtime's statuses.
// Each case registers a ProgID and CLSID of its own process (where COM reads
// per-user classes, see ClassesHive), so cases running side by side never
// see each other's keys.
#include <windows.h>
#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "com_server_kit.h"
#include "echo_registration.h"
#include "platform/component_object.h"
#include "platform/utf_text.h"

namespace kalvenix {
namespace {

namespace fs = std::filesystem;

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

// A ProgID -> CLSID -> InprocServer32 chain, gone again with the object.
class ScratchClass {
 public:
  // An empty `server` registers the ProgID with no class behind it.
  explicit ScratchClass(const std::wstring& server) {
    GUID id{};
    CoCreateGuid(&id);
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    class_id_ = text;
    prog_id_ = L"Kalvenix.Probe" + std::to_wstring(GetCurrentProcessId());
    Set(L"Software\\Classes\\" + prog_id_ + L"\\CLSID", nullptr, class_id_);
    if (!server.empty()) {
      Set(ClassKey() + L"\\InprocServer32", nullptr, server);
      Set(ClassKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    }
  }
  ~ScratchClass() {
    RegDeleteTreeW(com_kit::ClassesHive(), (L"Software\\Classes\\" + prog_id_).c_str());
    RegDeleteTreeW(com_kit::ClassesHive(), ClassKey().c_str());
  }
  ScratchClass(const ScratchClass&) = delete;
  ScratchClass& operator=(const ScratchClass&) = delete;

  std::string prog_id() const { return std::string(prog_id_.begin(), prog_id_.end()); }

 private:
  std::wstring ClassKey() const { return L"Software\\Classes\\CLSID\\" + class_id_; }
  static void Set(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    ASSERT_EQ(com_kit::SetDefault(key, name, value), S_OK);
  }

  std::wstring prog_id_;
  std::wstring class_id_;
};

CompStatus CreateThrough(const std::wstring& server) {
  ScratchClass scratch(server);
  ComponentObject object;
  const CompStatus status = ComponentObject::Create(scratch.prog_id(), &object);
  EXPECT_FALSE(object.has_object());
  return status;
}

TEST(ComponentCreationOnCom, UnknownProgIdIsNotRegistered) {
  ComponentObject object;
  EXPECT_EQ(ComponentObject::Create("Kalvenix.Nobody", &object), COMP_E_NOT_REGISTERED);
}

TEST(ComponentCreationOnCom, ProgIdWithoutItsClassIsNotRegistered) {
  EXPECT_EQ(CreateThrough(L""), COMP_E_NOT_REGISTERED);
}

TEST(ComponentCreationOnCom, MissingServerFileIsNotLoadable) {
  EXPECT_EQ(CreateThrough(L"C:\\nonexistent\\Quorvel.dll"), COMP_E_LIBRARY_NOT_LOADABLE);
}

TEST(ComponentCreationOnCom, TextFileIsNotLoadable) {
  const fs::path text =
      fs::temp_directory_path() /
      ("kalvenix_not_a_library_" + std::to_string(GetCurrentProcessId()) + ".dll");
  std::ofstream(text) << "keine DLL, nur Text\n";
  EXPECT_EQ(CreateThrough(text.wstring()), COMP_E_LIBRARY_NOT_LOADABLE);
  fs::remove(text);
}

TEST(ComponentCreationOnCom, LibraryWithoutClassObjectExportIsNoComponent) {
  EXPECT_EQ(CreateThrough(Wide(PLAIN_LIBRARY_PATH)), COMP_E_EXPORT_MISSING);
}

TEST(ComponentCreationOnCom, ServerRefusingItsClassIsRefused) {
  EchoRegistration echo;  // registers Kalvenix.Refusing, whose class object it withholds
  ASSERT_TRUE(echo.ok());
  ComponentObject object;
  EXPECT_EQ(ComponentObject::Create("Kalvenix.Refusing", &object), COMP_E_CLASS_REFUSED);
  EXPECT_EQ(ComponentObject::Create("", &object), COMP_E_INVALID_ARGUMENT);
  EXPECT_FALSE(object.has_object());
}

}  // namespace
}  // namespace kalvenix
