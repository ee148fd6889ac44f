#include "converter/base/buffer_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

std::vector<uint8_t> Buffer(size_t bytes) {
  std::vector<uint8_t> buffer;
  buffer.reserve(bytes);
  buffer.push_back(1);  // content that must not reach the next taker
  return buffer;
}

TEST(BufferPool, HandsOutTheLargestKeptStorageEmpty) {
  BufferPool pool;
  EXPECT_EQ(pool.Take().capacity(), 0u) << "nothing kept yet";
  std::vector<uint8_t> middle = Buffer(2 << 20);
  const uint8_t* middle_storage = middle.data();
  pool.Give(Buffer(1 << 20));
  pool.Give(std::move(middle));
  std::vector<uint8_t> taken = pool.Take();
  EXPECT_EQ(taken.data(), middle_storage) << "the same storage, not a copy";
  EXPECT_TRUE(taken.empty());
  EXPECT_GE(taken.capacity(), size_t{2} << 20);
  EXPECT_GE(pool.Take().capacity(), size_t{1} << 20);
  EXPECT_EQ(pool.Take().capacity(), 0u);
}

TEST(BufferPool, KeepsOnlyTheLargestWithinItsLimits) {
  BufferPool pool;
  pool.Give(Buffer(1 << 20));
  pool.Give(Buffer(3 << 20));
  pool.Give(Buffer(2 << 20));  // the smallest of three goes
  EXPECT_GE(pool.IdleBytes(), size_t{5} << 20);
  EXPECT_LT(pool.IdleBytes(), size_t{6} << 20);

  // Beyond the byte limit the smaller one goes; a single buffer above it is
  // never kept at all.
  pool.Give(Buffer(BufferPool::kIdleBytes - (1 << 20)));
  EXPECT_LE(pool.IdleBytes(), BufferPool::kIdleBytes);
  EXPECT_GE(pool.IdleBytes(), BufferPool::kIdleBytes - (1 << 20));
  pool.Clear();
  pool.Give(Buffer(BufferPool::kIdleBytes + 1));
  EXPECT_EQ(pool.IdleBytes(), 0u);
  pool.Give({});
  EXPECT_EQ(pool.IdleBytes(), 0u) << "an empty vector holds nothing worth keeping";
}

TEST(BufferPool, ThreadsTakingAndGivingAtOnce) {
  BufferPool pool;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&pool] {
      for (int i = 0; i < 500; ++i) {
        std::vector<uint8_t> buffer = pool.Take();
        buffer.resize(4096 + i);
        pool.Give(std::move(buffer));
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_LE(pool.IdleBytes(), BufferPool::kIdleBytes);
  EXPECT_GT(pool.IdleBytes(), 0u);
}

}  // namespace
}  // namespace quorvel
