// What the Windows side of this folder shares: UTF-8 paths as the wide
// paths the W calls take, the system's error texts, a file's identity.
// Thread-safety: reentrant.
#ifndef KALVENIX_CONVERTER_FILE_WINDOWS_FILE_API_H_
#define KALVENIX_CONVERTER_FILE_WINDOWS_FILE_API_H_

#include <cstdint>
#include <optional>
#include <string>

#include <windows.h>

namespace quorvel {

// The UTF-16 form of a UTF-8 path; nothing for malformed UTF-8 or a NUL,
// which name no file. An absolute path too long for the classic calls gets
// the "\\?\" prefix, made from its full form (which resolves "." and "..",
// and "/", that the prefix would take literally).
std::optional<std::wstring> WidePath(const std::string& path);

// The system's text for `error`, as UTF-8, without the trailing line break.
std::string SystemMessage(DWORD error);

// Volume serial number and file index of an open handle.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  uint32_t links = 0;
};
std::optional<FileIdentity> IdentityOf(HANDLE file);

// The identity of the file `path` names now, links followed; nothing when
// it cannot be looked at. Opens it without any access, so neither the
// source's share mode nor another program's stands in the way.
std::optional<FileIdentity> IdentityAt(const std::wstring& path);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_FILE_WINDOWS_FILE_API_H_
