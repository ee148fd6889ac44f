// A SystemLayer for tests: records every call as a line, and either passes
// it on to a real layer or answers from a script (to simulate a load that
// fails with the loader's words, a thread that does not start or a wait that
// fails). LastLoadError is answered but not recorded: it only reads.
#ifndef KALVENIX_TESTS_CONVERSION_RECORDING_SYSTEM_LAYER_H_
#define KALVENIX_TESTS_CONVERSION_RECORDING_SYSTEM_LAYER_H_

#include <string>
#include <vector>

#include "platform/system_layer.h"

namespace kalvenix {

struct LayerScript {
  bool loads = true;
  std::string load_error = {};  // what the loader says when a load fails
  bool has_export = true;
  bool starts_thread = true;
  uint32_t wait_result = kWaitEnded;
};

class RecordingSystemLayer final : public SystemLayer {
 public:
  explicit RecordingSystemLayer(SystemLayer* real) : real_(real) {}
  explicit RecordingSystemLayer(LayerScript script) : script_(script) {}

  const std::vector<std::string>& calls() const { return calls_; }

  LibraryHandle LoadLibrary(const std::string& path) override {
    calls_.push_back("LoadLibrary " + path);
    if (real_ != nullptr) return real_->LoadLibrary(path);
    last_load_failed_ = !script_.loads;
    return script_.loads ? LibraryHandle{&fake_library_} : LibraryHandle{};
  }
  ExportAddress FindExport(LibraryHandle library, const std::string& name) override {
    calls_.push_back("FindExport " + name);
    if (real_ != nullptr) return real_->FindExport(library, name);
    return script_.has_export ? ExportAddress{&fake_export_} : ExportAddress{};
  }
  ThreadHandle StartThreadAt(ExportAddress entry) override {
    calls_.push_back("StartThreadAt");
    if (real_ != nullptr) return real_->StartThreadAt(entry);
    return script_.starts_thread ? ThreadHandle{7} : ThreadHandle{};
  }
  uint32_t WaitForThread(ThreadHandle thread, uint32_t limit_ms) override {
    calls_.push_back("WaitForThread " + std::to_string(limit_ms));
    if (real_ != nullptr) return real_->WaitForThread(thread, limit_ms);
    return script_.wait_result;
  }
  void CloseThread(ThreadHandle thread) override {
    calls_.push_back("CloseThread");
    if (real_ != nullptr) real_->CloseThread(thread);
  }
  void UnloadLibrary(LibraryHandle library) override {
    calls_.push_back("UnloadLibrary");
    if (real_ != nullptr) real_->UnloadLibrary(library);
  }
  std::string LastLoadError() override {
    if (real_ != nullptr) return real_->LastLoadError();
    return last_load_failed_ ? script_.load_error : std::string();
  }

 private:
  SystemLayer* real_ = nullptr;
  LayerScript script_;
  std::vector<std::string> calls_;
  bool last_load_failed_ = false;
  int fake_library_ = 0;
  int fake_export_ = 0;
};

}  // namespace kalvenix

#endif  // KALVENIX_TESTS_CONVERSION_RECORDING_SYSTEM_LAYER_H_
