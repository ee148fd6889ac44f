// The converter's second core: one helper thread, owned by the converter
// context.
//
// A conversion decodes on the caller's thread and hands the rest of the
// pipeline (colour, resampling, encoding) to this thread band by band, so a
// photo takes about the time of its slower half. The thread starts when a
// conversion first asks for it and ends at Stop or destruction, which the
// context calls when the component's last object is released. One conversion
// holds the worker at a time; another one that finds it busy does all its
// work on its own thread.
// Thread-safety: thread-safe.
#ifndef KALVENIX_CONVERTER_PIPELINE_BAND_WORKER_H_
#define KALVENIX_CONVERTER_PIPELINE_BAND_WORKER_H_

#include <functional>
#include <memory>

#include "converter/base/task_runner.h"

namespace quorvel {

class BandWorker {
 public:
  // The worker held for one conversion. Run gives it a task, Wait waits
  // for it; the destructor waits too before it lets the worker go.
  class Lease : public TaskRunner {
   public:
    ~Lease() override;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    void Run(std::function<void()> task) override;
    void Wait() override;

   private:
    friend class BandWorker;
    explicit Lease(BandWorker* worker) : worker_(worker) {}
    BandWorker* worker_;
    bool running_ = false;
  };

  BandWorker();
  // Stops the thread; no Lease may outlive the worker.
  ~BandWorker();
  BandWorker(const BandWorker&) = delete;
  BandWorker& operator=(const BandWorker&) = delete;

  // The worker for this conversion, starting its thread if none runs; null
  // when another conversion holds it or no thread could be started.
  std::unique_ptr<Lease> TryAcquire();

  // Ends the thread and waits for it. A later TryAcquire starts a new one.
  // Must not be called while a Lease exists.
  void Stop();

  // Whether the thread is running now.
  bool running() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_PIPELINE_BAND_WORKER_H_
