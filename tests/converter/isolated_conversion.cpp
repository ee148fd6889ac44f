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

// What the child sends back; plain bytes, so a partial write is detectable.
struct ChildReport {
  int32_t kind;  // a ChildEnd value: kReturned, kLeaked or kSetupFailed
  int32_t status;
  int32_t width;
  int32_t height;
  double call_ms;
  long start_maxrss_kib;
  char text[1024];
};

long MaxRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void CopyText(std::string_view text, char (&out)[1024]) {
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
void CallConvertEx(const ConvertCall& call, ChildReport* report) {
  CompObject* object = nullptr;
  const CompStatus created = CompCreateObject(kProgId, &object);
  if (created != COMP_OK) {
    report->status = created;
    CopyText("CompCreateObject failed", report->text);
    return;
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
  report->status = object->methods->invoke(object, "convertEx", args, 6, &result, &error);
  report->width = width;
  report->height = height;
  CopyText(TextToUtf8(error), report->text);
  CompVariantClear(&result);
  CompTextFree(&error);
  CompTextFree(&source);
  CompTextFree(&destination);
  object->methods->release(object);
}

[[noreturn]] void RunChild(int fd, const ConvertCall& call, const ChildSetup& setup) {
  ChildReport report{};
  report.kind = static_cast<int32_t>(ChildEnd::kReturned);
  if (setup) {
    const std::string error = setup();
    if (!error.empty()) {
      report.kind = static_cast<int32_t>(ChildEnd::kSetupFailed);
      CopyText(error, report.text);
    }
  }
  if (report.kind == static_cast<int32_t>(ChildEnd::kReturned)) {
    report.start_maxrss_kib = MaxRssKib();
    const auto start = std::chrono::steady_clock::now();
    CallConvertEx(call, &report);
    report.call_ms = std::chrono::duration<double, std::milli>(
                         std::chrono::steady_clock::now() - start)
                         .count();
#ifdef HOSTILE_HAS_LSAN
    if (__lsan_do_recoverable_leak_check() != 0)
      report.kind = static_cast<int32_t>(ChildEnd::kLeaked);
#endif
  }
  const char* bytes = reinterpret_cast<const char*>(&report);
  size_t left = sizeof report;
  while (left > 0) {
    const ssize_t n = write(fd, bytes, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(3);
    bytes += n;
    left -= static_cast<size_t>(n);
  }
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

ConvertOutcome ConvertIsolated(const ConvertCall& call, const ChildSetup& setup,
                               int hard_limit_seconds) {
  ConvertOutcome outcome;
  int fds[2];
  if (pipe(fds) != 0) {
    outcome.setup_error = "pipe failed";
    outcome.end = ChildEnd::kSetupFailed;
    return outcome;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    RunChild(fds[1], call, setup);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    outcome.setup_error = "fork failed";
    outcome.end = ChildEnd::kSetupFailed;
    return outcome;
  }
  ChildReport report{};
  bool timed_out = false;
  const size_t got = ReadReport(fds[0], &report,
                                std::chrono::steady_clock::now() +
                                    std::chrono::seconds(hard_limit_seconds),
                                &timed_out);
  close(fds[0]);
  const bool complete = got == sizeof report;
  int wait_status = 0;
  rusage usage{};
  if (timed_out) kill(pid, SIGKILL);
  while (wait4(pid, &wait_status, 0, &usage) < 0 && errno == EINTR) {
  }
  if (timed_out) {
    outcome.end = ChildEnd::kTimedOut;
    outcome.peak_kib = usage.ru_maxrss;
    return outcome;
  }
  outcome.peak_kib = usage.ru_maxrss - (complete ? report.start_maxrss_kib : 0);
  const bool clean_exit = WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 0;
  if (!complete || !clean_exit) {
    outcome.end = ChildEnd::kCrashed;
    outcome.end_detail = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status)
                                                   : WEXITSTATUS(wait_status);
    return outcome;
  }
  outcome.end = static_cast<ChildEnd>(report.kind);
  if (outcome.end == ChildEnd::kSetupFailed) {
    outcome.setup_error = report.text;
    return outcome;
  }
  outcome.status = report.status;
  outcome.message = report.text;
  outcome.width = report.width;
  outcome.height = report.height;
  outcome.call_ms = report.call_ms;
  return outcome;
}

std::string ConvertOutcome::Describe() const {
  const std::string cost =
      " in " + std::to_string(static_cast<long>(call_ms)) + " ms, peak +" +
      std::to_string(peak_kib / 1024) + " MiB";
  switch (end) {
    case ChildEnd::kReturned:
      if (status == 0)
        return "converted to " + std::to_string(width) + "x" + std::to_string(height) + cost;
      return "failed with " + std::to_string(status) + " \"" + message + "\"" + cost;
    case ChildEnd::kCrashed:
      return "crashed (signal or exit " + std::to_string(end_detail) + "), peak +" +
             std::to_string(peak_kib / 1024) + " MiB";
    case ChildEnd::kTimedOut:
      return "hung and was killed";
    case ChildEnd::kLeaked:
      return "leaked memory (see the LeakSanitizer report) after status " +
             std::to_string(status);
    case ChildEnd::kSetupFailed:
      return "could not prepare the conversion: " + setup_error;
  }
  return "?";
}

}  // namespace hostile
