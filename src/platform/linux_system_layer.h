// LinuxSystemLayer: SystemLayer on dlopen and POSIX threads.
//
// Threads are started detached and report their end through a shared record,
// so a thread that outlives its handle, or this object, cleans up after
// itself. Open thread handles are dropped when this object goes; loaded
// libraries are not unloaded, since a thread may still run their code.
// Thread-safety: the handle table is locked, so calls from several threads
// are safe.
#ifndef KALVENIX_PLATFORM_LINUX_SYSTEM_LAYER_H_
#define KALVENIX_PLATFORM_LINUX_SYSTEM_LAYER_H_

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/platform_export.h"
#include "platform/system_layer.h"

namespace kalvenix {

struct ThreadRecord;

class KALVENIX_PLATFORM_API LinuxSystemLayer final : public SystemLayer {
 public:
  LinuxSystemLayer();
  ~LinuxSystemLayer() override;

  LibraryHandle LoadLibrary(const std::string& path) override;
  ExportAddress FindExport(LibraryHandle library, const std::string& name) override;
  ThreadHandle StartThreadAt(ExportAddress entry) override;
  uint32_t WaitForThread(ThreadHandle thread, uint32_t limit_ms) override;
  void CloseThread(ThreadHandle thread) override;
  void UnloadLibrary(LibraryHandle library) override;
  std::string LastLoadError() override;

 private:
  std::shared_ptr<ThreadRecord> FindThread(ThreadHandle thread);

  std::mutex mutex_;
  std::map<uint64_t, std::shared_ptr<ThreadRecord>> threads_;
  uint64_t last_thread_ = 0;
  std::string last_load_error_;  // guarded by mutex_
};

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_LINUX_SYSTEM_LAYER_H_
