// The converter's second core: one helper thread for the whole process.
//
// A conversion decodes on the caller's thread and hands the rest of the
// pipeline (colour, resampling, encoding) to this thread band by band, so a
// photo takes about the time of its slower half. The thread is started on
// first use and kept until the library is unloaded, since a batch converts
// hundreds of pictures and starting a thread per picture would cost each one.
// One conversion holds the worker at a time; another one that finds it busy
// does all its work on its own thread.
// Thread-safety: thread-safe.
#ifndef KALVENIX_CONVERTER_BAND_WORKER_H_
#define KALVENIX_CONVERTER_BAND_WORKER_H_

#include <functional>
#include <memory>

#include "converter/task_runner.h"

namespace quorvel {

class BandWorker {
 public:
  // The worker held for one conversion. Run gives it a task, Wait waits
  // for it; the destructor waits too before it lets the worker go.
  class Lease : public TaskRunner {
   public:
    explicit Lease(BandWorker* worker) : worker_(worker) {}
    ~Lease() override;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    void Run(std::function<void()> task) override;
    void Wait() override;

   private:
    friend class BandWorker;
    BandWorker* worker_;
    bool owns_ = false;  // the worker was free and is this conversion's
    bool running_ = false;
  };

  // The worker for this conversion, or null when another conversion holds
  // it or no thread could be started.
  static std::unique_ptr<Lease> TryAcquire();

  BandWorker();
  ~BandWorker();
  BandWorker(const BandWorker&) = delete;
  BandWorker& operator=(const BandWorker&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BAND_WORKER_H_
