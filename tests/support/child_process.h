// Work run in a forked child, so that what one hostile input does to a
// process (a crash, a hang, a runaway allocation or a long computation) is
// observed here instead of ending the test run.
//
// Cost is measured as the child's CPU time (user + system, all its threads,
// from wait4), never as elapsed time: under the sanitizers and `ctest -j` on
// a loaded machine elapsed time grows with the load, CPU time with the work
// alone. The deadline only ends a hung child, and is generous enough that a
// correct run never meets it.
// Thread-safety: call from the test's main thread only (it forks).
#ifndef KALVENIX_TESTS_SUPPORT_CHILD_PROCESS_H_
#define KALVENIX_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <functional>
#include <string>

namespace kalvenix::testing {

enum class ChildEnd {
  kReturned,     // the work returned
  kCrashed,      // a signal or a sanitizer report ended the child
  kHung,         // still running at the deadline; killed
  kLeaked,       // returned, but LeakSanitizer found memory nobody holds
  kSetupFailed,  // the preparation failed before the work (told by the work)
};

struct ChildRun {
  ChildEnd end = ChildEnd::kCrashed;
  int end_detail = 0;     // the signal or exit status of a crashed child
  std::string output;     // what the work returned, when it returned
  double cpu_ms = 0;      // the child's user + system CPU time
  long peak_rss_kib = 0;  // the child's peak resident set, from its start at fork

  std::string Describe() const;
};

inline constexpr int kHungChildSeconds = 60;

// Runs `work` in a child and hands back what it returned.
ChildRun RunInChild(const std::function<std::string()>& work,
                    int deadline_seconds = kHungChildSeconds);

// This process's user + system CPU time so far, all threads.
double ProcessCpuMs();
// This process's peak resident set so far.
long PeakRssKib();

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_CHILD_PROCESS_H_
