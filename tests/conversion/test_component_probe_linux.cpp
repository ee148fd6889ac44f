#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

#include "platform/component_abi.h"
#include "platform/utf_text.h"
#include "test_component/test_component_control.h"
#include "test_component_probe.h"

namespace kalvenix {

struct TestComponentProbe::Library {
  template <typename Fn>
  void Find(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    if (fn == nullptr) throw std::runtime_error(name);
  }

  std::string folder;  // UTF-8
  std::string path;
  void* handle = nullptr;
  TestComponentResetFn reset = nullptr;
  TestComponentRefuseCreationsAfterFn refuse_after = nullptr;
  TestComponentFailConvertForFn fail_for = nullptr;
  TestComponentFailConvertWithFn fail_with = nullptr;
  TestComponentSetRegisterDelayFn register_delay = nullptr;
  TestComponentRecordFn record = nullptr;
  TestComponentLiveObjectsFn live_objects = nullptr;
};

TestComponentProbe::TestComponentProbe(const std::u16string& folder)
    : library_(std::make_unique<Library>()) {
  namespace fs = std::filesystem;
  library_->folder = TEST_COMPONENT_DIR;
  library_->path = TEST_COMPONENT_PATH;
  if (!folder.empty()) {
    fs::create_directories(fs::path(folder));
    const fs::path copy = fs::path(folder) / "Quorvel.so";
    fs::copy_file(TEST_COMPONENT_PATH, copy, fs::copy_options::overwrite_existing);
    library_->folder = fs::path(folder).string();
    library_->path = copy.string();
  }
  library_->handle = dlopen(library_->path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_->handle == nullptr) throw std::runtime_error(dlerror());
  library_->Find(library_->reset, "TestComponentReset");
  library_->Find(library_->refuse_after, "TestComponentRefuseCreationsAfter");
  library_->Find(library_->fail_for, "TestComponentFailConvertFor");
  library_->Find(library_->fail_with, "TestComponentFailConvertWith");
  library_->Find(library_->register_delay, "TestComponentSetRegisterDelay");
  library_->Find(library_->record, "TestComponentRecord");
  library_->Find(library_->live_objects, "TestComponentLiveObjects");
  library_->reset();
  CompUnregisterClass("Dravimo.Compendium");
}

TestComponentProbe::~TestComponentProbe() {
  CompUnregisterClass("Dravimo.Compendium");
  dlclose(library_->handle);
}

std::u16string TestComponentProbe::Folder() const { return Utf8ToUtf16(library_->folder); }

std::string TestComponentProbe::RegisteredLine() const {
  return "register " + library_->path + "\n";
}

void TestComponentProbe::RegisterDirectly() {
  CompRegisterClass("Dravimo.Compendium", library_->path.c_str());
}
void TestComponentProbe::RefuseCreationsAfter(int32_t count) { library_->refuse_after(count); }
void TestComponentProbe::FailConvertFor(const std::string& source) {
  library_->fail_for(source.c_str());
}
void TestComponentProbe::FailConvertWith(const std::string& source, const std::u16string& message) {
  library_->fail_with(source.c_str(), reinterpret_cast<const uint16_t*>(message.data()),
                      static_cast<uint32_t>(message.size()));
}
void TestComponentProbe::SetRegisterDelay(uint32_t milliseconds) {
  library_->register_delay(milliseconds);
}
int32_t TestComponentProbe::LiveObjects() { return library_->live_objects(); }
std::string TestComponentProbe::Record() {
  std::string record(library_->record(nullptr, 0), '\0');
  record.resize(library_->record(record.data(), static_cast<uint32_t>(record.size())));
  return record;
}

}  // namespace kalvenix
