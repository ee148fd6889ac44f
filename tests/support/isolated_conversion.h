// convertEx calls through the real component, run in a forked child (see
// child_process.h): the converter runs inside the program's own process, so
// what the tests must show is what one hostile picture does to a process.
//
// Peak memory is the growth of the child's peak resident set over its value
// when the calls start; fork gives the child the parent's resident set as its
// start. Under AddressSanitizer the figure includes shadow memory and the
// quarantine of freed blocks, so a bound holds there with room to spare or
// not at all. Cost is each call's CPU time in the child.
//
// The component must be registered first (RegisterComponent, once in the
// test process); the child then creates "Dravimo.Compendium" for every call,
// as the batch does.
// Thread-safety: call from the test's main thread only (it forks).
#ifndef KALVENIX_TESTS_SUPPORT_ISOLATED_CONVERSION_H_
#define KALVENIX_TESTS_SUPPORT_ISOLATED_CONVERSION_H_

#include <functional>
#include <string>
#include <vector>

#include "child_process.h"
#include "convert_ex.h"

namespace kalvenix::testing {

struct ChildOutcome {
  ChildEnd end = ChildEnd::kCrashed;
  int end_detail = 0;   // the signal or exit status of a crashed child
  long peak_kib = 0;    // peak resident growth over all the calls
  double cpu_ms = 0;    // the whole child's CPU time, setup included
  std::string setup_error;
  std::vector<ConvertExResult> calls;  // one per call, when the child returned

  std::string Describe() const;
};

// Runs in the child before the calls are measured (for example a first
// conversion, so that what the converter sets up once per process is not
// charged to the file under test); returns an empty string, or why it failed.
using ChildSetup = std::function<std::string()>;

inline constexpr size_t kMaxCallsPerChild = 8;
ChildOutcome ConvertIsolated(const std::vector<ConvertExRequest>& calls,
                             const ChildSetup& setup = {},
                             int deadline_seconds = kHungChildSeconds);

// One call in a child of its own, summed up.
struct ConvertOutcome {
  ChildEnd end = ChildEnd::kCrashed;
  ConvertExResult call;
  long peak_kib = 0;
  std::string description;

  bool Succeeded() const { return end == ChildEnd::kReturned && call.ok(); }
  bool FailedCleanly() const { return end == ChildEnd::kReturned && !call.ok(); }
  const std::string& Describe() const { return description; }
};
ConvertOutcome ConvertOneIsolated(const ConvertExRequest& call, const ChildSetup& setup = {},
                                  int deadline_seconds = kHungChildSeconds);

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_ISOLATED_CONVERSION_H_
