// What convert_bench needs of its system: the converter made and called as
// the batch does it (a new object per file, the source by value, the rest by
// reference), through our component runtime on Linux and COM on Windows;
// and the process's CPU time and peak memory.
// Thread-safety: the bench's one thread only.
#ifndef KALVENIX_BENCH_BENCH_CONVERTER_H_
#define KALVENIX_BENCH_BENCH_CONVERTER_H_

#include <cstdint>
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

Outcome ConvertWithNewObject(const Call& call);

double ProcessCpuMs();  // all threads
double PeakResidentMiB();

}  // namespace bench

#endif  // KALVENIX_BENCH_BENCH_CONVERTER_H_
