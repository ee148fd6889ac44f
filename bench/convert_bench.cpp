// convert_bench: converts a list of files with Quorvel.so, the way the batch
// does it (a new object from "Dravimo.Compendium" per conversion, made while
// the previous one is still held, convertEx with the source by value and the
// rest by reference), and prints per-file and median times.
//
//   convert_bench [--type JPG|PNG|GIF|BMP] [--width 640] [--height 480]
//                 [--quality 100] [--transparency] [--repeat 5 | --once]
//                 [--out FOLDER] [--library PATH/Quorvel.so] FILE...
//
// Each file is converted once untimed (to warm caches), then --repeat times.
// --once converts each file a single time and times nothing: for comparing
// outputs, where the timed runs would only rewrite the same file.
// Besides wall time it prints the process's CPU time per conversion (all
// threads), which a busy machine distorts less.
// Outputs go to --out (default: a fresh folder under /tmp), named after the
// source with the type as suffix.
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/component_object.h"
#include "platform/owned_text.h"
#include "platform/owned_variant.h"
#include "platform/utf_text.h"

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
  if (o.library.empty()) {
    o.library = (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Quorvel.so");
  }
  if (o.out.empty()) {
    std::string pattern = "/tmp/convert_bench_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    o.out = pattern;
  }
  return o;
}

// As the batch: create; when that fails, run the library's own registration
// and create once more.
bool EnsureRegistered(const std::string& library) {
  kalvenix::ComponentObject probe;
  if (kalvenix::ComponentObject::Create("Dravimo.Compendium", &probe) == COMP_OK) return true;
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return false;
  }
  auto register_server = reinterpret_cast<CompRegisterServerFn>(dlsym(handle, COMP_REGISTER_EXPORT));
  const bool ok = register_server != nullptr && register_server() == COMP_OK;
  dlclose(handle);  // the runtime keeps its own reference once it loads it
  return ok && kalvenix::ComponentObject::Create("Dravimo.Compendium", &probe) == COMP_OK;
}

// CPU time of the whole process (all threads), in ms: on a busy machine the
// wall time says more about the neighbours than about the converter.
double ProcessCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Run {
  double ms = 0;
  double cpu_ms = 0;
  bool ok = false;
  int32_t width = 0;
  int32_t height = 0;
  std::string message;
};

// As the batch does: a fresh object for every conversion, created while the
// previous one is still held, which it then replaces. So the component sees
// what a batch shows it: its objects never all go between two pictures.
Run ConvertOnce(const Options& o, const std::string& source, const std::string& destination,
                kalvenix::ComponentObject* held) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = ProcessCpuMs();
  kalvenix::ComponentObject& object = *held;
  Run run;
  if (kalvenix::ComponentObject::Create("Dravimo.Compendium", &object) != COMP_OK) {
    run.message = "creation failed";
    return run;
  }
  kalvenix::OwnedText source_text(kalvenix::Utf8ToUtf16(source));
  kalvenix::OwnedText destination_text(kalvenix::Utf8ToUtf16(destination));
  int32_t width = o.width;
  int32_t height = o.height;
  CompBool transparency = o.transparency ? COMP_TRUE : COMP_FALSE;
  int32_t quality = o.quality;
  // As the batch calls it: the source by value, the rest by reference.
  CompVariant args[] = {kalvenix::TextArgument(source_text.get()),
                        kalvenix::TextReference(destination_text.storage()),
                        kalvenix::Int32Reference(&width),
                        kalvenix::Int32Reference(&height),
                        kalvenix::BoolReference(&transparency),
                        kalvenix::Int32Reference(&quality)};
  const kalvenix::CallOutcome outcome = object.Invoke("convertEx", args);
  run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count();
  run.cpu_ms = ProcessCpuMs() - cpu_start;
  run.ok = outcome.ok();
  run.width = width;
  run.height = height;
  if (!run.ok) {
    std::string message;
    for (char16_t c : outcome.message) message.push_back(c < 128 ? char(c) : '?');
    run.message = "status " + std::to_string(outcome.status) + ": " + message;
  }
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
  if (!EnsureRegistered(o.library)) {
    std::fprintf(stderr, "cannot register %s\n", o.library.c_str());
    return 1;
  }
  std::printf("%s %dx%d quality %d%s, %d runs per file, outputs in %s\n", o.type.c_str(),
              o.width, o.height, o.quality, o.transparency ? " transparency" : "",
              o.once ? 1 : o.repeat, o.out.c_str());
  kalvenix::ComponentObject held;  // the batch's one object at a time
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
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
  return all_ok ? 0 : 1;
}
