#include "test_files.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "testdata.h"

namespace kalvenix::testing {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  const std::string bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> ReadTestFile(const std::string& relative) {
  return ReadBytes(TestdataPath(relative));
}

std::vector<std::string> ListTestFolder(const std::string& relative) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(TestdataPath(relative), error))
    if (entry.is_regular_file(error)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return fs::exists(path, error);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

ScratchFolder::ScratchFolder() {
  // mkdtemp's way, in std::filesystem terms so that it works on Windows too.
  std::error_code error;
  const fs::path temp = fs::temp_directory_path(error);
  if (error) return;
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = temp / ("kalvenix-test-" + std::to_string(random()));
    if (fs::create_directory(candidate, error)) {
      fs::permissions(candidate, fs::perms::owner_all, error);
      path_ = candidate.string();
      return;
    }
    if (error) return;
  }
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code error;
  fs::remove_all(path_, error);
}

FolderContents ListFolder(const std::string& path) {
  FolderContents contents;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
    const std::string name = entry.path().filename().string();
    contents[name] = entry.is_directory(error) ? "<dir>" : ReadFile(entry.path().string());
  }
  return contents;
}

std::string DescribeDifference(const FolderContents& before, const FolderContents& after) {
  std::string out;
  for (const auto& [name, bytes] : after) {
    const auto old = before.find(name);
    if (old == before.end())
      out += "  new: " + name + " (" + std::to_string(bytes.size()) + " bytes)\n";
    else if (old->second != bytes)
      out += "  changed: " + name + "\n";
  }
  for (const auto& [name, bytes] : before) {
    if (!after.contains(name)) out += "  gone: " + name + "\n";
  }
  return out.empty() ? "  (none)\n" : out;
}

FileStamp StampOf(const std::string& path) {
  std::error_code error;
  const uintmax_t size = fs::file_size(path, error);
  if (error) return {};
  const fs::file_time_type modified = fs::last_write_time(path, error);
  if (error) return {};
  const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(
      modified.time_since_epoch());
  return FileStamp{true, static_cast<int64_t>(size), static_cast<int64_t>(since.count())};
}

}  // namespace kalvenix::testing
