#include "converter/pipeline/band_worker.h"

#include <system_error>
#include <thread>

#include "converter/base/mutex.h"
#include "converter/base/thread_annotations.h"

namespace quorvel {

struct BandWorker::State {
  mutable Mutex mutex;
  CondVar wake;
  CondVar finished;
  std::function<void()> task GUARDED_BY(mutex);
  bool has_task GUARDED_BY(mutex) = false;
  bool stopping GUARDED_BY(mutex) = false;
  bool held GUARDED_BY(mutex) = false;  // a Lease exists
  std::thread thread GUARDED_BY(mutex);

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

BandWorker::BandWorker() : state_(std::make_unique<State>()) {}

BandWorker::~BandWorker() { Stop(); }

std::unique_ptr<BandWorker::Lease> BandWorker::TryAcquire() {
  State& s = *state_;
  MutexLock lock(&s.mutex);
  if (s.held) return nullptr;
  if (!s.thread.joinable()) {
    s.stopping = false;
    try {
      s.thread = std::thread([state = &s] { state->Loop(); });
    } catch (const std::system_error&) {
      return nullptr;  // no thread: the conversion does its own work
    }
  }
  std::unique_ptr<Lease> lease(new Lease(this));
  s.held = true;
  return lease;
}

void BandWorker::Stop() {
  State& s = *state_;
  std::thread ending;
  {
    MutexLock lock(&s.mutex);
    if (!s.thread.joinable()) return;
    s.stopping = true;
    ending = std::move(s.thread);
  }
  s.wake.SignalAll();
  ending.join();
}

bool BandWorker::running() const {
  MutexLock lock(&state_->mutex);
  return state_->thread.joinable();
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
  Wait();
  State& s = *worker_->state_;
  MutexLock lock(&s.mutex);
  s.held = false;
}

}  // namespace quorvel
