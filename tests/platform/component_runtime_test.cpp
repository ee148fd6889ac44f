#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/component_abi.h"

namespace {

namespace fs = std::filesystem;

// A private copy of a fixture library, so whether it is loaded depends only
// on what the test at hand did, not on earlier tests in the same process.
class LibraryCopy {
 public:
  LibraryCopy(const char* original, const std::string& name)
      : path_(fs::temp_directory_path() /
              ("kalvenix_" + std::to_string(getpid()) + "_" + name + ".so")) {
    fs::copy_file(original, path_, fs::copy_options::overwrite_existing);
  }
  ~LibraryCopy() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  std::string path() const { return path_.string(); }
  bool IsLoaded() const {
    void* handle = dlopen(path_.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) dlclose(handle);
    return handle != nullptr;
  }

 private:
  fs::path path_;
};

struct CreationFailure {
  const char* name;
  const char* prog_id;
  std::string library;  // registered for prog_id unless empty
  CompStatus expected;
  friend void PrintTo(const CreationFailure& c, std::ostream* os) { *os << c.name; }
};

std::string NotALibrary() {
  const fs::path path = fs::temp_directory_path() / "kalvenix_not_a_library.so";
  std::ofstream(path) << "kein ELF, nur Text\n";
  return path.string();
}

class CreationFailureTest : public testing::TestWithParam<CreationFailure> {};

TEST_P(CreationFailureTest, GivesItsOwnCodeAndNoObject) {
  const CreationFailure& c = GetParam();
  if (!c.library.empty()) {
    ASSERT_EQ(CompRegisterClass(c.prog_id, c.library.c_str()), COMP_OK);
  }
  CompObject* object = reinterpret_cast<CompObject*>(&object);  // must be overwritten
  EXPECT_EQ(CompCreateObject(c.prog_id, &object), c.expected);
  EXPECT_EQ(object, nullptr);
  if (!c.library.empty()) CompUnregisterClass(c.prog_id);
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, CreationFailureTest,
    testing::Values(
        CreationFailure{"NotRegistered", "Kalvenix.Nobody", "", COMP_E_NOT_REGISTERED},
        CreationFailure{"MissingFile", "Kalvenix.Missing", "/nonexistent/Quorvel.so",
                        COMP_E_LIBRARY_NOT_LOADABLE},
        CreationFailure{"NotALibrary", "Kalvenix.Text", NotALibrary(),
                        COMP_E_LIBRARY_NOT_LOADABLE},
        CreationFailure{"ExportMissing", "Kalvenix.Plain", PLAIN_LIBRARY_PATH,
                        COMP_E_EXPORT_MISSING},
        CreationFailure{"ClassRefused", "Kalvenix.Refusing", ECHO_COMPONENT_PATH,
                        COMP_E_CLASS_REFUSED},
        CreationFailure{"EmptyProgId", "", "", COMP_E_INVALID_ARGUMENT}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RuntimeRegistry, ComponentRegistersItselfByItsOwnPath) {
  void* library = dlopen(ECHO_COMPONENT_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr);
  auto register_server = reinterpret_cast<CompRegisterServerFn>(dlsym(library, "DllRegisterServer"));
  auto unregister_server =
      reinterpret_cast<CompRegisterServerFn>(dlsym(library, "DllUnregisterServer"));
  ASSERT_NE(register_server, nullptr);
  ASSERT_NE(unregister_server, nullptr);

  ASSERT_EQ(register_server(), COMP_OK);
  CompObject* object = nullptr;
  ASSERT_EQ(CompCreateObject("Kalvenix.Echo", &object), COMP_OK);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->methods->release(object), 0u);

  ASSERT_EQ(unregister_server(), COMP_OK);
  EXPECT_EQ(CompCreateObject("Kalvenix.Echo", &object), COMP_E_NOT_REGISTERED);
  EXPECT_EQ(CompUnregisterClass("Kalvenix.Echo"), COMP_E_NOT_REGISTERED);
  dlclose(library);
}

TEST(RuntimeRegistry, RegisteringAgainReplacesThePath) {
  ASSERT_EQ(CompRegisterClass("Kalvenix.Echo", "/nonexistent/old.so"), COMP_OK);
  ASSERT_EQ(CompRegisterClass("Kalvenix.Echo", ECHO_COMPONENT_PATH), COMP_OK);
  CompObject* object = nullptr;
  ASSERT_EQ(CompCreateObject("Kalvenix.Echo", &object), COMP_OK);
  object->methods->release(object);
  EXPECT_EQ(CompCreateObject("kalvenix.echo", &object), COMP_E_NOT_REGISTERED);
  CompUnregisterClass("Kalvenix.Echo");
}

TEST(RuntimeRegistry, RefusesNullAndEmptyNames) {
  EXPECT_EQ(CompRegisterClass(nullptr, "/x.so"), COMP_E_INVALID_ARGUMENT);
  EXPECT_EQ(CompRegisterClass("A.B", ""), COMP_E_INVALID_ARGUMENT);
  EXPECT_EQ(CompUnregisterClass(nullptr), COMP_E_INVALID_ARGUMENT);
  EXPECT_EQ(CompCreateObject("A.B", nullptr), COMP_E_INVALID_ARGUMENT);
}

TEST(RuntimeLoading, LibraryStaysLoadedOnceAnObjectExisted) {
  LibraryCopy copy(ECHO_COMPONENT_PATH, "kept");
  ASSERT_FALSE(copy.IsLoaded());
  ASSERT_EQ(CompRegisterClass("Kalvenix.Echo", copy.path().c_str()), COMP_OK);

  CompObject* first = nullptr;
  CompObject* second = nullptr;
  ASSERT_EQ(CompCreateObject("Kalvenix.Echo", &first), COMP_OK);
  ASSERT_EQ(CompCreateObject("Kalvenix.Echo", &second), COMP_OK);
  EXPECT_NE(first, second);
  first->methods->release(first);
  second->methods->release(second);

  // The code of the released objects' class must still be there.
  EXPECT_TRUE(copy.IsLoaded());
  CompUnregisterClass("Kalvenix.Echo");
}

TEST(RuntimeLoading, RefusedCreationLeavesNothingLoaded) {
  LibraryCopy copy(ECHO_COMPONENT_PATH, "refused");
  ASSERT_EQ(CompRegisterClass("Kalvenix.Refusing", copy.path().c_str()), COMP_OK);
  CompObject* object = nullptr;
  EXPECT_EQ(CompCreateObject("Kalvenix.Refusing", &object), COMP_E_CLASS_REFUSED);
  EXPECT_FALSE(copy.IsLoaded());
  CompUnregisterClass("Kalvenix.Refusing");
}

TEST(RuntimeText, AllocCopiesEveryUnitIncludingNul) {
  const uint16_t units[] = {'a', 0, 0xFC, 0xD83D, 0xDE00};
  CompText text{};
  ASSERT_EQ(CompTextAlloc(units, 5, &text), COMP_OK);
  ASSERT_EQ(text.length, 5u);
  ASSERT_NE(text.units, units);
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(text.units), 5),
            std::u16string(reinterpret_cast<const char16_t*>(units), 5));
  CompTextFree(&text);
  EXPECT_EQ(text.units, nullptr);
  EXPECT_EQ(text.length, 0u);
  CompTextFree(&text);  // an empty text may be freed again
}

