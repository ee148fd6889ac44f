// Files for tests: reading them whole, writing them, scratch folders, and
// snapshots of a folder to prove what a conversion did or did not change.
// Reads return empty when the file cannot be read; a test that needs the
// bytes checks for that. Thread-safety: none needed; tests run on one thread.
#ifndef KALVENIX_TESTS_SUPPORT_TEST_FILES_H_
#define KALVENIX_TESTS_SUPPORT_TEST_FILES_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kalvenix::testing {

std::vector<uint8_t> ReadBytes(const std::string& path);
std::string ReadFile(const std::string& path);

// A file below the shared test pictures (the test starts with
// KALVENIX_REQUIRE_TESTDATA()).
std::vector<uint8_t> ReadTestFile(const std::string& relative);

// The regular files' names (not paths) in a test picture folder, sorted; none
// when it cannot be read, since suites list it before any guard runs.
std::vector<std::string> ListTestFolder(const std::string& relative);

bool WriteFile(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);

// Every entry's name in a folder, sorted; none when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// A fresh empty folder under the system's temporary folder, removed with all
// it holds when the object goes. The path is empty if it could not be made.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string Child(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Every entry of a folder (not recursive) with its bytes; a folder is listed
// with "<dir>" as its bytes.
using FolderContents = std::map<std::string, std::string>;
FolderContents ListFolder(const std::string& path);
// "new", "changed" and "gone" lines, for a failure message.
std::string DescribeDifference(const FolderContents& before, const FolderContents& after);

// Size and modification time, to prove a source was not touched.
struct FileStamp {
  bool exists = false;
  int64_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

}  // namespace kalvenix::testing

#endif  // KALVENIX_TESTS_SUPPORT_TEST_FILES_H_
