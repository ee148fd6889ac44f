// Replays files through a fuzz target without libFuzzer, so the ordinary
// build (gcc, with or without sanitizers) runs the seed corpus and the saved
// reproducers as tests.
//
// Usage: fuzz_<target> [--max-bytes=N] [--testdata=FOLDER] [PATH...]
//   PATH: files, or folders walked recursively; --max-bytes skips larger
//   files (for slow replays such as under valgrind); --testdata names the
//   shared test pictures, which live outside the project.
// A crash or a sanitizer report ends the process like a libFuzzer crash would;
// a PATH that does not exist is an error, so a mistyped path cannot make the
// test pass on nothing. Missing test pictures end the replay with ctest's
// skip code after the other paths (an error under CI=true).
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "testdata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

// A buffer of exactly the file's size, so reading one byte past the end is
// caught by AddressSanitizer as it is under libFuzzer.
bool ReadWholeFile(const fs::path& path, std::unique_ptr<uint8_t[]>* out, size_t* size) {
  std::error_code ec;
  const uintmax_t bytes = fs::file_size(path, ec);
  if (ec) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  *size = static_cast<size_t>(bytes);
  *out = std::make_unique_for_overwrite<uint8_t[]>(*size);
  in.read(reinterpret_cast<char*>(out->get()), static_cast<std::streamsize>(*size));
  return in.gcount() == static_cast<std::streamsize>(*size);
}

// Sorted, so a failing run names the same input every time.
bool CollectInputs(const fs::path& root, uintmax_t max_bytes, std::vector<fs::path>* inputs) {
  std::error_code ec;
  if (fs::is_regular_file(root, ec)) {
    inputs->push_back(root);
    return true;
  }
  if (!fs::is_directory(root, ec)) return false;
  std::vector<fs::path> found;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && it->file_size(ec) <= max_bytes) found.push_back(it->path());
  }
  if (ec) return false;
  std::sort(found.begin(), found.end());
  inputs->insert(inputs->end(), found.begin(), found.end());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr std::string_view kMaxBytes = "--max-bytes=";
  constexpr std::string_view kTestdata = "--testdata=";
  uintmax_t max_bytes = UINTMAX_MAX;
  std::vector<std::string> paths;
  std::string missing_testdata;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with(kMaxBytes)) {
      max_bytes = std::strtoumax(argv[i] + kMaxBytes.size(), nullptr, 10);
    } else if (arg.starts_with(kTestdata)) {
      const std::string folder(arg.substr(kTestdata.size()));
      missing_testdata = kalvenix::testing::MissingTestdataReason(folder);
      if (missing_testdata.empty()) paths.push_back(folder);
    } else {
      paths.emplace_back(arg);
    }
  }
  if (paths.empty() && missing_testdata.empty()) {
    std::fprintf(stderr, "usage: %s [--max-bytes=N] [--testdata=FOLDER] [FILE_OR_FOLDER...]\n",
                 argv[0]);
    return 2;
  }
  std::vector<fs::path> inputs;
  for (const std::string& path : paths) {
    if (!CollectInputs(path, max_bytes, &inputs)) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 2;
    }
  }

  double slowest_ms = 0;
  std::string slowest;
  for (const fs::path& path : inputs) {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
    if (!ReadWholeFile(path, &data, &size)) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 2;
    }
    // Printed first, so the input that crashes is the last line before the report.
    std::fprintf(stderr, "replay %s\n", path.c_str());
    const auto start = std::chrono::steady_clock::now();
    LLVMFuzzerTestOneInput(data.get(), size);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (ms > slowest_ms) {
      slowest_ms = ms;
      slowest = path.string();
    }
  }
  std::printf("replayed %zu inputs; slowest %.1f ms: %s\n", inputs.size(), slowest_ms,
              slowest.c_str());
  if (!missing_testdata.empty()) {
    std::printf("%s\n", missing_testdata.c_str());
    return kalvenix::testing::TestdataRequired() ? 2 : kalvenix::testing::kSkipExitCode;
  }
  return 0;
}
