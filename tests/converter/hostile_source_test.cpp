// Sources that fight back: a header declaring a size far beyond the limits,
// a source that is no regular file, and a source that changes while the
// converter reads it. Each conversion runs in a child process of its own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "hostile_support.h"
#include "isolated_conversion.h"

namespace hostile {
namespace {

// CPU time of the call in the child: generous for a header under the
// sanitizers, while a decode of the declared size would take minutes.
constexpr double kHeaderCpuMs = 200;
// Allocator and sanitizer bookkeeping may cost a few MiB; a pixel buffer for
// any of these headers would cost gigabytes.
constexpr long kHeaderPeakKib = 16 * 1024;
constexpr double kHostileCpuMs = 2000;
constexpr long kHostilePeakKib = 512 * 1024;

template <typename Param>
class RegisteredTest : public testing::TestWithParam<Param> {
 public:
  static void SetUpTestSuite() { ASSERT_EQ(RegisterComponent(ComponentPath()), ""); }
};

// Ends a helper process however the test leaves.
class ChildProcess {
 public:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  ~ChildProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_;
};

std::string NameFor(const std::string& stem, const OutputType& type) {
  return stem + "." + type.suffix;
}

// ---- A size beyond the limits, declared in a small file ---------------------

class HugeHeaderTest : public RegisteredTest<std::string> {};

TEST_P(HugeHeaderTest, IsRefusedFromTheHeaderAtOnce) {
  const std::string& source = GetParam();
  // The reproducers in fuzz/regressions need no shared pictures.
  if (source.starts_with(kalvenix::testing::TestdataDir() + "/")) KALVENIX_REQUIRE_TESTDATA();
  const Size boxes[] = {{160, 120}, {0, 0}};
  ScratchFolder sources;
  const std::string warm_source = sources.Child("warm.jpg");
  ASSERT_TRUE(WriteFile(warm_source, MadeJpeg()));
  double slowest_cpu_ms = 0;
  long largest_peak_kib = 0;
  for (const Size box : boxes) {
    for (const OutputType& type : kOutputTypes) {
      SCOPED_TRACE(std::string(type.suffix) + " into " + std::to_string(box.width) + "x" +
                   std::to_string(box.height));
      ScratchFolder folder;
      // A small picture first: the header's cost alone is what is measured.
      const auto warm_up = [&folder, &type, &warm_source]() -> std::string {
        const std::string warm = folder.Child(NameFor("warm", type));
        const int32_t status =
            ConvertEx({warm_source, warm, 160, 120, type.transparency, type.quality}).status;
        unlink(warm.c_str());
        return status == 0 ? "" : "the warm-up conversion failed with " + std::to_string(status);
      };
      const ConvertOutcome outcome = ConvertOneIsolated(
          {source, folder.Child(NameFor("huge", type)), box.width, box.height, type.transparency,
           type.quality},
          warm_up);
      EXPECT_TRUE(outcome.FailedCleanly()) << outcome.Describe();
      EXPECT_LT(outcome.call.cpu_ms, kHeaderCpuMs) << outcome.Describe();
      EXPECT_LT(outcome.peak_kib, kHeaderPeakKib) << outcome.Describe();
      EXPECT_EQ(ListFolder(folder.path()), FolderContents{});
      slowest_cpu_ms = std::max(slowest_cpu_ms, outcome.call.cpu_ms);
      largest_peak_kib = std::max(largest_peak_kib, outcome.peak_kib);
    }
  }
  RecordProperty("slowest_cpu_ms", static_cast<int>(slowest_cpu_ms));
  RecordProperty("largest_peak_kib", static_cast<int>(largest_peak_kib));
}

std::string FileNameOf(const testing::TestParamInfo<std::string>& info) {
  return IdentifierFrom(info.param.substr(info.param.find_last_of('/') + 1));
}

// Each declares well over 256 megapixels in a few kilobytes of real data.
INSTANTIATE_TEST_SUITE_P(Testdata, HugeHeaderTest,
                         testing::Values(TestdataPath("hostile/made/huge-dims-65500.jpg"),
                                         TestdataPath("hostile/made/huge-dims-2147483647.png"),
                                         TestdataPath("hostile/made/huge-dims-65535.gif"),
                                         TestdataPath("hostile/made/huge-dims-1000000.bmp"),
                                         TestdataPath("bmpsuite/b/reallybig.bmp")),
                         FileNameOf);

// Each declares 256 megapixels, within the limit, in a few dozen bytes: all
// but a pixel would be blank, which costs the data nothing and the
// converter seconds and a gigabyte.
INSTANTIATE_TEST_SUITE_P(Blank, HugeHeaderTest,
                         testing::Values(RegressionPath("gif/screen-16000-frame-1x1.gif"),
                                         RegressionPath("bmp/rle8-16000-end-at-once.bmp")),
                         FileNameOf);

// ---- Sources that are no regular file ---------------------------------------

struct OddSource {
  const char* name;
  // Makes the source in the given folder and returns its path.
  std::function<std::string(const ScratchFolder&)> make;
};

const OddSource kOddSources[] = {
    {"deleted before the call",
     [](const ScratchFolder& f) {
       const std::string path = f.Child("weg.jpg");
       WriteFile(path, MadeJpeg());
       unlink(path.c_str());
       return path;
     }},
    {"a folder", [](const ScratchFolder& f) {
       const std::string path = f.Child("ordner.jpg");
       mkdir(path.c_str(), 0755);
       return path;
     }},
    // Opening a pipe nobody writes to blocks for ever unless the reader
    // refuses what is no regular file.
    {"a pipe without writer", [](const ScratchFolder& f) {
       const std::string path = f.Child("rohr.png");
       mkfifo(path.c_str(), 0644);
       return path;
     }},
    // Endless: a reader that reads to the end never stops allocating.
    {"an endless device of zeros", [](const ScratchFolder&) { return std::string("/dev/zero"); }},
    {"an endless device of noise", [](const ScratchFolder&) { return std::string("/dev/urandom"); }},
    {"an empty path", [](const ScratchFolder&) { return std::string(); }},
};

class OddSourceTest : public RegisteredTest<OddSource> {};

TEST_P(OddSourceTest, FailsCleanlyAndQuickly) {
  for (const OutputType& type : kOutputTypes) {
    SCOPED_TRACE(type.suffix);
    ScratchFolder sources;
    ScratchFolder folder;
    const std::string source = GetParam().make(sources);
    const ConvertOutcome outcome = ConvertOneIsolated(
        {source, folder.Child(NameFor("ziel", type)), 160, 120, type.transparency, type.quality},
        {});
    EXPECT_TRUE(outcome.FailedCleanly()) << outcome.Describe();
    EXPECT_NE(outcome.call.message, "");
    EXPECT_LT(outcome.call.cpu_ms, kHostileCpuMs) << outcome.Describe();
    EXPECT_LT(outcome.peak_kib, kHostilePeakKib) << outcome.Describe();
    EXPECT_EQ(ListFolder(folder.path()), FolderContents{});
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, OddSourceTest, testing::ValuesIn(kOddSources),
                         [](const testing::TestParamInfo<OddSource>& info) {
                           return IdentifierFrom(info.param.name);
                         });

// ---- A source that changes while it is read ---------------------------------

// Keeps changing `path` in every way another program could while it runs:
// cut short in place, scribbled over, put back whole, replaced by a new file,
// deleted and written anew. Ends only when killed.
[[noreturn]] void MutateForever(const std::string& path, const std::string& whole,
                                unsigned seed) {
  std::minstd_rand random(seed);
  const auto pick = [&random](size_t n) { return static_cast<size_t>(random() % (n + 1)); };
  const std::string spare = path + ".neu";
  for (;;) {
    switch (random() % 5) {
      case 0:
        if (truncate(path.c_str(), static_cast<off_t>(pick(whole.size()))) != 0) {
        }
        break;
      case 1: {
        const int fd = open(path.c_str(), O_WRONLY);
        if (fd >= 0) {
          std::string noise(64, '\0');
          for (char& c : noise) c = static_cast<char>(random());
          if (pwrite(fd, noise.data(), noise.size(), static_cast<off_t>(pick(whole.size()))) < 0) {
          }
          close(fd);
        }
        break;
      }
      case 2: {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0) {
          if (pwrite(fd, whole.data(), whole.size(), 0) < 0 ||
              ftruncate(fd, static_cast<off_t>(whole.size())) != 0) {
          }
          close(fd);
        }
        break;
      }
      case 3:
        WriteFile(spare, whole.substr(0, pick(whole.size())));
        rename(spare.c_str(), path.c_str());
        break;
      case 4:
        unlink(path.c_str());
        WriteFile(path, whole);
        break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
  }
}

class ChangingSourceTest : public RegisteredTest<const char*> {};

TEST_P(ChangingSourceTest, EachConversionIsWholeOrFailsCleanly) {
  KALVENIX_REQUIRE_TESTDATA();
  const std::string whole = ReadFile(TestdataPath(GetParam()));
  ASSERT_FALSE(whole.empty());
  ScratchFolder sources;
  const std::string source = sources.Child("quelle.bild");
  ASSERT_TRUE(WriteFile(source, whole));

  const pid_t pid = fork();
  if (pid == 0) MutateForever(source, whole, 20261207);
  const ChildProcess mutator(pid);
  ASSERT_GT(mutator.pid(), 0);

  int converted = 0;
  int failed = 0;
  constexpr int kRounds = 12;
  for (int round = 0; round < kRounds; ++round) {
    const OutputType& type = kOutputTypes[round % 4];
    SCOPED_TRACE("round " + std::to_string(round) + ", " + type.suffix);
    ScratchFolder folder;
    const std::string destination = folder.Child(NameFor("ziel", type));
    // Every other round an earlier output must survive a failure.
    if (round % 2 == 1) {
      ASSERT_TRUE(WriteFile(destination, "an earlier conversion"));
    }
    const FolderContents before = ListFolder(folder.path());
    const ConvertOutcome outcome = ConvertOneIsolated(
        {source, destination, 160, 120, type.transparency, type.quality});
    ASSERT_EQ(outcome.end, ChildEnd::kReturned) << outcome.Describe();
    const FolderContents after = ListFolder(folder.path());
    if (outcome.Succeeded()) {
      ++converted;
      EXPECT_EQ(after.size(), 1u) << DescribeDifference(before, after);
      const Probe probe = ProbePicture(destination);
      EXPECT_TRUE(probe.ok) << "a half-read source gave an unreadable output: " << probe.error;
      EXPECT_EQ(probe.width, outcome.call.width);
      EXPECT_EQ(probe.height, outcome.call.height);
    } else {
      ++failed;
      EXPECT_EQ(after, before) << DescribeDifference(before, after);
    }
  }
  RecordProperty("converted", converted);
  RecordProperty("failed", failed);
}

INSTANTIATE_TEST_SUITE_P(Formats, ChangingSourceTest,
                         testing::Values("photos/LadyBird.jpg", "png/image-gif-test.png",
                                         "gif/harvesters.gif", "bmp/harvesters.bmp"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return IdentifierFrom(info.param);
                         });

}  // namespace
}  // namespace hostile
