// A memory card's file system ignores case: there "foto.jpg" converted to
// "JPG" has the source itself as its destination "foto.JPG", and writing it
// would destroy the original. The card is a FAT image made by mkfs.vfat and
// mounted through FUSE's fusefat (this kernel has no vfat driver), so every
// name goes through the kernel's path lookup. The FUSE driver also numbers
// files by the name looked up, the harder case for telling one file from
// two. Where the image cannot be made or mounted the tests fail, never skip.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <QBuffer>
#include <QImage>

#include "hostile_support.h"
#include "isolated_conversion.h"
#include "mount_namespace.h"

namespace hostile {
namespace {

constexpr int32_t kDestinationIsSource = 117;

// Runs a tool from the system folders; returns an empty string, or why it
// failed with what it printed.
std::string Run(const std::vector<std::string>& argv) {
  int out[2];
  if (pipe(out) != 0) return "pipe: " + std::string(std::strerror(errno));
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(out[1], STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  std::string printed;
  char buffer[512];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) printed.append(buffer, size_t(n));
  close(out[0]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return argv[0] + ": not started";
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  return argv[0] + " failed (status " + std::to_string(status) + "): " + printed;
}

// A fresh FAT image mounted on a folder by fusefat, which runs as a child
// that dies with this process; unmounted when the object goes.
class FatCard {
 public:
  FatCard() {
    image_ = folder_.Child("karte.img");
    mount_point_ = folder_.Child("karte");
    error_ = Make();
  }
  ~FatCard() {
    if (driver_ <= 0) return;
    umount2(mount_point_.c_str(), MNT_DETACH);
    kill(driver_, SIGTERM);
    waitpid(driver_, nullptr, 0);
  }
  FatCard(const FatCard&) = delete;
  FatCard& operator=(const FatCard&) = delete;

  const std::string& error() const { return error_; }
  std::string Child(const std::string& name) const { return mount_point_ + "/" + name; }
  const std::string& path() const { return mount_point_; }

 private:
  std::string Make() {
    if (folder_.path().empty()) return "no scratch folder";
    const int fd = open(image_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0 || ftruncate(fd, 8 << 20) != 0) {
      return "image: " + std::string(std::strerror(errno));
    }
    close(fd);
    if (std::string e = Run({"mkfs.vfat", image_}); !e.empty()) return e;
    if (mkdir(mount_point_.c_str(), 0755) != 0) {
      return "mkdir: " + std::string(std::strerror(errno));
    }
    struct stat empty {};
    stat(mount_point_.c_str(), &empty);
    driver_ = fork();
    if (driver_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
      execlp("fusefat", "fusefat", "-f", "-o", "rw+", image_.c_str(), mount_point_.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    if (driver_ < 0) return "fork: " + std::string(std::strerror(errno));
    // Mounted when the folder turns into the root of another device; a
    // driver that gives up ends, and that ends the wait too.
    for (;;) {
      int status = 0;
      if (waitpid(driver_, &status, WNOHANG) == driver_) {
        driver_ = 0;
        return "fusefat ended (status " + std::to_string(status) +
               "); is the package fusefat installed and /dev/fuse usable?";
      }
      struct stat now {};
      if (stat(mount_point_.c_str(), &now) == 0 && now.st_dev != empty.st_dev) return {};
      usleep(10000);
    }
  }

  ScratchFolder folder_;
  std::string image_;
  std::string mount_point_;
  pid_t driver_ = 0;
  std::string error_;
};

// A camera's picture, 800 x 600, as JPEG bytes.
std::string PhotoBytes() {
  QImage image(800, 600, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x % 256, 40, y % 256));
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 90);
  return bytes.toStdString();
}

class CaseFoldingTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RegisterComponent(ComponentPath()), ""); }
  void SetUp() override {
    ASSERT_EQ(PrivateMountNamespaceError(), "");
    ASSERT_EQ(card_.error(), "");
    photo_ = PhotoBytes();
    ASSERT_TRUE(WriteFile(card_.Child("foto.jpg"), photo_));
    // Without this the card would not be what the tests are about.
    struct stat folded {};
    ASSERT_EQ(stat(card_.Child("FOTO.JPG").c_str(), &folded), 0)
        << "the card's file system does not ignore case";
  }

  FatCard card_;
  std::string photo_;
};

TEST_F(CaseFoldingTest, SourceUnderItsOtherSpellingIsRefusedAndStays) {
  const FolderContents before = ListFolder(card_.path());
  for (const char* destination : {"foto.JPG", "FOTO.JPG", "Foto.jpg"}) {
    SCOPED_TRACE(destination);
    const ConvertOutcome outcome = ConvertOneIsolated(
        {card_.Child("foto.jpg"), card_.Child(destination), 640, 480, false, 85});
    EXPECT_TRUE(outcome.FailedCleanly()) << outcome.Describe();
    EXPECT_EQ(outcome.call.status, kDestinationIsSource) << outcome.Describe();
    EXPECT_EQ(outcome.call.message.rfind("Das Ziel ist die Quelldatei selbst", 0), 0u)
        << outcome.call.message;
    const FolderContents after = ListFolder(card_.path());
    EXPECT_TRUE(after == before) << DescribeDifference(before, after);
  }
  EXPECT_TRUE(ReadFile(card_.Child("foto.jpg")) == photo_);
}

// The refusal rests on the name, so it must not catch the card's other
// files: a new destination is written, and written again over itself.
TEST_F(CaseFoldingTest, OtherDestinationsOnTheCardAreWrittenAndReplaced) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const ConvertOutcome outcome =
        ConvertOneIsolated({card_.Child("foto.jpg"), card_.Child("foto.PNG"), 640, 480});
    ASSERT_TRUE(outcome.Succeeded()) << outcome.Describe();
    const Probe probe = ProbePicture(card_.Child("foto.PNG"));
    EXPECT_EQ(probe.format, "png") << probe.error;
    EXPECT_EQ(probe.width, 640);
    EXPECT_EQ(probe.height, 480);
  }
  EXPECT_TRUE(ReadFile(card_.Child("foto.jpg")) == photo_);
  const FolderContents now = ListFolder(card_.path());
  EXPECT_EQ(now.size(), 2u) << DescribeDifference({}, now);
}

}  // namespace
}  // namespace hostile
