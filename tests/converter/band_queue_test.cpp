#include "converter/pipeline/band_queue.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <thread>

namespace quorvel {
namespace {

constexpr size_t kRowBytes = 5;

// Each row's bytes carry its number, so order and contents are both checked.
void FillRows(uint8_t* band, uint32_t first_row, uint32_t count) {
  for (uint32_t r = 0; r < count; ++r)
    for (size_t b = 0; b < kRowBytes; ++b) band[r * kRowBytes + b] = uint8_t(first_row + r + b);
}

bool RowsAre(const uint8_t* band, uint32_t first_row, uint32_t count) {
  for (uint32_t r = 0; r < count; ++r)
    for (size_t b = 0; b < kRowBytes; ++b)
      if (band[r * kRowBytes + b] != uint8_t(first_row + r + b)) return false;
  return true;
}

// Sends bands of 1 to kBandRows rows until `bands` are sent or Room refuses;
// returns how many were sent.
uint32_t Produce(BandQueue* queue, uint32_t bands, uint32_t* rows_sent) {
  uint32_t sent = 0;
  for (; sent < bands; ++sent) {
    const uint32_t count = 1 + sent % kBandRows;
    uint8_t* band = queue->Room(count);
    if (band == nullptr) break;
    FillRows(band, *rows_sent, count);
    *rows_sent += count;
    queue->Filled();
  }
  queue->Close();
  return sent;
}

TEST(BandQueue, ManyBandsArriveInOrderAndWhole) {
  BandQueue queue(kRowBytes);
  uint32_t rows_seen = 0;
  bool intact = true;
  std::thread consumer([&] {
    queue.Drain([&](const uint8_t* rows, uint32_t count, size_t stride) {
      intact = intact && stride == kRowBytes && RowsAre(rows, rows_seen, count);
      rows_seen += count;
      return Status::Ok();
    });
  });
  uint32_t rows_sent = 0;
  const uint32_t sent = Produce(&queue, 3000, &rows_sent);
  consumer.join();
  EXPECT_EQ(sent, 3000u);
  EXPECT_TRUE(intact);
  EXPECT_EQ(rows_seen, rows_sent);
  EXPECT_FALSE(queue.failed());
  EXPECT_TRUE(queue.failure().ok());
}

TEST(BandQueue, ClosingDrainsTheBandsStillPending) {
  BandQueue queue(kRowBytes);
  uint32_t rows_sent = 0;
  ASSERT_EQ(Produce(&queue, 2, &rows_sent), 2u);  // filled and closed before anyone drains
  uint32_t rows_seen = 0;
  queue.Drain([&](const uint8_t* rows, uint32_t count, size_t) {
    EXPECT_TRUE(RowsAre(rows, rows_seen, count));
    rows_seen += count;
    return Status::Ok();
  });
  EXPECT_EQ(rows_seen, rows_sent);
  EXPECT_FALSE(queue.failed());
}

TEST(BandQueue, ClosingWakesAConsumerWaitingOnAnEmptyQueue) {
  BandQueue queue(kRowBytes);
  int calls = 0;
  std::thread consumer([&] {
    queue.Drain([&](const uint8_t*, uint32_t, size_t) {
      ++calls;
      return Status::Ok();
    });
  });
  queue.Close();
  consumer.join();
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(queue.failed());
}

TEST(BandQueue, AFailingStageStopsTheProducer) {
  BandQueue queue(kRowBytes);
  int calls = 0;
  std::thread consumer([&] {
    queue.Drain([&](const uint8_t*, uint32_t, size_t) {
      return ++calls == 3 ? Fail(Error::kCorruptJpeg, "third band") : Status::Ok();
    });
  });
  // Far more than the ring holds: the producer must be refused, not kept
  // waiting for room the failed consumer will never make.
  uint32_t rows_sent = 0;
  const uint32_t sent = Produce(&queue, 1000, &rows_sent);
  consumer.join();
  EXPECT_LT(sent, 1000u);
  EXPECT_GE(sent, 3u);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(queue.failed());
  EXPECT_EQ(queue.failure().code, Error::kCorruptJpeg);
  EXPECT_EQ(queue.failure().context, "third band");
  EXPECT_EQ(queue.Room(1), nullptr);
}

TEST(BandQueue, AThrowingStageCountsAsAFailure) {
  struct Case {
    void (*thrower)();
    Error expected;
  };
  const Case cases[] = {
      {[] { throw std::bad_alloc(); }, Error::kOutOfMemory},
      {[] { throw std::runtime_error("stage"); }, Error::kInternal},
  };
  for (const Case& c : cases) {
    BandQueue queue(kRowBytes);
    std::thread consumer([&] {
      queue.Drain([&](const uint8_t*, uint32_t, size_t) -> Status {
        c.thrower();
        return Status::Ok();
      });
    });
    uint32_t rows_sent = 0;
    Produce(&queue, 100, &rows_sent);
    consumer.join();
    EXPECT_TRUE(queue.failed());
    EXPECT_EQ(queue.failure().code, c.expected);
  }
}

TEST(BandQueue, RoomIsForAtMostOneBandHeight) {
  BandQueue queue(kRowBytes);
  // A producer asking for more is refused at once, not left waiting, and
  // the queue stays usable.
  EXPECT_EQ(queue.Room(kBandRows + 1), nullptr);
  uint8_t* band = queue.Room(kBandRows);
  ASSERT_NE(band, nullptr);
  FillRows(band, 0, kBandRows);
  queue.Filled();
  queue.Close();
  uint32_t rows_seen = 0;
  queue.Drain([&](const uint8_t* rows, uint32_t count, size_t) {
    EXPECT_TRUE(RowsAre(rows, 0, count));
    rows_seen += count;
    return Status::Ok();
  });
  EXPECT_EQ(rows_seen, kBandRows);
}

}  // namespace
}  // namespace quorvel
