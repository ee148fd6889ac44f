// The child-process helper the hostile suites' bounds rest on: cost must be
// the child's CPU time (not elapsed time, not the parent's), and every way a
// child can end must come back as what it was.
#include "child_process.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kalvenix::testing {
namespace {

TEST(ChildProcessTest, HandsBackWhatTheWorkReturnedWithNulsAndAll) {
  const std::string bytes("a\0b\n", 4);
  const ChildRun run = RunInChild([&] { return bytes + std::string(100000, 'x'); });
  ASSERT_EQ(run.end, ChildEnd::kReturned) << run.Describe();
  EXPECT_EQ(run.output, bytes + std::string(100000, 'x'));
}

TEST(ChildProcessTest, CountsTheChildsCpuTimeNotItsWaiting) {
  const ChildRun busy = RunInChild([] {
    const double start = ProcessCpuMs();
    while (ProcessCpuMs() - start < 300) {
    }
    return std::string();
  });
  ASSERT_EQ(busy.end, ChildEnd::kReturned);
  EXPECT_GE(busy.cpu_ms, 300);

  const ChildRun waiting = RunInChild([] {
    usleep(1'000'000);
    return std::string();
  });
  ASSERT_EQ(waiting.end, ChildEnd::kReturned);
  EXPECT_LT(waiting.cpu_ms, 500) << "sleeping is no work";
}

TEST(ChildProcessTest, TellsACrashFromAHang) {
  const ChildRun crashed = RunInChild([]() -> std::string {
    raise(SIGKILL);  // the sanitizers turn a SIGSEGV into an exit status
    return "unreachable";
  });
  EXPECT_EQ(crashed.end, ChildEnd::kCrashed);
  EXPECT_EQ(crashed.end_detail, SIGKILL);

  const ChildRun exited = RunInChild([]() -> std::string { _exit(4); });
  EXPECT_EQ(exited.end, ChildEnd::kCrashed);
  EXPECT_EQ(exited.end_detail, 4);

  // Only the deadline ends this one; the test waits for it, whatever the load.
  const ChildRun hung = RunInChild(
      [] {
        pause();
        return std::string();
      },
      1);
  EXPECT_EQ(hung.end, ChildEnd::kHung);
}

}  // namespace
}  // namespace kalvenix::testing
