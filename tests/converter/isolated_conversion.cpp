#include "isolated_conversion.h"

#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string_view>

#include <QString>

#include "platform/component_abi.h"

#if defined(__SANITIZE_ADDRESS__)
#define HOSTILE_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HOSTILE_HAS_LSAN 1
#endif
#endif
#ifdef HOSTILE_HAS_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace hostile {
namespace {

constexpr char kProgId[] = "Dravimo.Compendium";
constexpr size_t kTextBytes = 512;

// What the child sends back: plain bytes, so a partial report is detectable.
struct CallReport {
  int32_t status;
  int32_t width;
  int32_t height;
  double call_ms;
  char message[kTextBytes];
};
struct ChildReport {
  int32_t kind;  // a ChildEnd value: kReturned, kLeaked or kSetupFailed
  uint32_t count;
  long start_maxrss_kib;
  char setup_error[kTextBytes];
  CallReport calls[kMaxCallsPerChild];
};

long MaxRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void CopyText(std::string_view text, char (&out)[kTextBytes]) {
  const size_t n = std::min(text.size(), sizeof out - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

CompText AllocText(const std::string& utf8) {
  const QString text = QString::fromUtf8(utf8);
  CompText out{};
  CompTextAlloc(reinterpret_cast<const uint16_t*>(text.utf16()),
                static_cast<uint32_t>(text.size()), &out);
  return out;
}

std::string TextToUtf8(const CompText& text) {
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(text.units),
                            static_cast<qsizetype>(text.length))
      .toStdString();
}

// The batch's creation and call, exactly as it makes them.
CallOutcome CallConvertEx(const ConvertCall& call) {
  CallOutcome outcome;
  const auto start = std::chrono::steady_clock::now();
  CompObject* object = nullptr;
  const CompStatus created = CompCreateObject(kProgId, &object);
  if (created != COMP_OK) {
    outcome.status = created;
    outcome.message = "CompCreateObject failed";
    return outcome;
  }
  CompText source = AllocText(call.source);
  CompText destination = AllocText(call.destination);
  int32_t width = call.width;
  int32_t height = call.height;
  CompBool transparency = call.transparency ? COMP_TRUE : COMP_FALSE;
  int32_t quality = call.quality;

  CompVariant args[6] = {};
  args[0].type = COMP_VT_TEXT;
  args[0].value.text = source;
  args[1].type = COMP_VT_BYREF | COMP_VT_TEXT;
  args[1].value.p_text = &destination;
  args[2].type = COMP_VT_BYREF | COMP_VT_I4;
  args[2].value.p_i4 = &width;
  args[3].type = COMP_VT_BYREF | COMP_VT_I4;
  args[3].value.p_i4 = &height;
  args[4].type = COMP_VT_BYREF | COMP_VT_BOOL;
  args[4].value.p_boolean = &transparency;
  args[5].type = COMP_VT_BYREF | COMP_VT_I4;
  args[5].value.p_i4 = &quality;
  CompVariant result{};
  CompText error{};
  outcome.status = object->methods->invoke(object, "convertEx", args, 6, &result, &error);
  outcome.width = width;
  outcome.height = height;
  outcome.message = TextToUtf8(error);
  CompVariantClear(&result);
  CompTextFree(&error);
  CompTextFree(&source);
  CompTextFree(&destination);
  object->methods->release(object);
  outcome.call_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return outcome;
}

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

[[noreturn]] void RunChild(int fd, const std::vector<ConvertCall>& calls,
                           const ChildSetup& setup) {
  // Large (several KiB), so not on the stack of a process under test.
  auto report = std::make_unique<ChildReport>();
  report->kind = static_cast<int32_t>(ChildEnd::kReturned);
  const std::string setup_error = setup ? setup() : std::string();
  if (!setup_error.empty()) {
    report->kind = static_cast<int32_t>(ChildEnd::kSetupFailed);
    CopyText(setup_error, report->setup_error);
  } else {
    report->start_maxrss_kib = MaxRssKib();
    for (const ConvertCall& call : calls) {
      const CallOutcome outcome = CallConvertEx(call);
      CallReport& out = report->calls[report->count++];
      out.status = outcome.status;
      out.width = outcome.width;
      out.height = outcome.height;
      out.call_ms = outcome.call_ms;
      CopyText(outcome.message, out.message);
    }
#ifdef HOSTILE_HAS_LSAN
    if (__lsan_do_recoverable_leak_check() != 0)
      report->kind = static_cast<int32_t>(ChildEnd::kLeaked);
#endif
  }
  WriteAll(fd, report.get(), sizeof *report);
  _exit(0);
}

// Reads the report until it is complete, the child closes the pipe, or the
// deadline passes; returns the bytes read.
size_t ReadReport(int fd, ChildReport* report, std::chrono::steady_clock::time_point deadline,
                  bool* timed_out) {
  char* bytes = reinterpret_cast<char*>(report);
  size_t got = 0;
  while (got < sizeof *report) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd pfd{fd, POLLIN, 0};
    const int ready = left.count() > 0 ? poll(&pfd, 1, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) *timed_out = true;
    if (ready <= 0) break;
    const ssize_t n = read(fd, bytes + got, sizeof *report - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

}  // namespace

CallOutcome ConvertHere(const ConvertCall& call) { return CallConvertEx(call); }

std::string RegisterComponent(const std::string& library_path) {
  static std::string registered;
  if (registered == library_path) return {};
  // Kept loaded for the life of the process, as the runtime keeps it.
  void* library = dlopen(library_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return std::string("dlopen: ") + dlerror();
  auto register_server =
      reinterpret_cast<CompRegisterServerFn>(dlsym(library, COMP_REGISTER_EXPORT));
  if (register_server == nullptr) return "no DllRegisterServer in " + library_path;
  const int32_t status = register_server();
  if (status != 0) return "DllRegisterServer returned " + std::to_string(status);
  registered = library_path;
  return {};
}

ChildOutcome ConvertIsolated(const std::vector<ConvertCall>& calls, const ChildSetup& setup,
                             int hard_limit_seconds) {
  ChildOutcome outcome;
  if (calls.size() > kMaxCallsPerChild) {
    outcome.end = ChildEnd::kSetupFailed;
    outcome.setup_error = "too many calls for one child";
    return outcome;
  }
  int fds[2];
  if (pipe(fds) != 0) {
    outcome.end = ChildEnd::kSetupFailed;
    outcome.setup_error = "pipe failed";
    return outcome;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    RunChild(fds[1], calls, setup);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    outcome.end = ChildEnd::kSetupFailed;
    outcome.setup_error = "fork failed";
    return outcome;
  }
  auto report = std::make_unique<ChildReport>();
  bool timed_out = false;
  const size_t got = ReadReport(
      fds[0], report.get(),
      std::chrono::steady_clock::now() + std::chrono::seconds(hard_limit_seconds), &timed_out);
  close(fds[0]);
  const bool complete = got == sizeof *report;
  int wait_status = 0;
  rusage usage{};
  if (timed_out) kill(pid, SIGKILL);
  while (wait4(pid, &wait_status, 0, &usage) < 0 && errno == EINTR) {
  }
  outcome.peak_kib = usage.ru_maxrss - (complete ? report->start_maxrss_kib : 0);
  if (timed_out) {
    outcome.end = ChildEnd::kTimedOut;
    return outcome;
  }
  if (!complete || !WIFEXITED(wait_status) || WEXITSTATUS(wait_status) != 0) {
    outcome.end = ChildEnd::kCrashed;
    outcome.end_detail =
        WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : WEXITSTATUS(wait_status);
    return outcome;
  }
  outcome.end = static_cast<ChildEnd>(report->kind);
  outcome.setup_error = report->setup_error;
  for (uint32_t i = 0; i < report->count && i < kMaxCallsPerChild; ++i) {
    const CallReport& in = report->calls[i];
    outcome.calls.push_back({in.status, in.message, in.width, in.height, in.call_ms});
  }
  return outcome;
}

ConvertOutcome ConvertOneIsolated(const ConvertCall& call, const ChildSetup& setup,
                                  int hard_limit_seconds) {
  const ChildOutcome child = ConvertIsolated({call}, setup, hard_limit_seconds);
  ConvertOutcome outcome;
  outcome.end = child.end;
  outcome.peak_kib = child.peak_kib;
  if (!child.calls.empty()) outcome.call = child.calls.front();
  outcome.description = child.Describe();
  if (child.end == ChildEnd::kReturned && !child.calls.empty())
    outcome.description = DescribeCall(outcome.call) + ", " + outcome.description;
  return outcome;
}

std::string DescribeCall(const CallOutcome& call) {
  const std::string took = " in " + std::to_string(static_cast<long>(call.call_ms)) + " ms";
  if (call.status == 0)
    return "converted to " + std::to_string(call.width) + "x" + std::to_string(call.height) +
           took;
  return "failed with " + std::to_string(call.status) + " \"" + call.message + "\"" + took;
}

std::string ChildOutcome::Describe() const {
  const std::string peak = "peak +" + std::to_string(peak_kib / 1024) + " MiB";
  switch (end) {
    case ChildEnd::kReturned:
      return "returned, " + peak;
    case ChildEnd::kCrashed:
      return "crashed (signal or exit status " + std::to_string(end_detail) + "), " + peak;
    case ChildEnd::kTimedOut:
      return "hung and was killed, " + peak;
    case ChildEnd::kLeaked:
      return "leaked memory (see the LeakSanitizer report above), " + peak;
    case ChildEnd::kSetupFailed:
      return "could not prepare the conversion: " + setup_error;
  }
  return "?";
}

}  // namespace hostile
