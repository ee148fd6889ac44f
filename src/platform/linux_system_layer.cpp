#include "platform/linux_system_layer.h"

#include <dlfcn.h>
#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <utility>

namespace kalvenix {

// What the started thread and its handle share. The thread keeps its own
// reference, so the record lives until both the thread and the handle are gone.
struct ThreadRecord {
  std::mutex mutex;
  std::condition_variable ended_signal;
  bool ended = false;
};

namespace {

using ExportEntry = int32_t (*)();

struct ThreadStart {
  ExportEntry entry;
  std::shared_ptr<ThreadRecord> record;
};

// Runs on the new thread. The export's status is deliberately dropped: the
// caller only learns whether the thread ended, not what the export thought.
void* RunExport(void* argument) {
  std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
  start->entry();
  {
    std::lock_guard lock(start->record->mutex);
    start->record->ended = true;
  }
  start->record->ended_signal.notify_all();
  return nullptr;
}

}  // namespace

LinuxSystemLayer::LinuxSystemLayer() = default;
LinuxSystemLayer::~LinuxSystemLayer() = default;

LibraryHandle LinuxSystemLayer::LoadLibrary(const std::string& path) {
  // A NUL inside the path would make dlopen load a different, shorter path.
  if (path.empty() || path.find('\0') != std::string::npos) return {};
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  // dlerror's text is per thread and gone at the next dl call: keep it now.
  const char* reason = library == nullptr ? dlerror() : nullptr;
  std::lock_guard lock(mutex_);
  last_load_error_ = reason != nullptr ? reason : "";
  return LibraryHandle{library};
}

ExportAddress LinuxSystemLayer::FindExport(LibraryHandle library, const std::string& name) {
  if (!library || name.find('\0') != std::string::npos) return {};
  return ExportAddress{dlsym(library.value, name.c_str())};
}

ThreadHandle LinuxSystemLayer::StartThreadAt(ExportAddress entry) {
  if (!entry) return {};
  auto record = std::make_shared<ThreadRecord>();
  auto start = std::make_unique<ThreadStart>(
      ThreadStart{reinterpret_cast<ExportEntry>(entry.value), record});

  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return {};
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  const int started = pthread_create(&thread, &attributes, RunExport, start.get());
  pthread_attr_destroy(&attributes);
  if (started != 0) return {};
  start.release();  // now owned by RunExport

  std::lock_guard lock(mutex_);
  const uint64_t id = ++last_thread_;
  threads_.emplace(id, std::move(record));
  return ThreadHandle{id};
}

std::shared_ptr<ThreadRecord> LinuxSystemLayer::FindThread(ThreadHandle thread) {
  std::lock_guard lock(mutex_);
  auto found = threads_.find(thread.value);
  return found == threads_.end() ? nullptr : found->second;
}

uint32_t LinuxSystemLayer::WaitForThread(ThreadHandle thread, uint32_t limit_ms) {
  std::shared_ptr<ThreadRecord> record = FindThread(thread);
  if (record == nullptr) return kWaitFailed;
  std::unique_lock lock(record->mutex);
  // The steady clock, so that a change of the wall clock neither cuts the
  // wait short nor stretches it.
  const bool ended = record->ended_signal.wait_for(lock, std::chrono::milliseconds(limit_ms),
                                                   [&] { return record->ended; });
  return ended ? kWaitEnded : kWaitTimedOut;
}

void LinuxSystemLayer::CloseThread(ThreadHandle thread) {
  std::lock_guard lock(mutex_);
  threads_.erase(thread.value);
}

std::string LinuxSystemLayer::LastLoadError() {
  std::lock_guard lock(mutex_);
  return last_load_error_;
}

void LinuxSystemLayer::UnloadLibrary(LibraryHandle library) {
  if (library) dlclose(library.value);
}

std::unique_ptr<SystemLayer> MakeSystemLayer() { return std::make_unique<LinuxSystemLayer>(); }

}  // namespace kalvenix
