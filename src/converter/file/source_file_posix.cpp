#include "converter/file/source_file.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "converter/file/posix_identity.h"

namespace quorvel {
namespace {

int64_t ModifiedOf(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

Status ReadFailure(const std::string& path, int error) {
  if (error == ENOMEM) return Fail(Error::kOutOfMemory, path);
  return Fail(Error::kCannotRead, path + ": " + std::strerror(error));
}

}  // namespace

SourceFile::~SourceFile() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

Status SourceFile::Open(const std::string& path) {
  if (handle_ >= 0) return Fail(Error::kInternal, path + ": schon geöffnet");
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return ReadFailure(path, errno);
  handle_ = fd;
  opened_.path = path;
  struct stat st {};
  if (fstat(fd, &st) != 0) return ReadFailure(path, errno);
  // A FIFO or device could block forever or never end (O_NONBLOCK only
  // keeps the open itself from waiting for a writer).
  if (!S_ISREG(st.st_mode)) return Fail(Error::kCannotRead, path + ": keine Datei");
  if (static_cast<uint64_t>(st.st_size) > kMaxSourceBytes) {
    return Fail(Error::kTooLarge, path);
  }
  before_ = {static_cast<uint64_t>(st.st_size), ModifiedOf(st)};
  opened_ = OpenedSourceOf(path, st);
  return Status::Ok();
}

Status SourceFile::ReadAll(std::vector<uint8_t>* out) {
  const std::string& path = opened_.path;
  if (handle_ < 0) return Fail(Error::kInternal, path + ": nicht geöffnet");
  const int fd = static_cast<int>(handle_);
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
    const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadFailure(path, errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  // One more byte would mean the file grew while it was read.
  uint8_t extra = 0;
  ssize_t more;
  do {
    more = read(fd, &extra, 1);
  } while (more < 0 && errno == EINTR);
  struct stat after {};
  if (fstat(fd, &after) != 0) return ReadFailure(path, errno);
  const bool same_version = static_cast<uint64_t>(after.st_size) == before_.size &&
                            ModifiedOf(after) == before_.modified;
  if (done != bytes.size() || more != 0 || !same_version || after.st_nlink == 0) {
    return Fail(Error::kSourceChanged, path);
  }
  *out = std::move(bytes);
  return Status::Ok();
}

}  // namespace quorvel
