// A second thread lent to one conversion.
//
// The pipelines and the resampler take one of these, or null, from the caller
// instead of finding a thread themselves: whether a picture is worth two
// threads is the plan's decision (conversion_plan.h), and whose thread it is
// is the caller's business. The runner belongs to the caller and outlives the
// step it is handed to.
// Thread-safety: Run and Wait are called by the thread holding the runner.
#ifndef KALVENIX_CONVERTER_BASE_TASK_RUNNER_H_
#define KALVENIX_CONVERTER_BASE_TASK_RUNNER_H_

#include <functional>

namespace quorvel {

class TaskRunner {
 public:
  virtual ~TaskRunner() = default;
  // Starts `task` on the other thread. One task at a time: after Run, call
  // Wait before the next Run. `task` must not throw.
  virtual void Run(std::function<void()> task) = 0;
  // Returns once the task Run started has returned; at once when none was.
  virtual void Wait() = 0;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_TASK_RUNNER_H_
