// Failures around the destination: a folder that cannot be written (in ways
// root cannot bypass, since CI runs as root) and a disk that fills up while
// the output is written. Each must fail with an error, leave no file behind
// and leave an existing destination as it was.
//
// The small file systems are tmpfs mounts in a mount namespace private to
// this test process (mount_namespace.h); where it cannot be had the tests
// fail rather than skip.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "hostile_support.h"
#include "isolated_conversion.h"
#include "mount_namespace.h"

namespace hostile {
namespace {

constexpr int32_t kCannotWrite = 110;
constexpr int32_t kDiskFull = 111;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// A tmpfs over a folder, unmounted when the object goes.
class Tmpfs {
 public:
  Tmpfs(const std::string& folder, const std::string& options) : folder_(folder) {
    if (mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
      error_ = Errno("mount -t tmpfs -o " + options + " " + folder);
  }
  ~Tmpfs() {
    if (error_.empty()) umount2(folder_.c_str(), MNT_DETACH);
  }
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;

  const std::string& error() const { return error_; }
  std::string RemountReadOnly() {
    if (mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
              nullptr) != 0)
      return Errno("remount read-only");
    return {};
  }

 private:
  std::string folder_;
  std::string error_;
};

class DestinationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RegisterComponent(ComponentPath()), ""); }
  void SetUp() override { ASSERT_EQ(PrivateMountNamespaceError(), ""); }

  // Converts `source` to every type into destination_for(suffix) and expects
  // each to fail with `status` while `watched` stays exactly as it was.
  static void ExpectRefused(const std::string& source, int32_t box_width, int32_t box_height,
                            const std::function<std::string(const OutputType&)>& destination_for,
                            const std::string& watched, int32_t status) {
    for (const OutputType& type : kOutputTypes) {
      SCOPED_TRACE(type.suffix);
      const FolderContents before = ListFolder(watched);
      const ConvertOutcome outcome =
          ConvertOneIsolated({source, destination_for(type), box_width, box_height,
                              type.transparency, type.quality});
      EXPECT_TRUE(outcome.FailedCleanly()) << outcome.Describe();
      EXPECT_EQ(outcome.call.status, status) << outcome.Describe();
      const FolderContents after = ListFolder(watched);
      EXPECT_EQ(after, before) << DescribeDifference(before, after);
    }
  }
};

const std::string kSmallSource = "jpeg/testorig.jpg";
// 1165 x 859: every output type at its original size far exceeds 64 KiB.
const std::string kLargerSource = "bmp/harvesters.bmp";

TEST_F(DestinationTest, FolderThatDoesNotExistIsNotCreated) {
  KALVENIX_REQUIRE_TESTDATA();
  ScratchFolder folder;
  ExpectRefused(TestdataPath(kSmallSource), 160, 120,
                [&](const OutputType& t) {
                  return folder.Child("fehlt/bild.") + t.suffix;
                },
                folder.path(), kCannotWrite);
}

TEST_F(DestinationTest, PathThroughARegularFileLeavesTheFileAlone) {
  KALVENIX_REQUIRE_TESTDATA();
  ScratchFolder folder;
  ASSERT_TRUE(WriteFile(folder.Child("datei"), "not a folder"));
  ExpectRefused(TestdataPath(kSmallSource), 160, 120,
                [&](const OutputType& t) {
                  return folder.Child("datei/bild.") + t.suffix;
                },
                folder.path(), kCannotWrite);
}

TEST_F(DestinationTest, ReadOnlyFileSystemKeepsTheExistingDestination) {
  KALVENIX_REQUIRE_TESTDATA();
  ScratchFolder folder;
  Tmpfs tmpfs(folder.path(), "size=1m");
  ASSERT_EQ(tmpfs.error(), "");
  for (const OutputType& type : kOutputTypes)
    ASSERT_TRUE(WriteFile(folder.Child("bild.") + type.suffix, "an earlier conversion"));
  ASSERT_EQ(tmpfs.RemountReadOnly(), "");
  ExpectRefused(TestdataPath(kSmallSource), 160, 120,
                [&](const OutputType& t) { return folder.Child("bild.") + t.suffix; },
                folder.path(), kCannotWrite);
}

TEST_F(DestinationTest, FullDiskKeepsTheExistingDestination) {
  KALVENIX_REQUIRE_TESTDATA();
  ScratchFolder folder;
  Tmpfs tmpfs(folder.path(), "size=64k");
  ASSERT_EQ(tmpfs.error(), "");
  ASSERT_TRUE(WriteFile(folder.Child("andere Datei.txt"), "belongs to the user"));
  for (const OutputType& type : kOutputTypes)
    ASSERT_TRUE(WriteFile(folder.Child("bild.") + type.suffix, "an earlier conversion"));
  ExpectRefused(TestdataPath(kLargerSource), 0, 0,
                [&](const OutputType& t) { return folder.Child("bild.") + t.suffix; },
                folder.path(), kDiskFull);
}

TEST_F(DestinationTest, FullDiskLeavesNoFileWhereNoneWas) {
  KALVENIX_REQUIRE_TESTDATA();
  ScratchFolder folder;
  Tmpfs tmpfs(folder.path(), "size=64k");
  ASSERT_EQ(tmpfs.error(), "");
  ExpectRefused(TestdataPath(kLargerSource), 0, 0,
                [&](const OutputType& t) { return folder.Child("bild.") + t.suffix; },
                folder.path(), kDiskFull);
}

// The control: the same work on a file system with room succeeds, so the
// failures above come from the lack of space and nothing else.
TEST_F(DestinationTest, RoomyFileSystemTakesTheSameWork) {
  KALVENIX_REQUIRE_TESTDATA();
  ScratchFolder folder;
  Tmpfs tmpfs(folder.path(), "size=64m");
  ASSERT_EQ(tmpfs.error(), "");
  for (const OutputType& type : kOutputTypes) {
    SCOPED_TRACE(type.suffix);
    const std::string destination = folder.Child("bild.") + type.suffix;
    const ConvertOutcome outcome = ConvertOneIsolated(
        {TestdataPath(kLargerSource), destination, 0, 0, type.transparency, type.quality});
    ASSERT_TRUE(outcome.Succeeded()) << outcome.Describe();
    const Probe probe = ProbePicture(destination);
    EXPECT_TRUE(probe.ok) << probe.error;
    EXPECT_EQ(probe.width, 1165);
    EXPECT_EQ(probe.height, 859);
  }
}

}  // namespace
}  // namespace hostile
