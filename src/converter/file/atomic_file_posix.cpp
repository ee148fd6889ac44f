#include "converter/file/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "converter/file/posix_identity.h"

namespace quorvel {
namespace {

// How many names to try when a temporary name is taken (by a crashed run, or
// a parallel one).
constexpr int kNameAttempts = 100;

Status WriteFailure(const std::string& path, int error) {
  if (error == ENOSPC || error == EDQUOT) return Fail(Error::kDiskFull, path);
  if (error == ENOMEM) return Fail(Error::kOutOfMemory, path);
  return Fail(Error::kCannotWrite, path + ": " + std::strerror(error));
}

// The temporary sits beside the destination under a hidden name of its own,
// so a listing of the folder never shows a half-written picture by its name.
std::string TemporaryPath(const std::string& path, int attempt) {
  static std::atomic<uint32_t> counter{0};
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%ld.%u.%d.tmp", static_cast<long>(getpid()),
                counter.fetch_add(1, std::memory_order_relaxed), attempt);
  // Keep the name within NAME_MAX even for a long destination name.
  return folder + "." + name.substr(0, 160) + suffix;
}

class TemporaryFile {
 public:
  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) unlink(path_.c_str());
  }

  Status Create(const std::string& destination, mode_t mode) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      std::string path = TemporaryPath(destination, attempt);
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
      if (fd >= 0) {
        fd_ = fd;
        path_ = std::move(path);
        return Status::Ok();
      }
      if (errno != EEXIST) return WriteFailure(destination, errno);
    }
    return Fail(Error::kCannotWrite, destination + ": kein freier Name");
  }

  Status Write(const std::string& destination, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return WriteFailure(destination, errno);
      }
      done += static_cast<size_t>(n);
    }
    // Without this a crash soon after the rename can leave an empty file
    // where the old destination was. Some file systems report a full disk
    // only here or at close.
    if (fdatasync(fd_) != 0 && errno != EINVAL) return WriteFailure(destination, errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && errno != EINTR) return WriteFailure(destination, errno);
    return Status::Ok();
  }

  Status RenameTo(const std::string& destination, const OpenedSource* source) {
    if (source != nullptr) {
      if (NamesTheSource(destination, *source)) {
        return Fail(Error::kDestinationIsSource, destination);
      }
      bool moved = false;
      Status status = SwapInto(destination, *source, &moved);
      if (moved || !status.ok()) return status;
    }
    if (rename(path_.c_str(), destination.c_str()) != 0) return WriteFailure(destination, errno);
    path_.clear();
    return Status::Ok();
  }

 private:
  // Puts the temporary at the destination's name without ever unlinking
  // what was there: swapped with an existing file, or moved to a free name
  // only while it stays free. `moved` stays false where the file system
  // can do neither.
  Status SwapInto(const std::string& destination, const OpenedSource& source, bool* moved) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      if (renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, destination.c_str(), RENAME_EXCHANGE) ==
          0) {
        *moved = true;
        return CheckSwappedOut(destination, source);
      }
      if (errno != ENOENT) {
        return CannotSwap(errno) ? Status::Ok() : WriteFailure(destination, errno);
      }
      if (renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) ==
          0) {
        *moved = true;
        path_.clear();
        return Status::Ok();
      }
      if (errno != EEXIST) {
        return CannotSwap(errno) ? Status::Ok() : WriteFailure(destination, errno);
      }
      // Someone created the destination in between: swap with it instead.
    }
    return Fail(Error::kCannotWrite, destination + ": Ziel wechselt ständig");
  }

  static bool CannotSwap(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
  }

  // The temporary's name now holds what was at the destination. It is
  // removed with this object unless it is the source, or a folder that
  // appeared since the write began; those are swapped back.
  Status CheckSwappedOut(const std::string& destination, const OpenedSource& source) {
    struct stat out {};
    const bool is_source = stat(path_.c_str(), &out) == 0 && IsSameFile(out, source);
    const bool is_folder = lstat(path_.c_str(), &out) == 0 && S_ISDIR(out.st_mode);
    if (!is_source && !is_folder) return Status::Ok();
    const Error error = is_source ? Error::kDestinationIsSource : Error::kCannotWrite;
    if (renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, destination.c_str(), RENAME_EXCHANGE) == 0) {
      return Fail(error, destination);
    }
    // Not swapped back: what was there lives on under the temporary name,
    // which therefore must stay.
    const std::string kept = std::move(path_);
    path_.clear();
    return Fail(error, destination + ": das Original liegt jetzt unter " + kept);
  }

  int fd_ = -1;
  std::string path_;
};

}  // namespace

Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                           const OpenedSource* source) {
  if (path.empty() || path.back() == '/') return Fail(Error::kCannotWrite, path);
  if (source != nullptr && NamesTheSource(path, *source)) {
    return Fail(Error::kDestinationIsSource, path);
  }
  // An existing destination keeps its permissions; one that we may not write
  // to stays as it is, although renaming over it would succeed.
  mode_t mode = 0666;  // narrowed by the umask, as for any new file
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) return Fail(Error::kCannotWrite, path + ": keine Datei");
    if (access(path.c_str(), W_OK) != 0) return WriteFailure(path, errno);
    mode = existing.st_mode & 0777;  // never copy set-id bits
  }
  TemporaryFile temporary;
  Status status = temporary.Create(path, mode);
  if (status.ok()) status = temporary.Write(path, bytes);
  if (status.ok()) status = temporary.RenameTo(path, source);
  return status;
}

}  // namespace quorvel
