// What loading Quorvel.so and converting with it leaves behind in the host:
// no thread once the last object is released, the host's OpenMP setting as
// it was, no allocator tuning. Each case runs in a process of its own (ctest
// runs the discovered cases one by one), so counts start from the host alone.
#include <dlfcn.h>
#include <omp.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "converter/encode.h"
#include "converter/utf16_text.h"
#include "made_png.h"
#include "picture_checks.h"
#include "platform/component_object.h"
#include "platform/owned_text.h"
#include "platform/owned_variant.h"

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

using kalvenix::BoolReference;
using kalvenix::ComponentObject;
using kalvenix::Int32Reference;
using kalvenix::OwnedText;
using kalvenix::TextArgument;
using kalvenix::TextReference;

size_t ThreadsOfThisProcess() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<size_t>(std::distance(begin(tasks), end(tasks)));
}

class HostEffectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::MakeTempFolder();
    ASSERT_FALSE(folder_.empty());
    threads_before_ = ThreadsOfThisProcess();
    // A photo-like picture large enough for both band pipelines and for the
    // resampler's split.
    const uint32_t width = 1600, height = 1200;
    Image picture{width, height, 3, testing::MakeFilteredPicture(width, height, 3).pixels};
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePicture(picture, OutputType::kPng, {}, &png).ok());
    std::ofstream(Path("source.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    void* library = dlopen(QUORVEL_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto register_server =
        reinterpret_cast<CompRegisterServerFn>(dlsym(library, COMP_REGISTER_EXPORT));
    ASSERT_NE(register_server, nullptr);
    ASSERT_EQ(register_server(), COMP_OK);
    dlclose(library);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  // The batch's call, on an object of its own or on `held`.
  void Convert(const std::string& source, const std::string& destination, int32_t width,
               int32_t height, ComponentObject* held = nullptr) {
    ComponentObject own;
    ComponentObject* object = held;
    if (object == nullptr) {
      ASSERT_EQ(ComponentObject::Create("Dravimo.Compendium", &own), COMP_OK);
      object = &own;
    }
    OwnedText source_text(Utf8ToUtf16(Path(source)));
    OwnedText destination_text(Utf8ToUtf16(Path(destination)));
    CompBool transparency = COMP_FALSE;
    int32_t quality = 90;
    CompVariant args[] = {TextArgument(source_text.get()),
                          TextReference(destination_text.storage()),
                          Int32Reference(&width),
                          Int32Reference(&height),
                          BoolReference(&transparency),
                          Int32Reference(&quality)};
    EXPECT_TRUE(object->Invoke("convertEx", args).ok()) << source << " -> " << destination;
    EXPECT_TRUE(std::filesystem::exists(Path(destination))) << destination;
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

  std::string folder_;
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
