#include "isolated_conversion.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace kalvenix::testing {
namespace {

constexpr size_t kTextBytes = 512;

// What the child sends back: plain bytes of a fixed size.
struct CallReport {
  int32_t status;
  int32_t width;
  int32_t height;
  double cpu_ms;
  char message[kTextBytes];
};
struct ChildReport {
  bool setup_failed;
  uint32_t count;
  long start_maxrss_kib;
  char setup_error[kTextBytes];
  CallReport calls[kMaxCallsPerChild];
};

void CopyText(std::string_view text, char (&out)[kTextBytes]) {
  const size_t n = std::min(text.size(), sizeof out - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

std::string RunCalls(const std::vector<ConvertExRequest>& calls, const ChildSetup& setup) {
  // Several KiB: kept off the stack of a process under test.
  auto report = std::make_unique<ChildReport>();
  const std::string setup_error = setup ? setup() : std::string();
  if (!setup_error.empty()) {
    report->setup_failed = true;
    CopyText(setup_error, report->setup_error);
  } else {
    report->start_maxrss_kib = PeakRssKib();
    for (const ConvertExRequest& call : calls) {
      const ConvertExResult result = ConvertEx(call);
      CallReport& out = report->calls[report->count++];
      out.status = result.status;
      out.width = result.width;
      out.height = result.height;
      out.cpu_ms = result.cpu_ms;
      CopyText(result.message, out.message);
    }
  }
  return std::string(reinterpret_cast<const char*>(report.get()), sizeof *report);
}

}  // namespace

ChildOutcome ConvertIsolated(const std::vector<ConvertExRequest>& calls, const ChildSetup& setup,
                             int deadline_seconds) {
  ChildOutcome outcome;
  if (calls.size() > kMaxCallsPerChild) {
    outcome.end = ChildEnd::kSetupFailed;
    outcome.setup_error = "too many calls for one child";
    return outcome;
  }
  const ChildRun run = RunInChild([&] { return RunCalls(calls, setup); }, deadline_seconds);
  outcome.end = run.end;
  outcome.end_detail = run.end_detail;
  outcome.cpu_ms = run.cpu_ms;
  outcome.peak_kib = run.peak_rss_kib;
  if (run.end != ChildEnd::kReturned && run.end != ChildEnd::kLeaked) return outcome;
  if (run.output.size() != sizeof(ChildReport)) {
    outcome.end = ChildEnd::kCrashed;
    return outcome;
  }
  auto report = std::make_unique<ChildReport>();
  std::memcpy(report.get(), run.output.data(), sizeof *report);
  outcome.peak_kib -= report->start_maxrss_kib;
  if (report->setup_failed) {
    outcome.end = ChildEnd::kSetupFailed;
    outcome.setup_error = report->setup_error;
    return outcome;
  }
  for (uint32_t i = 0; i < report->count && i < kMaxCallsPerChild; ++i) {
    const CallReport& in = report->calls[i];
    outcome.calls.push_back({in.status, in.message, in.width, in.height, in.cpu_ms});
  }
  return outcome;
}

ConvertOutcome ConvertOneIsolated(const ConvertExRequest& call, const ChildSetup& setup,
                                  int deadline_seconds) {
  const ChildOutcome child = ConvertIsolated({call}, setup, deadline_seconds);
  ConvertOutcome outcome;
  outcome.end = child.end;
  outcome.peak_kib = child.peak_kib;
  if (!child.calls.empty()) outcome.call = child.calls.front();
  outcome.description = child.Describe();
  if (child.end == ChildEnd::kReturned && !child.calls.empty())
    outcome.description = DescribeCall(outcome.call) + ", " + outcome.description;
  return outcome;
}

std::string ChildOutcome::Describe() const {
  const std::string peak = "peak +" + std::to_string(peak_kib / 1024) + " MiB";
  switch (end) {
    case ChildEnd::kReturned:
      return "returned, " + peak;
    case ChildEnd::kCrashed:
      return "crashed (signal or exit status " + std::to_string(end_detail) + "), " + peak;
    case ChildEnd::kHung:
      return "hung and was killed, " + peak;
    case ChildEnd::kLeaked:
      return "leaked memory (see the LeakSanitizer report above), " + peak;
    case ChildEnd::kSetupFailed:
      return "could not prepare the conversion: " + setup_error;
  }
  return "?";
}

}  // namespace kalvenix::testing