TEST(RuntimeText, EmptyAndInvalidRequests) {
  CompText text{reinterpret_cast<uint16_t*>(&text), 7};
  EXPECT_EQ(CompTextAlloc(nullptr, 0, &text), COMP_OK);
  EXPECT_EQ(text.units, nullptr);
  EXPECT_EQ(text.length, 0u);
  EXPECT_EQ(CompTextAlloc(nullptr, 3, &text), COMP_E_INVALID_ARGUMENT);
  EXPECT_EQ(text.units, nullptr);
  const uint16_t unit = 'x';
  EXPECT_EQ(CompTextAlloc(&unit, 1, nullptr), COMP_E_INVALID_ARGUMENT);
}

TEST(RuntimeVariant, ClearFreesOwnedTextAndLeavesReferencedStorageAlone) {
  const uint16_t units[] = {'b', 'm', 'p'};
  CompVariant owned{};
  owned.type = COMP_VT_TEXT;
  ASSERT_EQ(CompTextAlloc(units, 3, &owned.value.text), COMP_OK);
  CompVariantClear(&owned);  // the sanitizer build reports a leak if it did not free
  EXPECT_EQ(owned.type, COMP_VT_EMPTY);
  EXPECT_EQ(owned.value.text.units, nullptr);

  CompText storage{};
  ASSERT_EQ(CompTextAlloc(units, 3, &storage), COMP_OK);
  CompVariant reference{};
  reference.type = COMP_VT_BYREF | COMP_VT_TEXT;
  reference.value.p_text = &storage;
  CompVariantClear(&reference);
  EXPECT_EQ(reference.type, COMP_VT_EMPTY);
  EXPECT_EQ(storage.length, 3u);
  CompTextFree(&storage);
}

}  // namespace
