#include "converter/file/source_file.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {
namespace {

bool SameVersion(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

Status ReadFailure(const std::string& path, int error) {
  if (error == ENOMEM) return Fail(Error::kOutOfMemory, path);
  return Fail(Error::kCannotRead, path + ": " + std::strerror(error));
}

}  // namespace

SourceFile::~SourceFile() {
  if (fd_ >= 0) close(fd_);
}

Status SourceFile::Open(const std::string& path) {
  if (fd_ >= 0) return Fail(Error::kInternal, path + ": schon geöffnet");
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return ReadFailure(path, errno);
  fd_ = fd;
  opened_.path = path;
  if (fstat(fd_, &before_) != 0) return ReadFailure(path, errno);
  // A FIFO or device could block forever or never end (O_NONBLOCK only
  // keeps the open itself from waiting for a writer).
  if (!S_ISREG(before_.st_mode)) return Fail(Error::kCannotRead, path + ": keine Datei");
  if (static_cast<uint64_t>(before_.st_size) > kMaxSourceBytes) {
    return Fail(Error::kTooLarge, path);
  }
  opened_ = OpenedSourceOf(path, before_);
  return Status::Ok();
}

Status SourceFile::ReadAll(std::vector<uint8_t>* out) {
  const std::string& path = opened_.path;
  if (fd_ < 0) return Fail(Error::kInternal, path + ": nicht geöffnet");
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(before_.st_size));
  } catch (const std::bad_alloc&) {
    return Fail(Error::kOutOfMemory, path);
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = read(fd_, bytes.data() + done, bytes.size() - done);
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
    more = read(fd_, &extra, 1);
  } while (more < 0 && errno == EINTR);
  struct stat after {};
  if (fstat(fd_, &after) != 0) return ReadFailure(path, errno);
  if (done != bytes.size() || more != 0 || !SameVersion(before_, after) || after.st_nlink == 0) {
    return Fail(Error::kSourceChanged, path);
  }
  *out = std::move(bytes);
  return Status::Ok();
}

Status ReadSourceFile(const std::string& path, std::vector<uint8_t>* out) {
  SourceFile file;
  Status status = file.Open(path);
  if (!status.ok()) return status;
  return file.ReadAll(out);
}

}  // namespace quorvel
