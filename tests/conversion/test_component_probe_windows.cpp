#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/system_paths.h"
#include "test_component/test_component_control.h"
#include "test_component_probe.h"

namespace kalvenix {
namespace {

using ServerEntry = HRESULT(STDAPICALLTYPE*)(void);

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// bin\..\test_component, spelt as the system spells it, so that the batch's
// load and ours name one module.
std::wstring ComponentFolder() {
  const std::u16string bin = ExecutableFolder();
  const std::wstring relative = std::wstring(bin.begin(), bin.end()) + L"\\..\\test_component";
  std::wstring full(32768, L'\0');
  const DWORD length =
      GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) throw std::runtime_error("no test component folder");
  full.resize(length);
  return full;
}

}  // namespace

struct TestComponentProbe::Library {
  template <typename Fn>
  void Find(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
    if (fn == nullptr) throw std::runtime_error(name);
  }

  std::wstring folder;
  HMODULE handle = nullptr;
  ServerEntry unregister_server = nullptr;
  TestComponentRegisterQuietlyFn register_quietly = nullptr;
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
  library_->folder = ComponentFolder();
  if (!folder.empty()) {
    const fs::path target(std::wstring(folder.begin(), folder.end()));
    fs::create_directories(target);
    fs::copy_file(library_->folder + L"\\Quorvel.dll", target / L"Quorvel.dll",
                  fs::copy_options::overwrite_existing);
    library_->folder = target.wstring();
  }
  library_->handle = LoadLibraryW((library_->folder + L"\\Quorvel.dll").c_str());
  if (library_->handle == nullptr) throw std::runtime_error("test component not loadable");
  library_->Find(library_->unregister_server, "DllUnregisterServer");
  library_->Find(library_->register_quietly, "TestComponentRegisterQuietly");
  library_->Find(library_->reset, "TestComponentReset");
  library_->Find(library_->refuse_after, "TestComponentRefuseCreationsAfter");
  library_->Find(library_->fail_for, "TestComponentFailConvertFor");
  library_->Find(library_->fail_with, "TestComponentFailConvertWith");
  library_->Find(library_->register_delay, "TestComponentSetRegisterDelay");
  library_->Find(library_->record, "TestComponentRecord");
  library_->Find(library_->live_objects, "TestComponentLiveObjects");
  library_->unregister_server();
  library_->reset();
}

TestComponentProbe::~TestComponentProbe() {
  library_->unregister_server();
  // COM may still hold the module; our reference goes, its own stays.
  FreeLibrary(library_->handle);
}

std::u16string TestComponentProbe::Folder() const {
  return std::u16string(library_->folder.begin(), library_->folder.end());
}

std::string TestComponentProbe::RegisteredLine() const {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(library_->handle, path.data(), static_cast<DWORD>(path.size())));
  return "register " + Utf8(path) + "\n";
}

void TestComponentProbe::RegisterDirectly() { library_->register_quietly(); }
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
