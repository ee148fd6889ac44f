// The batch tests' handle on the test component: loads the same library the
// runtime loads (dlopen hands out one instance per file), resets it, and
// reads its record. Also clears "Dravimo.Compendium" from the registry, so
// that every test starts as a fresh process does: with nothing registered.
#ifndef KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_PROBE_H_
#define KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_PROBE_H_

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "platform/component_abi.h"
#include "test_component/test_component_control.h"

namespace kalvenix {

class TestComponentProbe {
 public:
  TestComponentProbe() : library_(dlopen(TEST_COMPONENT_PATH, RTLD_NOW | RTLD_LOCAL)) {
    if (library_ == nullptr) throw std::runtime_error(dlerror());
    Find(reset_, "TestComponentReset");
    Find(refuse_after_, "TestComponentRefuseCreationsAfter");
    Find(fail_for_, "TestComponentFailConvertFor");
    Find(fail_with_, "TestComponentFailConvertWith");
    Find(register_delay_, "TestComponentSetRegisterDelay");
    Find(record_, "TestComponentRecord");
    Find(live_objects_, "TestComponentLiveObjects");
    reset_();
    CompUnregisterClass("Dravimo.Compendium");
  }
  ~TestComponentProbe() {
    CompUnregisterClass("Dravimo.Compendium");
    dlclose(library_);
  }
  TestComponentProbe(const TestComponentProbe&) = delete;
  TestComponentProbe& operator=(const TestComponentProbe&) = delete;

  void RegisterDirectly() { CompRegisterClass("Dravimo.Compendium", TEST_COMPONENT_PATH); }
  void RefuseCreationsAfter(int32_t count) { refuse_after_(count); }
  void FailConvertFor(const std::string& source) { fail_for_(source.c_str()); }
  void FailConvertWith(const std::string& source, const std::u16string& message) {
    fail_with_(source.c_str(), reinterpret_cast<const uint16_t*>(message.data()),
               static_cast<uint32_t>(message.size()));
  }
  void SetRegisterDelay(uint32_t milliseconds) { register_delay_(milliseconds); }
  int32_t LiveObjects() { return live_objects_(); }
  std::string Record() {
    std::string record(record_(nullptr, 0), '\0');
    record.resize(record_(record.data(), static_cast<uint32_t>(record.size())));
    return record;
  }

 private:
  template <typename Fn>
  void Find(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(dlsym(library_, name));
    if (fn == nullptr) throw std::runtime_error(name);
  }

  void* library_;
  TestComponentResetFn reset_ = nullptr;
  TestComponentRefuseCreationsAfterFn refuse_after_ = nullptr;
  TestComponentFailConvertForFn fail_for_ = nullptr;
  TestComponentFailConvertWithFn fail_with_ = nullptr;
  TestComponentSetRegisterDelayFn register_delay_ = nullptr;
  TestComponentRecordFn record_ = nullptr;
  TestComponentLiveObjectsFn live_objects_ = nullptr;
};

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_CONVERSION_TEST_COMPONENT_PROBE_H_
