// What the hostile-input tests share: the test pictures' manifest, scratch
// folders and their contents, and an independent look at a written picture.
// Thread-safety: none needed; tests run on one thread.
#ifndef KALVENIX_TESTS_CONVERTER_HOSTILE_SUPPORT_H_
#define KALVENIX_TESTS_CONVERTER_HOSTILE_SUPPORT_H_

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "testdata.h"

namespace hostile {

// The shared test pictures (a test reading them starts with
// KALVENIX_REQUIRE_TESTDATA()) and the built component, fixed at configure time.
using kalvenix::testing::TestdataPath;
std::string RegressionPath(const std::string& relative);  // in fuzz/regressions
std::string ComponentPath();

// One line of manifest.tsv; width and height are 0 where it has "-".
struct ManifestEntry {
  std::string path;  // relative to the test pictures' folder
  int32_t width = 0;
  int32_t height = 0;
  std::string expect;  // "decode", "reject" or "either"
  std::string note;
};
std::vector<ManifestEntry> ReadManifest();
// Names the file in a failing test's parameter line.
void PrintTo(const ManifestEntry& entry, std::ostream* out);

// The four output types as the batch passes them: the suffix of cmbType's
// entry, the transparency only for GIF, a quality only for JPG.
struct OutputType {
  const char* suffix;
  bool transparency;
  int32_t quality;
};
inline constexpr OutputType kOutputTypes[] = {
    {"BMP", false, 100}, {"GIF", true, 100}, {"JPG", false, 85}, {"PNG", false, 100}};

// A test name made of the text's letters and digits, the rest as '_'.
std::string IdentifierFrom(const std::string& text);

// A fresh empty folder under the test's temporary folder, removed with all it
// holds when the object goes.
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

bool WriteFile(const std::string& path, const std::string& bytes);
// A small sound JPEG made here, for tests whose source need not be a real photo.
std::string MadeJpeg();
std::string ReadFile(const std::string& path);

// Every entry of a folder (not recursive) with its bytes; a folder is listed
// with "<dir>" as its bytes.
using FolderContents = std::map<std::string, std::string>;
FolderContents ListFolder(const std::string& path);
std::string DescribeDifference(const FolderContents& before, const FolderContents& after);

// Size and modification time, to prove a source was not touched.
struct FileStamp {
  bool exists = false;
  int64_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// A written picture read completely by Qt's decoders, which share no code
// with the converter's readers.
struct Probe {
  bool ok = false;
  std::string format;  // "bmp", "gif", "jpeg" or "png", from the content
  int32_t width = 0;
  int32_t height = 0;
  std::string error;
};
Probe ProbePicture(const std::string& path);

// The size a width x height picture gets when fitted into the box, up or
// down, keeping its aspect ratio; a box side of 0 or less is free.
struct Size {
  int32_t width = 0;
  int32_t height = 0;
};
Size FittedSize(int32_t width, int32_t height, int32_t box_width, int32_t box_height);

// True when the two sizes differ by at most one pixel per side: how the side
// the box does not decide is rounded is the converter's choice.
bool NearlyEqual(Size a, Size b);

}  // namespace hostile

#endif  // KALVENIX_TESTS_CONVERTER_HOSTILE_SUPPORT_H_
