// SystemLayer: the few operating-system calls that running a library's
// self-registration export needs: load a library, find an export, start a
// thread at it, wait for that thread with a limit, close the thread's
// handle, unload the library.
//
// An interface so that tests can check the order of calls and simulate
// failures real calls rarely give (a thread that does not start, a wait that
// fails). Handles are plain values; a zero value means "none". Whoever opens
// a handle closes it (CloseThread, UnloadLibrary); an implementation drops
// what is still open when it is destroyed. Thread-safety: implementations
// may be used from one thread at a time; the started threads run on their own.
#ifndef KALVENIX_PLATFORM_SYSTEM_LAYER_H_
#define KALVENIX_PLATFORM_SYSTEM_LAYER_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform_export.h"

// <windows.h> makes LoadLibrary a macro; below it names our own method.
#ifdef LoadLibrary
#undef LoadLibrary
#endif

namespace kalvenix {

struct LibraryHandle {
  void* value = nullptr;
  explicit operator bool() const { return value != nullptr; }
};

struct ExportAddress {
  void* value = nullptr;
  explicit operator bool() const { return value != nullptr; }
};

struct ThreadHandle {
  uint64_t value = 0;
  explicit operator bool() const { return value != 0; }
};

// WaitForThread's results; only kWaitEnded means the thread has ended.
inline constexpr uint32_t kWaitEnded = 0;
inline constexpr uint32_t kWaitTimedOut = 0x102;
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFF;

class KALVENIX_PLATFORM_API SystemLayer {
 public:
  SystemLayer() = default;
  SystemLayer(const SystemLayer&) = delete;
  SystemLayer& operator=(const SystemLayer&) = delete;
  virtual ~SystemLayer();

  // `path` is UTF-8. Resolves every symbol at once and keeps the library's
  // symbols to itself; a null handle when it cannot be loaded.
  virtual LibraryHandle LoadLibrary(const std::string& path) = 0;
  // A null address when the library has no export of that name.
  virtual ExportAddress FindExport(LibraryHandle library, const std::string& name) = 0;
  // Starts a thread that calls `entry` as `int32_t (void)`, drops its status
  // and ends. A null handle when no thread could be started.
  virtual ThreadHandle StartThreadAt(ExportAddress entry) = 0;
  // kWaitEnded when the thread ended within `limit_ms`, kWaitTimedOut when
  // it is still running, kWaitFailed for a handle that is not open.
  virtual uint32_t WaitForThread(ThreadHandle thread, uint32_t limit_ms) = 0;
  // Closing does not stop the thread; one that still runs ends on its own.
  virtual void CloseThread(ThreadHandle thread) = 0;
  virtual void UnloadLibrary(LibraryHandle library) = 0;
  // The system's own words (UTF-8, as the loader gives them) for why the
  // last LoadLibrary on this layer failed, for a message; empty when it
  // succeeded, none was made, or the system said nothing. Decides nothing.
  virtual std::string LastLoadError();
};

// The layer of the system this program is built for. Each backend's source
// file defines it, and the build compiles exactly one backend, so nothing
// above this seam names a particular system.
KALVENIX_PLATFORM_API std::unique_ptr<SystemLayer> MakeSystemLayer();

}  // namespace kalvenix

#endif  // KALVENIX_PLATFORM_SYSTEM_LAYER_H_
