// The writer's cases that need POSIX: permissions, a read-only file system,
// a full tmpfs, a FIFO, and the swap at the last moment.
#include "converter/file/atomic_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "converter/file/source_file.h"
#include "picture_checks.h"

// Runs once, right before the writer's next renameat2 with these flags:
// the moment between its last look at the destination and putting the new
// file there, which no real timing hits reliably.
namespace {
unsigned int g_hook_flags = 0;
std::function<void()> g_before_rename;
}  // namespace

// The writer is linked statically into this test, so this takes the place of
// glibc's wrapper for it.
extern "C" int renameat2(int old_folder, const char* old_path, int new_folder,
                         const char* new_path, unsigned int flags) noexcept {
  if (g_before_rename && flags == g_hook_flags) std::exchange(g_before_rename, nullptr)();
  return static_cast<int>(
      syscall(SYS_renameat2, old_folder, old_path, new_folder, new_path, flags));
}

namespace quorvel {
namespace {

using testing::FolderEntries;
using testing::ReadBytes;

class AtomicFilePosixTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.empty()); }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  static void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  testing::ScratchFolder scratch_;
  const std::string folder_ = scratch_.path();
};

const std::vector<uint8_t> kBytes = {'n', 'e', 'u', 0, 1, 2};

TEST_F(AtomicFilePosixTest, ReplacesAnExistingFileKeepingItsPermissions) {
  WriteText(Path("a.PNG"), "old content, longer than the new one");
  ASSERT_EQ(chmod(Path("a.PNG").c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(Path("a.PNG"), kBytes).ok());
  EXPECT_EQ(ReadBytes(Path("a.PNG")), kBytes);
  struct stat st {};
  ASSERT_EQ(stat(Path("a.PNG").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"a.PNG"});
}

TEST_F(AtomicFilePosixTest, UnwritableFolderFailsCleanly) {
  // The permission bits do not stop root, so use a folder on a read-only
  // file system when the test runs as root.
  const std::string target = geteuid() == 0 ? "/proc/quorvel_test.PNG" : Path("ro/a.PNG");
  if (geteuid() != 0) {
    ASSERT_EQ(mkdir(Path("ro").c_str(), 0555), 0);
  }
  EXPECT_EQ(WriteFileAtomically(target, kBytes).code, Error::kCannotWrite);
  EXPECT_FALSE(testing::FileExists(target));
  if (geteuid() != 0) {
    EXPECT_TRUE(FolderEntries(Path("ro")).empty());
  }
}

// A full disk, on a tmpfs of 64 KiB mounted in a mount namespace of a child
// process (as root directly, otherwise inside a user namespace).
TEST_F(AtomicFilePosixTest, FullDiskIsReportedAndTheOldFileSurvives) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) _exit(10);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(11);
    if (mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") != 0) _exit(12);
    const std::string path = Path("a.JPG");
    WriteText(path, "old");
    const std::vector<uint8_t> big(256 * 1024, 7);
    const Status status = WriteFileAtomically(path, big);
    if (status.code != Error::kDiskFull) _exit(13);
    if (ReadBytes(path) != std::vector<uint8_t>{'o', 'l', 'd'}) _exit(14);
    if (FolderEntries(folder_) != std::vector<std::string>{"a.JPG"}) _exit(15);
    _exit(0);
  }
  int wstatus = 0;
  ASSERT_EQ(waitpid(child, &wstatus, 0), child);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0) << "10-12: no tmpfs could be mounted, 13: wrong code, "
                                        "14: old file damaged, 15: temporary left behind";
}

TEST_F(AtomicFilePosixTest, SourceThatIsAFifoIsRefused) {
  std::vector<uint8_t> bytes;
  ASSERT_EQ(mkfifo(Path("fifo.jpg").c_str(), 0644), 0);
  EXPECT_EQ(ReadSourceFile(Path("fifo.jpg"), &bytes).code, Error::kCannotRead);
}

// The destination becomes the source after the writer's last look: the
// source is moved onto it, or linked where it was free, or a folder appears
// there. Whatever was swapped out of the destination is checked and put back.
TEST_F(AtomicFilePosixTest, DestinationBecomingTheSourceAtTheLastMomentIsPutBack) {
  struct Race {
    const char* what;
    bool destination_exists;
    unsigned int at_flags;
    std::function<void(const std::string& source, const std::string& destination)> change;
    Error expected;
    std::vector<std::string> names_after;
  };
  const Race races[] = {
      {"source moved onto the destination", true, RENAME_EXCHANGE,
       [](const std::string& s, const std::string& d) {
         ASSERT_EQ(rename(s.c_str(), d.c_str()), 0);
       },
       Error::kDestinationIsSource, {"DSC0001.JPG"}},
      {"source linked where the destination was free", false, RENAME_NOREPLACE,
       [](const std::string& s, const std::string& d) {
         ASSERT_EQ(link(s.c_str(), d.c_str()), 0);
       },
       Error::kDestinationIsSource, {"DSC0001.JPG", "DSC0001.jpg"}},
      {"folder made at the destination", true, RENAME_EXCHANGE,
       [](const std::string&, const std::string& d) {
         ASSERT_EQ(unlink(d.c_str()), 0);
         ASSERT_EQ(mkdir(d.c_str(), 0755), 0);
       },
       Error::kCannotWrite, {"DSC0001.JPG", "DSC0001.jpg"}},
  };
  for (const Race& race : races) {
    SCOPED_TRACE(race.what);
    std::filesystem::remove_all(folder_);
    ASSERT_EQ(mkdir(folder_.c_str(), 0700), 0);
    const std::string source = Path("DSC0001.jpg");
    const std::string destination = Path("DSC0001.JPG");
    WriteText(source, "original");
    if (race.destination_exists) WriteText(destination, "earlier conversion");
    SourceFile file;
    ASSERT_TRUE(file.Open(source).ok());
    g_hook_flags = race.at_flags;
    g_before_rename = [&] { race.change(source, destination); };
    const Status status = WriteFileAtomically(destination, kBytes, &file.opened());
    EXPECT_FALSE(g_before_rename) << "the writer never reached the rename";
    g_before_rename = nullptr;
    EXPECT_EQ(status.code, race.expected) << status.context;
    EXPECT_EQ(FolderEntries(folder_), race.names_after);
    if (race.expected == Error::kDestinationIsSource) {
      const std::vector<uint8_t> content = ReadBytes(destination);
      EXPECT_EQ(std::string(content.begin(), content.end()), "original");
    } else {
      EXPECT_TRUE(std::filesystem::is_directory(destination));
    }
  }
}

}  // namespace
}  // namespace quorvel
