// A mutex, its scoped lock and a condition variable that clang's
// -Wthread-safety can follow (std::mutex carries no annotations in
// libstdc++), so that every member a Mutex guards is declared GUARDED_BY it.
// Thread-safety: thread-safe, as std::mutex.
#ifndef KALVENIX_CONVERTER_BASE_MUTEX_H_
#define KALVENIX_CONVERTER_BASE_MUTEX_H_

#include <condition_variable>
#include <mutex>

#include "converter/base/thread_annotations.h"

namespace quorvel {

class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock() ACQUIRE() { mutex_.lock(); }
  void Unlock() RELEASE() { mutex_.unlock(); }
  // Tells the analysis the caller holds the lock; checks nothing at run time.
  void AssertHeld() ASSERT_CAPABILITY(this) {}

 private:
  friend class CondVar;
  std::mutex mutex_;
};

class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex* mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_->Lock(); }
  ~MutexLock() RELEASE() { mutex_->Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex* const mutex_;
};

// Waits are plain (callers loop on their condition), so the condition is
// read where the analysis sees the lock held. The mutex is named at each
// wait, so that the analysis knows which one it is.
class CondVar {
 public:
  CondVar() = default;
  CondVar(const CondVar&) = delete;
  CondVar& operator=(const CondVar&) = delete;

  // Releases `mutex` while waiting and holds it again on return, which may
  // be spurious. Everyone waiting on one CondVar passes the same mutex.
  void Wait(Mutex* mutex) REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex->mutex_, std::adopt_lock);
    condition_.wait(lock);
    lock.release();  // still held, by the caller
  }
  void Signal() { condition_.notify_one(); }
  void SignalAll() { condition_.notify_all(); }

 private:
  std::condition_variable condition_;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_MUTEX_H_
