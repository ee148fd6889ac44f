// WindowsSystemLayer: SystemLayer on kernel32: LoadLibraryW, GetProcAddress,
// CreateThread, WaitForSingleObject, CloseHandle and FreeLibrary.
//
// Paths arrive as UTF-8 and reach LoadLibraryW as UTF-16, so a folder
// outside the ANSI code page loads as well. The thread calls the export as
// COM's self-registration entry, HRESULT (STDAPICALLTYPE *)(void), and drops
// its status. Only thread handles this layer opened and has not closed are
// waited on; those still open are closed when it goes (which does not stop
// their threads). Libraries are never unloaded behind the caller's back,
// since a thread may still run their code.
// Thread-safety: the handle table is locked, so calls from several threads
// are safe.
#ifndef KALVENIX_PLATFORM_WINDOWS_SYSTEM_LAYER_H_
#define KALVENIX_PLATFORM_WINDOWS_SYSTEM_LAYER_H_

#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "platform/system_layer.h"

namespace kalvenix {

class WindowsSystemLayer final : public SystemLayer {
 public:
  WindowsSystemLayer();
  ~WindowsSystemLayer() override;

  LibraryHandle LoadLibrary(const std::string& path) override;
  ExportAddress FindExport(LibraryHandle library, const std::string& name) override;
  ThreadHandle StartThreadAt(ExportAddress entry) override;
  uint32_t WaitForThread(ThreadHandle thread, uint32_t limit_ms) override;
  void CloseThread(ThreadHandle thread) override;
  void UnloadLibrary(LibraryHandle library) override;
  // "<path>: <FormatMessageW's words>", UTF-8.
  std::string LastLoadError() override;

 private:
  bool IsOpen(ThreadHandle thread);

  std::mutex mutex_;
  std::set<uint64_t> open_threads_;  // guarded by mutex_
  std::string last_load_error_;      // guarded by mutex_
};

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_WINDOWS_SYSTEM_LAYER_H_
