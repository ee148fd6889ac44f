#include "platform/windows_system_layer.h"

#include <windows.h>
#undef LoadLibrary  // the interface's method, not the system's macro

#include <memory>
#include <string>

namespace kalvenix {
namespace {

// COM's self-registration entry. STDAPICALLTYPE is what the export was
// compiled with; on x86-64 it is the one calling convention anyway.
using RegistrationEntry = HRESULT(STDAPICALLTYPE*)(void);

// Runs on the new thread; the export's status is deliberately dropped: the
// caller only learns whether the thread ended, not what the export thought.
DWORD WINAPI RunExport(LPVOID entry) {
  reinterpret_cast<RegistrationEntry>(entry)();
  return 0;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                      nullptr, nullptr);
  return out;
}

// Strict: a path that is not UTF-8 names no file, so it must not load a
// look-alike with replacement characters in its name.
bool ToWide(const std::string& text, std::wstring* out) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return false;
  out->assign(static_cast<size_t>(length), L'\0');
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), out->data(), length) == length;
}

std::string SystemWords(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring words(buffer != nullptr ? buffer : L"", length);
  LocalFree(buffer);
  // The system ends its sentences with a line break, which would split the user's message.
  while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' || words.back() == L' '))
    words.pop_back();
  if (words.empty()) return "Code " + std::to_string(error);
  return ToUtf8(words);
}

HANDLE AsHandle(ThreadHandle thread) { return reinterpret_cast<HANDLE>(thread.value); }

}  // namespace

WindowsSystemLayer::WindowsSystemLayer() = default;

WindowsSystemLayer::~WindowsSystemLayer() {
  for (uint64_t thread : open_threads_) CloseHandle(reinterpret_cast<HANDLE>(thread));
}

LibraryHandle WindowsSystemLayer::LoadLibrary(const std::string& path) {
  // An empty name would give us the program itself; a NUL would cut the path short.
  HMODULE library = nullptr;
  DWORD error = ERROR_INVALID_NAME;
  std::wstring wide;
  if (!path.empty() && path.find('\0') == std::string::npos && ToWide(path, &wide)) {
    // A missing or broken library must fail the call, not raise the
    // system's "cannot find" box over the user's window.
    DWORD previous_mode = 0;
    const bool mode_set =
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode);
    library = LoadLibraryW(wide.c_str());
    error = GetLastError();
    if (mode_set) SetThreadErrorMode(previous_mode, nullptr);
  } else if (!path.empty() && path.find('\0') == std::string::npos) {
    error = ERROR_NO_UNICODE_TRANSLATION;
  }
  std::string reason = library == nullptr ? path + ": " + SystemWords(error) : std::string();
  std::lock_guard lock(mutex_);
  last_load_error_ = std::move(reason);
  return LibraryHandle{library};
}

ExportAddress WindowsSystemLayer::FindExport(LibraryHandle library, const std::string& name) {
  if (!library || name.empty() || name.find('\0') != std::string::npos) return {};
  FARPROC address = GetProcAddress(static_cast<HMODULE>(library.value), name.c_str());
  return ExportAddress{reinterpret_cast<void*>(address)};
}

ThreadHandle WindowsSystemLayer::StartThreadAt(ExportAddress entry) {
  if (!entry) return {};
  DWORD thread_id = 0;  // asked for by CreateThread, used by nobody
  HANDLE thread = CreateThread(nullptr, 0, RunExport, entry.value, 0, &thread_id);
  if (thread == nullptr) return {};
  const auto value = reinterpret_cast<uint64_t>(thread);
  std::lock_guard lock(mutex_);
  open_threads_.insert(value);
  return ThreadHandle{value};
}

bool WindowsSystemLayer::IsOpen(ThreadHandle thread) {
  std::lock_guard lock(mutex_);
  return open_threads_.count(thread.value) != 0;
}

uint32_t WindowsSystemLayer::WaitForThread(ThreadHandle thread, uint32_t limit_ms) {
  // A closed handle's value may already name some other object of the process.
  if (!thread || !IsOpen(thread)) return kWaitFailed;
  switch (WaitForSingleObject(AsHandle(thread), limit_ms)) {
    case WAIT_OBJECT_0:
      return kWaitEnded;
    case WAIT_TIMEOUT:
      return kWaitTimedOut;
    default:
      return kWaitFailed;
  }
}

void WindowsSystemLayer::CloseThread(ThreadHandle thread) {
  std::lock_guard lock(mutex_);
  if (open_threads_.erase(thread.value) != 0) CloseHandle(AsHandle(thread));
}

void WindowsSystemLayer::UnloadLibrary(LibraryHandle library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library.value));
}

std::string WindowsSystemLayer::LastLoadError() {
  std::lock_guard lock(mutex_);
  return last_load_error_;
}

std::unique_ptr<SystemLayer> MakeSystemLayer() { return std::make_unique<WindowsSystemLayer>(); }

}  // namespace kalvenix
