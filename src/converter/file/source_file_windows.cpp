#include "converter/file/source_file.h"

#include <algorithm>
#include <new>
#include <utility>

#include "converter/file/windows_file_api.h"

namespace quorvel {
namespace {

Status ReadFailure(const std::string& path, DWORD error) {
  if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) {
    return Fail(Error::kOutOfMemory, path);
  }
  return Fail(Error::kCannotRead, path + ": " + SystemMessage(error));
}

HANDLE HandleOf(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

SourceFile::~SourceFile() {
  if (handle_ >= 0) CloseHandle(HandleOf(handle_));
}

Status SourceFile::Open(const std::string& path) {
  if (handle_ >= 0) return Fail(Error::kInternal, path + ": schon geöffnet");
  const std::optional<std::wstring> wide = WidePath(path);
  if (!wide) return Fail(Error::kCannotRead, path + ": kein gültiger Pfad");
  // Sharing reading only: the source cannot change, move or be replaced
  // while it is open, which is what keeps a racing rename off it.
  const HANDLE file = CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder cannot be opened as a file; say so as the POSIX side does.
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return Fail(Error::kCannotRead, path + ": keine Datei");
    }
    return ReadFailure(path, error);
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  opened_.path = path;
  // A pipe or device ("CON", "\\.\pipe\...") could block or never end.
  if (GetFileType(file) != FILE_TYPE_DISK) return Fail(Error::kCannotRead, path + ": keine Datei");
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return ReadFailure(path, GetLastError());
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return Fail(Error::kCannotRead, path + ": keine Datei");
  }
  const uint64_t size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  if (size > kMaxSourceBytes) return Fail(Error::kTooLarge, path);
  before_ = {size, static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                        info.ftLastWriteTime.dwLowDateTime)};
  opened_.device = info.dwVolumeSerialNumber;
  opened_.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return Status::Ok();
}

Status SourceFile::ReadAll(std::vector<uint8_t>* out) {
  const std::string& path = opened_.path;
  if (handle_ < 0) return Fail(Error::kInternal, path + ": nicht geöffnet");
  const HANDLE file = HandleOf(handle_);
  std::vector<uint8_t> bytes = std::move(*out);
  out->clear();
  bytes.clear();
  try {
    bytes.resize(static_cast<size_t>(before_.size));
  } catch (const std::bad_alloc&) {
    return Fail(Error::kOutOfMemory, path);
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file, bytes.data() + done, want, &got, nullptr)) {
      return ReadFailure(path, GetLastError());
    }
    if (got == 0) break;
    done += got;
  }
  // One more byte would mean the file grew while it was read.
  uint8_t extra = 0;
  DWORD more = 0;
  if (!ReadFile(file, &extra, 1, &more, nullptr)) return ReadFailure(path, GetLastError());
  BY_HANDLE_FILE_INFORMATION after{};
  if (!GetFileInformationByHandle(file, &after)) return ReadFailure(path, GetLastError());
  const uint64_t size = (uint64_t{after.nFileSizeHigh} << 32) | after.nFileSizeLow;
  const int64_t modified = static_cast<int64_t>(
      (uint64_t{after.ftLastWriteTime.dwHighDateTime} << 32) | after.ftLastWriteTime.dwLowDateTime);
  if (done != bytes.size() || more != 0 || size != before_.size || modified != before_.modified) {
    return Fail(Error::kSourceChanged, path);
  }
  *out = std::move(bytes);
  return Status::Ok();
}

}  // namespace quorvel
