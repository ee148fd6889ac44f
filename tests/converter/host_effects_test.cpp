// What loading Quorvel.so and converting with it leaves behind in the host:
// no thread once the last object is released, the host's OpenMP setting as
// it was, no allocator tuning. Each case runs in a process of its own (ctest
// runs the discovered cases one by one), so counts start from the host alone.
#include <dlfcn.h>
#include <omp.h>

#include <atomic>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "convert_ex.h"
#include "converter/write/encode.h"
#include "made_png.h"
#include "platform/component_object.h"
#include "test_files.h"

namespace {

std::atomic<int> mallopt_calls{0};

}  // namespace

// Exported from the test program, so the component's calls bind here.
extern "C" __attribute__((visibility("default"))) int mallopt(int param, int value) {
  ++mallopt_calls;
  using Mallopt = int (*)(int, int);
  static const auto next = reinterpret_cast<Mallopt>(dlsym(RTLD_NEXT, "mallopt"));
  return next != nullptr ? next(param, value) : 0;
}

namespace quorvel {
namespace {

using kalvenix::ComponentObject;
using kalvenix::testing::ConvertExArguments;
using kalvenix::testing::ConvertExRequest;
using kalvenix::testing::ScratchFolder;

size_t ThreadsOfThisProcess() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<size_t>(std::distance(begin(tasks), end(tasks)));
}

class HostEffectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A sanitizer's runtime may start a thread of its own at the process's
    // first thread: let it, before counting.
    std::thread([] {}).join();
    threads_before_ = ThreadsOfThisProcess();
    // A photo-like picture large enough for both band pipelines and for the
    // resampler's split.
    const uint32_t width = 1600, height = 1200;
    Image picture{width, height, 3, testing::MakeFilteredPicture(width, height, 3).pixels};
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePicture(picture, OutputType::kPng, {}, &png).ok());
    ASSERT_TRUE(kalvenix::testing::WriteFile(
        folder_.Child("source.png"), {reinterpret_cast<const char*>(png.data()), png.size()}));
    ASSERT_EQ(kalvenix::testing::RegisterComponent(QUORVEL_PATH), "");
  }

  // The batch's call, on an object of its own or on `held`.
  void Convert(const std::string& source, const std::string& destination, int32_t width,
               int32_t height, ComponentObject* held) {
    const ConvertExRequest request{folder_.Child(source), folder_.Child(destination), width,
                                   height, false, 90};
    kalvenix::testing::ConvertExResult result;
    if (held == nullptr) {
      result = kalvenix::testing::ConvertEx(request);
    } else {
      ConvertExArguments args(request);
      result = kalvenix::testing::InvokeConvertEx(*held, args);
    }
    EXPECT_TRUE(result.ok()) << source << " -> " << destination << ": "
                             << kalvenix::testing::DescribeCall(result);
    EXPECT_TRUE(kalvenix::testing::FileExists(folder_.Child(destination))) << destination;
  }

  // Every way through the converter: banded PNG and JPEG, the whole picture
  // with the resampler's split, and the quantiser.
  void ConvertEveryWay(ComponentObject* held = nullptr) {
    Convert("source.png", "big.jpg", 0, 0, held);
    Convert("big.jpg", "small.jpg", 640, 480, held);
    Convert("source.png", "small.bmp", 640, 480, held);
    Convert("big.jpg", "tall.png", 480, 640, held);
    Convert("big.jpg", "small.gif", 640, 480, held);
  }

  ScratchFolder folder_;
  size_t threads_before_ = 0;
};

TEST_F(HostEffectsTest, NoThreadOutlivesTheLastObject) {
  {
    ComponentObject held;
    ASSERT_EQ(ComponentObject::Create("Dravimo.Compendium", &held), COMP_OK);
    ConvertEveryWay(&held);
    // The worker is there while an object is: this test can see it.
    EXPECT_EQ(ThreadsOfThisProcess(), threads_before_ + 1);
  }
  EXPECT_EQ(ThreadsOfThisProcess(), threads_before_);
  // And as the batch does it, an object per file.
  ConvertEveryWay();
  EXPECT_EQ(ThreadsOfThisProcess(), threads_before_);
}

TEST_F(HostEffectsTest, TheHostsOpenMpSettingStays) {
  omp_set_num_threads(3);
  ConvertEveryWay();
  EXPECT_EQ(omp_get_max_threads(), 3);
  // Nor did the quantiser leave a team of OpenMP threads behind.
  EXPECT_EQ(ThreadsOfThisProcess(), threads_before_);
}

TEST_F(HostEffectsTest, TheAllocatorIsNotTuned) {
  ConvertEveryWay();
  EXPECT_EQ(mallopt_calls.load(), 0);
}

}  // namespace
}  // namespace quorvel
