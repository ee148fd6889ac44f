#include "test_files.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
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
  std::string pattern = (fs::temp_directory_path() / "kalvenix-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
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
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return FileStamp{true, static_cast<int64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

}  // namespace kalvenix::testing
