#include "child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#if defined(__SANITIZE_ADDRESS__)
#define KALVENIX_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KALVENIX_HAS_LSAN 1
#endif
#endif
#ifdef KALVENIX_HAS_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace kalvenix::testing {
namespace {

// What precedes the work's bytes on the pipe, so a cut-off report is seen.
struct Header {
  int32_t end;
  uint64_t size;
};

double Ms(const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; }

#ifdef KALVENIX_HAS_LSAN
bool StartedThreads() {
  int threads = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
    (void)entry;
    ++threads;
  }
  return threads > 1;
}
#endif

void WriteAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(3);
    bytes += n;
    size -= static_cast<size_t>(n);
  }
}

[[noreturn]] void RunChild(int fd, const std::function<std::string()>& work) {
  const std::string output = work();
  Header header{static_cast<int32_t>(ChildEnd::kReturned), output.size()};
#ifdef KALVENIX_HAS_LSAN
  // LeakSanitizer's tracer crashes in a forked child once the converter has
  // started its worker threads there; leaks are then left to the in-process
  // replays (fuzz_replay_*) under asan.
  if (!StartedThreads() && __lsan_do_recoverable_leak_check() != 0)
    header.end = static_cast<int32_t>(ChildEnd::kLeaked);
#endif
  WriteAll(fd, &header, sizeof header);
  WriteAll(fd, output.data(), output.size());
  _exit(0);
}

// Reads until the child closes the pipe or the deadline passes.
std::string ReadUntilClosed(int fd, timespec deadline, bool* hung) {
  std::string bytes;
  char buffer[16384];
  for (;;) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long left_ms = (deadline.tv_sec - now.tv_sec) * 1000 +
                         (deadline.tv_nsec - now.tv_nsec) / 1'000'000;
    pollfd pfd{fd, POLLIN, 0};
    const int ready = left_ms > 0 ? poll(&pfd, 1, static_cast<int>(left_ms)) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) *hung = true;
    if (ready <= 0) return bytes;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return bytes;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

double ProcessCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return Ms(usage.ru_utime) + Ms(usage.ru_stime);
}

long PeakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

ChildRun RunInChild(const std::function<std::string()>& work, int deadline_seconds) {
  ChildRun run;
  int fds[2];
  if (pipe(fds) != 0) {
    run.end = ChildEnd::kSetupFailed;
    run.output = "pipe failed";
    return run;
  }
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += deadline_seconds;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    RunChild(fds[1], work);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    run.end = ChildEnd::kSetupFailed;
    run.output = "fork failed";
    return run;
  }
  bool hung = false;
  const std::string bytes = ReadUntilClosed(fds[0], deadline, &hung);
  close(fds[0]);
  if (hung) kill(pid, SIGKILL);
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  run.cpu_ms = Ms(usage.ru_utime) + Ms(usage.ru_stime);
  run.peak_rss_kib = usage.ru_maxrss;
  Header header{};
  if (bytes.size() >= sizeof header) std::memcpy(&header, bytes.data(), sizeof header);
  const bool complete =
      bytes.size() >= sizeof header && bytes.size() - sizeof header == header.size;
  if (hung) {
    run.end = ChildEnd::kHung;
  } else if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    run.end = ChildEnd::kCrashed;
    run.end_detail = WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status);
  } else {
    run.end = static_cast<ChildEnd>(header.end);
    run.output = bytes.substr(sizeof header);
  }
  return run;
}

std::string ChildRun::Describe() const {
  const std::string cost = std::to_string(static_cast<long>(cpu_ms)) + " ms CPU";
  switch (end) {
    case ChildEnd::kReturned:
      return "returned after " + cost;
    case ChildEnd::kCrashed:
      return "crashed (signal or exit status " + std::to_string(end_detail) + ") after " + cost;
    case ChildEnd::kHung:
      return "hung and was killed after " + cost;
    case ChildEnd::kLeaked:
      return "leaked memory (see the LeakSanitizer report above)";
    case ChildEnd::kSetupFailed:
      return "could not be prepared: " + output;
  }
  return "?";
}

}  // namespace kalvenix::testing
