#include "converter/pipeline/converter_context.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

size_t ThreadsOfThisProcess() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<size_t>(std::distance(begin(tasks), end(tasks)));
}

// The count before the component's first thread. A sanitizer's runtime may
// start a thread of its own at the process's first thread; one is started
// and joined here first, so that it is in the count already.
size_t ThreadsBefore() {
  std::thread([] {}).join();
  return ThreadsOfThisProcess();
}

void UseTheWorker(ConverterContext* context) {
  std::unique_ptr<BandWorker::Lease> lease = context->worker().TryAcquire();
  ASSERT_NE(lease, nullptr);
  lease->Run([] {});
}

TEST(ConverterContext, TheLastUseEndsTheWorkerThread) {
  const size_t before = ThreadsBefore();
  ASSERT_FALSE(ContextInUse());
  {
    std::optional<ContextUse> first(std::in_place);
    ASSERT_NE(first->get(), nullptr);
    EXPECT_TRUE(ContextInUse());
    UseTheWorker(first->get());
    EXPECT_EQ(ThreadsOfThisProcess(), before + 1);
    {
      ContextUse second;
      EXPECT_EQ(second.get(), first->get()) << "one context for the library";
    }
    EXPECT_TRUE(first->get()->worker().running()) << "an object still uses it";
    first.reset();
  }
  EXPECT_FALSE(ContextInUse());
  EXPECT_EQ(ThreadsOfThisProcess(), before);
  // The next first object gets a worker again.
  ContextUse again;
  UseTheWorker(again.get());
  EXPECT_TRUE(again.get()->worker().running());
}

// Kept buffers are for the next picture of a batch; once no object is left,
// no batch runs, and the host gets the memory back.
TEST(ConverterContext, TheLastUseFreesTheKeptBuffers) {
  ConverterContext* context = nullptr;
  {
    ContextUse first;
    context = first.get();
    ASSERT_NE(context, nullptr);
    context->buffers().Give(std::vector<uint8_t>(1 << 20));
    {
      ContextUse second;  // the batch's next object, made before the last goes
    }
    EXPECT_GE(context->buffers().IdleBytes(), size_t{1} << 20) << "a batch is still running";
  }
  ContextUse again;
  ASSERT_EQ(again.get(), context);
  EXPECT_EQ(again.get()->buffers().IdleBytes(), 0u);
}

TEST(ConverterContext, UsesComingAndGoingOnManyThreads) {
  const size_t before = ThreadsBefore();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 200; ++i) {
        ContextUse use;
        ASSERT_NE(use.get(), nullptr);
        // Busy with another thread's conversion, or free: never both.
        if (std::unique_ptr<BandWorker::Lease> lease = use.get()->worker().TryAcquire())
          lease->Run([] {});
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_FALSE(ContextInUse());
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}

}  // namespace
}  // namespace quorvel
