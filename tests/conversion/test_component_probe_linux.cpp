#include <dlfcn.h>

#include <stdexcept>

#include "platform/component_abi.h"
#include "test_component/test_component_control.h"
#include "test_component_probe.h"

namespace kalvenix {

struct TestComponentProbe::Library {
  template <typename Fn>
  void Find(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    if (fn == nullptr) throw std::runtime_error(name);
  }

  void* handle = nullptr;
  TestComponentResetFn reset = nullptr;
  TestComponentRefuseCreationsAfterFn refuse_after = nullptr;
  TestComponentFailConvertForFn fail_for = nullptr;
  TestComponentFailConvertWithFn fail_with = nullptr;
  TestComponentSetRegisterDelayFn register_delay = nullptr;
  TestComponentRecordFn record = nullptr;
  TestComponentLiveObjectsFn live_objects = nullptr;
};

TestComponentProbe::TestComponentProbe() : library_(std::make_unique<Library>()) {
  library_->handle = dlopen(TEST_COMPONENT_PATH, RTLD_NOW | RTLD_LOCAL);
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

std::u16string TestComponentProbe::Folder() const { return u"" TEST_COMPONENT_DIR; }

std::string TestComponentProbe::RegisteredLine() const {
  return "register " TEST_COMPONENT_PATH "\n";
}

void TestComponentProbe::RegisterDirectly() {
  CompRegisterClass("Dravimo.Compendium", TEST_COMPONENT_PATH);
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
