// One convertEx call through the real component, run in a forked child.
//
// The converter runs inside the program's own process, so what the tests must
// show is what one hostile picture does to a process: a crash, a hang or a
// runaway allocation is observed here instead of ending the test run, and the
// child's peak memory belongs to that one conversion alone.
//
// The component is registered the way the program registers it (dlopen of the
// built Quorvel.so, its DllRegisterServer), once in the test process; every
// child then creates "Dravimo.Compendium" through the runtime and calls
// convertEx with the six arguments the batch passes.
// Thread-safety: call from the test's main thread only (it forks).
#ifndef KALVENIX_TESTS_CONVERTER_ISOLATED_CONVERSION_H_
#define KALVENIX_TESTS_CONVERTER_ISOLATED_CONVERSION_H_

#include <cstdint>
#include <functional>
#include <string>

namespace hostile {

// Loads the component library and runs its DllRegisterServer; returns an
// empty string, or why it failed. Repeated calls do nothing.
std::string RegisterComponent(const std::string& library_path);

struct ConvertCall {
  std::string source;       // UTF-8 paths, passed as UTF-16 text like the batch's
  std::string destination;
  int32_t width = 0;
  int32_t height = 0;
  bool transparency = false;
  int32_t quality = 100;
};

enum class ChildEnd {
  kReturned,     // convertEx returned (with success or an error)
  kCrashed,      // a signal or a sanitizer report ended the child
  kTimedOut,     // still running at the hard limit; killed
  kLeaked,       // returned, but LeakSanitizer found memory nobody holds
  kSetupFailed,  // the child's preparation failed before the call
};

struct ConvertOutcome {
  ChildEnd end = ChildEnd::kCrashed;
  int end_detail = 0;      // the signal or exit status of a crashed child
  int32_t status = -1;     // convertEx's status; 0 is success
  std::string message;     // the dispatch error text, UTF-8
  int32_t width = 0;       // the by-reference width and height after the call
  int32_t height = 0;
  double call_ms = 0;      // convertEx alone, measured in the child
  long peak_kib = 0;       // growth of the child's peak resident set over its start
  std::string setup_error;

  bool Succeeded() const { return end == ChildEnd::kReturned && status == 0; }
  bool FailedCleanly() const { return end == ChildEnd::kReturned && status != 0; }
  std::string Describe() const;
};

// Runs in the child before the call (for example to lower a resource limit);
// returns an empty string, or why it failed.
using ChildSetup = std::function<std::string()>;

ConvertOutcome ConvertIsolated(const ConvertCall& call, const ChildSetup& setup = {},
                               int hard_limit_seconds = 60);

}  // namespace hostile

#endif  // KALVENIX_TESTS_CONVERTER_ISOLATED_CONVERSION_H_
