#include "converter/file/same_file.h"

#include <string_view>

#include <dirent.h>
#include <sys/stat.h>

#include "converter/file/posix_identity.h"

namespace quorvel {
namespace {

struct DirCloser {
  DIR* dir;
  ~DirCloser() { closedir(dir); }
};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string_view NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string_view(path)
                                    : std::string_view(path).substr(slash + 1);
}

// ASCII only: the batch keeps the source's name and swaps only the suffix,
// and the suffixes are ASCII. Folding by the locale would make the answer
// depend on the host process's settings.
bool EqualButForAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A folder that cannot be listed counts as listing the name: the rule then
// rests on identity alone, as on any other file system.
bool FolderLists(const std::string& folder, std::string_view name) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return true;
  DirCloser closer{dir};
  while (const dirent* entry = readdir(dir)) {
    if (name == entry->d_name) return true;
  }
  return false;
}

bool SameFolder(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

OpenedSource OpenedSourceOf(const std::string& path, const struct stat& opened) {
  return {static_cast<uint64_t>(opened.st_dev), static_cast<uint64_t>(opened.st_ino), path};
}

bool IsSameFile(const struct stat& found, const OpenedSource& source) {
  return static_cast<uint64_t>(found.st_dev) == source.device &&
         static_cast<uint64_t>(found.st_ino) == source.inode;
}

bool NamesTheSource(const std::string& destination, const OpenedSource& source) {
  struct stat found {};
  if (stat(destination.c_str(), &found) != 0) return false;
  if (IsSameFile(found, source)) return true;
  if (static_cast<uint64_t>(found.st_dev) != source.device) return false;
  const std::string_view name = NameOf(destination);
  const std::string_view source_name = NameOf(source.path);
  if (!EqualButForAsciiCase(name, source_name)) return false;
  const std::string folder = FolderOf(destination);
  if (!SameFolder(folder, FolderOf(source.path))) return false;
  // One spelling in one folder is one name, whatever numbers a driver hands
  // out; two spellings are two files unless only one of them is listed.
  return name == source_name || !FolderLists(folder, name);
}

}  // namespace quorvel
