#include "converter/pipeline/converter_context.h"

#include <memory>
#include <new>

#include "converter/base/mutex.h"
#include "converter/base/thread_annotations.h"

namespace quorvel {
namespace {

class Library {
 public:
  ConverterContext* Enter() EXCLUDES(mutex_) {
    MutexLock lock(&mutex_);
    if (!context_) {
      try {
        context_ = std::make_unique<ConverterContext>();
      } catch (const std::bad_alloc&) {
        return nullptr;
      }
    }
    ++users_;
    return context_.get();
  }

  void Leave() EXCLUDES(mutex_) {
    MutexLock lock(&mutex_);
    // Joined under the lock, so that a new first object cannot reach the
    // worker before it has stopped. It is idle: no object, no conversion.
    if (--users_ == 0) {
      context_->worker().Stop();
      context_->buffers().Clear();
    }
  }

  bool InUse() EXCLUDES(mutex_) {
    MutexLock lock(&mutex_);
    return users_ > 0 || (context_ && context_->worker().running());
  }

 private:
  Mutex mutex_;
  unsigned users_ GUARDED_BY(mutex_) = 0;
  std::unique_ptr<ConverterContext> context_ GUARDED_BY(mutex_);
};

// Destroyed when the library is unloaded; by then no object exists, and its
// worker has stopped with the last of them.
Library library;

}  // namespace

ContextUse::ContextUse() noexcept : context_(library.Enter()) {}

ContextUse::~ContextUse() {
  if (context_ != nullptr) library.Leave();
}

bool ContextInUse() { return library.InUse(); }

}  // namespace quorvel
