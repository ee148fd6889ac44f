// What convert_bench needs of its system: the converter made and called as
// the batch does it (a new object per conversion, made while the previous one
// is still held, the source by value, the rest by reference), through our component runtime on Linux and COM on Windows;
// and the process's CPU time and peak memory.
// Thread-safety: the bench's one thread only.
#ifndef KALVENIX_BENCH_BENCH_CONVERTER_H_
#define KALVENIX_BENCH_BENCH_CONVERTER_H_

#include <cstdint>
#include <memory>
#include <string>

namespace bench {

struct Call {
  std::string source;       // UTF-8
  std::string destination;  // UTF-8
  int32_t width;
  int32_t height;
  bool transparency;
  int32_t quality;
};

struct Outcome {
  bool ok = false;
  int32_t width = 0;  // written back by reference
  int32_t height = 0;
  std::string message;  // why it failed
};

// The converter library beside the bench's executable.
std::string DefaultLibrary();
// A fresh folder for the outputs; empty (after saying why) when none can be made.
std::string NewOutputFolder();

// As the batch: create; when that fails, run the library's own
// registration and create once more.
bool EnsureRegistered(const std::string& library);

// The batch's one object at a time. Each conversion makes a fresh object
// while the previous one is still held, and then replaces it; so the
// component's objects never all go between two pictures, as in a batch.
class HeldObject {
 public:
  HeldObject();
  ~HeldObject();
  HeldObject(const HeldObject&) = delete;
  HeldObject& operator=(const HeldObject&) = delete;

  struct Object;  // the system's handle on one converter object
  std::unique_ptr<Object> object;
};

Outcome ConvertWithNewObject(const Call& call, HeldObject* held);

double ProcessCpuMs();  // all threads
double PeakResidentMiB();

}  // namespace bench

#endif  // KALVENIX_BENCH_BENCH_CONVERTER_H_
