// convertEx calls through the real component, run in a forked child.
//
// The converter runs inside the program's own process, so what the tests must
// show is what one hostile picture does to a process: a crash, a hang or a
// runaway allocation is observed here instead of ending the test run, and the
// child's peak memory belongs to that one picture alone.
//
// Peak memory is the growth of the child's peak resident set (ru_maxrss from
// wait4) over its value when the calls start; fork gives the child the
// parent's current resident set as its start. Under AddressSanitizer the
// figure includes shadow memory and the quarantine of freed blocks, so a
// bound holds there with room to spare or not at all.
//
// The component is registered the way the program registers it (dlopen of the
// built Quorvel.so, its DllRegisterServer), once in the test process; the
// child then creates "Dravimo.Compendium" through the runtime for every call,
// as the batch does, and calls convertEx with the six arguments it passes.
// Thread-safety: call from the test's main thread only (it forks).
#ifndef KALVENIX_TESTS_CONVERTER_ISOLATED_CONVERSION_H_
#define KALVENIX_TESTS_CONVERTER_ISOLATED_CONVERSION_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hostile {

// Loads the component library and runs its DllRegisterServer; returns an
// empty string, or why it failed. Repeated calls do nothing.
std::string RegisterComponent(const std::string& library_path);

struct ConvertCall {
  std::string source;  // UTF-8 paths, passed as UTF-16 text like the batch's
  std::string destination;
  int32_t width = 0;
  int32_t height = 0;
  bool transparency = false;
  int32_t quality = 100;
};

struct CallOutcome {
  int32_t status = -1;  // convertEx's status (the creation's, if that failed)
  std::string message;  // the dispatch error text, UTF-8
  int32_t width = 0;    // the by-reference width and height after the call
  int32_t height = 0;
  double call_ms = 0;  // creation, convertEx and release, timed in the child
};

enum class ChildEnd {
  kReturned,     // every call returned (with success or an error)
  kCrashed,      // a signal or a sanitizer report ended the child
  kTimedOut,     // still running at the hard limit; killed
  kLeaked,       // returned, but LeakSanitizer found memory nobody holds
  kSetupFailed,  // the child's preparation failed before the calls
};

struct ChildOutcome {
  ChildEnd end = ChildEnd::kCrashed;
  int end_detail = 0;              // the signal or exit status of a crashed child
  long peak_kib = 0;               // peak resident growth over all the calls
  std::string setup_error;
  std::vector<CallOutcome> calls;  // one per call, when the child returned

  std::string Describe() const;
};

// Runs in the child before the calls are timed and their memory counted (for
// example a first conversion, so that what the converter sets up once per
// process is not charged to the file under test); returns an empty string,
// or why it failed.
using ChildSetup = std::function<std::string()>;

// At most kMaxCallsPerChild calls; the hard limit covers them all.
inline constexpr size_t kMaxCallsPerChild = 8;
ChildOutcome ConvertIsolated(const std::vector<ConvertCall>& calls, const ChildSetup& setup = {},
                             int hard_limit_seconds = 60);

// One call in a child of its own, summed up.
struct ConvertOutcome {
  ChildEnd end = ChildEnd::kCrashed;
  CallOutcome call;
  long peak_kib = 0;
  std::string description;

  bool Succeeded() const { return end == ChildEnd::kReturned && call.status == 0; }
  bool FailedCleanly() const { return end == ChildEnd::kReturned && call.status != 0; }
  const std::string& Describe() const { return description; }
};
ConvertOutcome ConvertOneIsolated(const ConvertCall& call, const ChildSetup& setup = {},
                                  int hard_limit_seconds = 60);

// One creation and convertEx call in this process, as the child makes it.
CallOutcome ConvertHere(const ConvertCall& call);

std::string DescribeCall(const CallOutcome& call);

}  // namespace hostile

#endif  // KALVENIX_TESTS_CONVERTER_ISOLATED_CONVERSION_H_
