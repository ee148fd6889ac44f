#include "converter/pipeline/band_worker.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "converter/pipeline/band_queue.h"

namespace quorvel {
namespace {

class BandWorkerTest : public ::testing::Test {
 protected:
  BandWorker worker_;
};

TEST_F(BandWorkerTest, ASecondConversionFindsTheWorkerHeld) {
  std::unique_ptr<BandWorker::Lease> first = worker_.TryAcquire();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(worker_.TryAcquire(), nullptr);
  // Held while its task runs on the worker, too, and from another thread.
  std::promise<void> started;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  first->Run([&started, released] {
    started.set_value();
    released.wait();
  });
  started.get_future().wait();
  std::unique_ptr<BandWorker::Lease> second;
  std::thread other([this, &second] { second = worker_.TryAcquire(); });
  other.join();
  EXPECT_EQ(second, nullptr);
  release.set_value();
  first.reset();
  EXPECT_NE(worker_.TryAcquire(), nullptr);
}

TEST_F(BandWorkerTest, ReleasingTheLeaseWaitsForItsTask) {
  std::unique_ptr<BandWorker::Lease> lease = worker_.TryAcquire();
  ASSERT_NE(lease, nullptr);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  int written = 0;  // plain: the lease's release is what orders it
  std::thread::id ran_on;
  lease->Run([&written, &ran_on, released] {
    released.wait();
    ran_on = std::this_thread::get_id();
    written = 42;
  });
  std::thread releaser([&release] { release.set_value(); });
  lease.reset();
  releaser.join();
  EXPECT_EQ(written, 42);
  EXPECT_NE(ran_on, std::this_thread::get_id());
}

TEST_F(BandWorkerTest, ALeaseThatRanNothingIsReleasedAtOnce) {
  ASSERT_NE(worker_.TryAcquire(), nullptr);
  EXPECT_NE(worker_.TryAcquire(), nullptr);
}

TEST_F(BandWorkerTest, ManyConversionsOneAfterAnother) {
  int tasks_run = 0;
  for (int i = 0; i < 500; ++i) {
    std::unique_ptr<BandWorker::Lease> lease = worker_.TryAcquire();
    ASSERT_NE(lease, nullptr) << "conversion " << i;
    lease->Run([&tasks_run] { ++tasks_run; });
  }
  EXPECT_EQ(tasks_run, 500);
}

// The pipelines' shape: the worker drains the queue this thread fills, and
// a stage failing there stops this thread's decode.
TEST_F(BandWorkerTest, AStageFailingOnTheWorkerStopsTheDecode) {
  for (const int failing_band : {1, 7, 0}) {  // 0: none fails
    BandQueue queue(3);
    int bands_seen = 0;
    std::unique_ptr<BandWorker::Lease> lease = worker_.TryAcquire();
    ASSERT_NE(lease, nullptr);
    lease->Run([&] {
      queue.Drain([&](const uint8_t* rows, uint32_t count, size_t stride) {
        EXPECT_EQ(rows[(count - 1) * stride], uint8_t(count));
        return ++bands_seen == failing_band ? Fail(Error::kEncodeFailed) : Status::Ok();
      });
    });
    int bands_sent = 0;
    for (; bands_sent < 200; ++bands_sent) {
      const uint32_t count = 1 + bands_sent % kBandRows;
      uint8_t* band = queue.Room(count);
      if (band == nullptr) break;
      band[(count - 1) * 3] = uint8_t(count);
      queue.Filled();
    }
    queue.Close();
    lease.reset();
    if (failing_band == 0) {
      EXPECT_EQ(bands_sent, 200);
      EXPECT_EQ(bands_seen, 200);
      EXPECT_FALSE(queue.failed());
    } else {
      EXPECT_LT(bands_sent, 200);
      EXPECT_EQ(bands_seen, failing_band);
      EXPECT_EQ(queue.failure().code, Error::kEncodeFailed);
    }
  }
}

TEST_F(BandWorkerTest, TheThreadRunsFromTheFirstLeaseUntilStop) {
  EXPECT_FALSE(worker_.running());
  for (int round = 0; round < 3; ++round) {
    int ran = 0;
    {
      std::unique_ptr<BandWorker::Lease> lease = worker_.TryAcquire();
      ASSERT_NE(lease, nullptr) << "round " << round;
      lease->Run([&ran] { ++ran; });
    }
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(worker_.running());
    worker_.Stop();
    EXPECT_FALSE(worker_.running());
  }
  worker_.Stop();  // twice is harmless
}

}  // namespace
}  // namespace quorvel
