#include "converter/band_worker.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace quorvel {

struct BandWorker::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable finished;
  std::function<void()> task;  // guarded by mutex
  bool has_task = false;
  bool stopping = false;
  bool held = false;           // a Lease exists
  std::thread thread;          // last: started once the rest is ready

  void Loop() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return has_task || stopping; });
      if (stopping) return;
      std::function<void()> current = std::move(task);
      lock.unlock();
      current();
      current = nullptr;
      lock.lock();
      has_task = false;
      finished.notify_all();
    }
  }
};

BandWorker::BandWorker() : state_(std::make_unique<State>()) {
  try {
    state_->thread = std::thread([s = state_.get()] { s->Loop(); });
  } catch (const std::system_error&) {
    // No thread: every conversion does its own work.
  }
}

BandWorker::~BandWorker() {
  if (!state_->thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopping = true;
  }
  state_->wake.notify_all();
  state_->thread.join();
}

std::unique_ptr<BandWorker::Lease> BandWorker::TryAcquire() {
  // Destroyed when the library is unloaded or the process exits; the thread
  // is idle then, since every Lease waits for its task.
  static BandWorker worker;
  State& s = *worker.state_;
  if (!s.thread.joinable()) return nullptr;
  auto lease = std::make_unique<Lease>(&worker);
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.held) return nullptr;
  s.held = true;
  lease->owns_ = true;
  return lease;
}

void BandWorker::Lease::Run(std::function<void()> task) {
  State& s = *worker_->state_;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.task = std::move(task);
    s.has_task = true;
  }
  running_ = true;
  s.wake.notify_one();
}

BandWorker::Lease::~Lease() {
  if (!owns_) return;
  State& s = *worker_->state_;
  std::unique_lock<std::mutex> lock(s.mutex);
  if (running_) s.finished.wait(lock, [&s] { return !s.has_task; });
  s.held = false;
}

}  // namespace quorvel
