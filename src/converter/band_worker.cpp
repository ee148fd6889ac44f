#include "converter/band_worker.h"

#include <system_error>
#include <thread>

#include "converter/mutex.h"
#include "converter/thread_annotations.h"

namespace quorvel {

struct BandWorker::State {
  Mutex mutex;
  CondVar wake;
  CondVar finished;
  std::function<void()> task GUARDED_BY(mutex);
  bool has_task GUARDED_BY(mutex) = false;
  bool stopping GUARDED_BY(mutex) = false;
  bool held GUARDED_BY(mutex) = false;  // a Lease exists
  // Written only before anyone else can see this State.
  std::thread thread;  // last: started once the rest is ready

  void Loop() EXCLUDES(mutex) {
    mutex.Lock();
    for (;;) {
      while (!has_task && !stopping) wake.Wait(&mutex);
      if (stopping) break;
      std::function<void()> current = std::move(task);
      mutex.Unlock();
      current();
      current = nullptr;
      mutex.Lock();
      has_task = false;
      finished.SignalAll();
    }
    mutex.Unlock();
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
    MutexLock lock(&state_->mutex);
    state_->stopping = true;
  }
  state_->wake.SignalAll();
  state_->thread.join();
}

std::unique_ptr<BandWorker::Lease> BandWorker::TryAcquire() {
  // Destroyed when the library is unloaded or the process exits; the thread
  // is idle then, since every Lease waits for its task.
  static BandWorker worker;
  State& s = *worker.state_;
  if (!s.thread.joinable()) return nullptr;
  auto lease = std::make_unique<Lease>(&worker);
  MutexLock lock(&s.mutex);
  if (s.held) return nullptr;
  s.held = true;
  lease->owns_ = true;
  return lease;
}

void BandWorker::Lease::Run(std::function<void()> task) {
  State& s = *worker_->state_;
  {
    MutexLock lock(&s.mutex);
    s.task = std::move(task);
    s.has_task = true;
  }
  running_ = true;
  s.wake.Signal();
}

void BandWorker::Lease::Wait() {
  if (!running_) return;
  State& s = *worker_->state_;
  MutexLock lock(&s.mutex);
  while (s.has_task) s.finished.Wait(&s.mutex);
  running_ = false;
}

BandWorker::Lease::~Lease() {
  if (!owns_) return;
  Wait();
  State& s = *worker_->state_;
  MutexLock lock(&s.mutex);
  s.held = false;
}

}  // namespace quorvel
