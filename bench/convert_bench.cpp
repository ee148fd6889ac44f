// convert_bench: converts a list of files with Quorvel.so (Quorvel.dll
// through COM on Windows), the way the batch does it (a new object from
// "Dravimo.Compendium" per conversion, made while the previous one is still
// held, convertEx with the source by value and the rest by reference), and
// prints per-file and median times.
//
//   convert_bench [--type JPG|PNG|GIF|BMP] [--width 640] [--height 480]
//                 [--quality 100] [--transparency] [--repeat 5 | --once]
//                 [--out FOLDER] [--library PATH/Quorvel.so|.dll] FILE...
//
// Each file is converted once untimed (to warm caches), then --repeat times.
// --once converts each file a single time and times nothing: for comparing
// outputs, where the timed runs would only rewrite the same file.
// Besides wall time it prints the process's CPU time per conversion (all
// threads), which a busy machine distorts less.
// Outputs go to --out (default: a fresh temporary folder), named after the
// source with the type as suffix.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_converter.h"

namespace {

struct Options {
  std::string type = "JPG";
  int32_t width = 640;
  int32_t height = 480;
  int32_t quality = 100;
  bool transparency = false;
  int repeat = 5;
  bool once = false;
  std::string out;
  std::string library;
  std::vector<std::string> files;
};

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: convert_bench [--type JPG|PNG|GIF|BMP] [--width N] [--height N]\n"
               "                     [--quality N] [--transparency] [--repeat N | --once]\n"
               "                     [--out FOLDER] [--library PATH] FILE...\n");
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage();
      return argv[++i];
    };
    if (a == "--type") o.type = value();
    else if (a == "--width") o.width = std::atoi(value().c_str());
    else if (a == "--height") o.height = std::atoi(value().c_str());
    else if (a == "--quality") o.quality = std::atoi(value().c_str());
    else if (a == "--transparency") o.transparency = true;
    else if (a == "--repeat") o.repeat = std::max(1, std::atoi(value().c_str()));
    else if (a == "--once") o.once = true;
    else if (a == "--out") o.out = value();
    else if (a == "--library") o.library = value();
    else if (!a.empty() && a[0] == '-') Usage();
    else o.files.push_back(a);
  }
  if (o.files.empty()) Usage();
  if (o.library.empty()) o.library = bench::DefaultLibrary();
  if (o.out.empty()) {
    o.out = bench::NewOutputFolder();
    if (o.out.empty()) std::exit(1);
  }
  return o;
}

struct Run {
  double ms = 0;
  double cpu_ms = 0;
  bool ok = false;
  int32_t width = 0;
  int32_t height = 0;
  std::string message;
};

Run ConvertOnce(const Options& o, const std::string& source, const std::string& destination,
                bench::HeldObject* held) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = bench::ProcessCpuMs();
  const bench::Outcome outcome = bench::ConvertWithNewObject(
      {source, destination, o.width, o.height, o.transparency, o.quality}, held);
  Run run;
  run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count();
  run.cpu_ms = bench::ProcessCpuMs() - cpu_start;
  run.ok = outcome.ok;
  run.width = outcome.width;
  run.height = outcome.height;
  run.message = outcome.message;
  return run;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = ParseOptions(argc, argv);
  if (!bench::EnsureRegistered(o.library)) {
    std::fprintf(stderr, "cannot register %s\n", o.library.c_str());
    return 1;
  }
  std::printf("%s %dx%d quality %d%s, %d runs per file, outputs in %s\n", o.type.c_str(),
              o.width, o.height, o.quality, o.transparency ? " transparency" : "",
              o.once ? 1 : o.repeat, o.out.c_str());
  bench::HeldObject held;  // the batch's one object at a time
  std::vector<double> file_medians;
  std::vector<double> file_cpu_medians;
  bool all_ok = true;
  for (const std::string& source : o.files) {
    const std::string destination =
        o.out + "/" + std::filesystem::path(source).stem().string() + "." + o.type;
    Run run = ConvertOnce(o, source, destination, &held);  // warm-up
    std::vector<double> times;
    std::vector<double> cpu_times;
    for (int i = 0; i < o.repeat && run.ok && !o.once; ++i) {
      run = ConvertOnce(o, source, destination, &held);
      times.push_back(run.ms);
      cpu_times.push_back(run.cpu_ms);
    }
    const std::string name = std::filesystem::path(source).filename().string();
    if (!run.ok) {
      std::printf("%-40s FAILED %s\n", name.c_str(), run.message.c_str());
      all_ok = false;
      continue;
    }
    if (o.once) {
      std::printf("%-36s %5dx%-5d %9ju bytes\n", name.c_str(), run.width, run.height,
                  static_cast<uintmax_t>(std::filesystem::file_size(destination)));
      continue;
    }
    const double median = Median(times);
    file_medians.push_back(median);
    file_cpu_medians.push_back(Median(cpu_times));
    std::printf("%-36s %5dx%-5d %9ju bytes  median %8.2f ms  min %8.2f ms  cpu %8.2f ms\n",
                name.c_str(), run.width, run.height,
                static_cast<uintmax_t>(std::filesystem::file_size(destination)), median,
                *std::min_element(times.begin(), times.end()), Median(cpu_times));
  }
  if (!file_medians.empty()) {
    std::printf("median per image over %zu files: %.2f ms (cpu %.2f ms)\n", file_medians.size(),
                Median(file_medians), Median(file_cpu_medians));
  }
  std::printf("peak resident memory: %.1f MiB\n", bench::PeakResidentMiB());
  return all_ok ? 0 : 1;
}
