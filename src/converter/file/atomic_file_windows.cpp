#include "converter/file/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "converter/file/windows_file_api.h"

namespace quorvel {
namespace {

// How many names to try when a temporary name is taken (by a crashed run, or
// a parallel one).
constexpr int kNameAttempts = 100;

// ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64's headers lack.
constexpr DWORD kDiskQuotaExceeded = 1295;

Status WriteFailure(const std::string& path, DWORD error) {
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ||
      error == kDiskQuotaExceeded) {
    return Fail(Error::kDiskFull, path);
  }
  if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) {
    return Fail(Error::kOutOfMemory, path);
  }
  return Fail(Error::kCannotWrite, path + ": " + SystemMessage(error));
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The temporary sits beside the destination under a name of its own
// (hidden by the leading dot from the batch's listing, not by the hidden
// attribute, which the rename would carry over to the destination).
std::string TemporaryPath(const std::string& path, int attempt) {
  static std::atomic<uint32_t> counter{0};
  const auto slash = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  const size_t name_at = static_cast<size_t>(path.rend() - slash);
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%lu.%u.%d.tmp", GetCurrentProcessId(),
                counter.fetch_add(1, std::memory_order_relaxed), attempt);
  return path.substr(0, name_at) + "." + path.substr(name_at, 160) + suffix;
}

class TemporaryFile {
 public:
  ~TemporaryFile() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }

  Status Create(const std::string& destination) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::optional<std::wstring> path = WidePath(TemporaryPath(destination, attempt));
      if (!path) return Fail(Error::kCannotWrite, destination + ": kein gültiger Pfad");
      const HANDLE file = CreateFileW(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        file_ = file;
        path_ = *path;
        return Status::Ok();
      }
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        return WriteFailure(destination, error);
      }
    }
    return Fail(Error::kCannotWrite, destination + ": kein freier Name");
  }

  Status Write(const std::string& destination, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_, bytes.data() + done, want, &written, nullptr)) {
        return WriteFailure(destination, GetLastError());
      }
      done += written;
    }
    // Without this a crash soon after the rename can leave an empty file
    // where the old destination was.
    if (!FlushFileBuffers(file_)) return WriteFailure(destination, GetLastError());
    const HANDLE file = file_;
    file_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file)) return WriteFailure(destination, GetLastError());
    return Status::Ok();
  }

  // The source is held open sharing reading only (SourceFile), so the
  // system itself refuses to replace it under any name from here on; the
  // last look only gives that refusal its proper code.
  Status RenameTo(const std::string& destination, const std::wstring& wide,
                  const OpenedSource* source) {
    if (source != nullptr && NamesTheSource(destination, *source)) {
      return Fail(Error::kDestinationIsSource, destination);
    }
    if (!MoveFileExW(path_.c_str(), wide.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD error = GetLastError();
      if (source != nullptr && NamesTheSource(destination, *source)) {
        return Fail(Error::kDestinationIsSource, destination);
      }
      return WriteFailure(destination, error);
    }
    path_.clear();
    return Status::Ok();
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::wstring path_;
};

}  // namespace

Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                           const OpenedSource* source) {
  if (path.empty() || IsSeparator(path.back())) return Fail(Error::kCannotWrite, path);
  const std::optional<std::wstring> wide = WidePath(path);
  if (!wide) return Fail(Error::kCannotWrite, path + ": kein gültiger Pfad");
  if (source != nullptr && NamesTheSource(path, *source)) {
    return Fail(Error::kDestinationIsSource, path);
  }
  // A read-only destination stays as it is, although replacing it might
  // succeed. A new file takes the folder's permissions, as any new file.
  const DWORD existing = GetFileAttributesW(wide->c_str());
  if (existing != INVALID_FILE_ATTRIBUTES) {
    if (existing & FILE_ATTRIBUTE_DIRECTORY) return Fail(Error::kCannotWrite, path + ": keine Datei");
    if (existing & FILE_ATTRIBUTE_READONLY) return WriteFailure(path, ERROR_ACCESS_DENIED);
  }
  TemporaryFile temporary;
  Status status = temporary.Create(path);
  if (status.ok()) status = temporary.Write(path, bytes);
  if (status.ok()) status = temporary.RenameTo(path, *wide, source);
  return status;
}

}  // namespace quorvel
