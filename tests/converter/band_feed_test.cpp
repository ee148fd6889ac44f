#include "converter/pipeline/band_feed.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "converter/base/band_rows.h"
#include "converter/pipeline/band_worker.h"

namespace quorvel {
namespace {

// With the worker and without, the stages see the same bands in order, and
// the first failure stops the decoder and is what the feed reports.
TEST(BandFeed, SameBandsAndTheFirstFailureWithOrWithoutTheWorker) {
  for (bool with_worker : {true, false}) {
    SCOPED_TRACE(with_worker);
    BandWorker band_worker;
    std::unique_ptr<BandWorker::Lease> worker = with_worker ? band_worker.TryAcquire() : nullptr;
    ASSERT_EQ(worker != nullptr, with_worker);
    std::vector<uint8_t> seen;  // the stages' thread's until Stop
    int calls = 0;
    BandFeed feed(2, worker.get(), [&](const uint8_t* rows, uint32_t count, size_t row_bytes) {
      seen.insert(seen.end(), rows, rows + count * row_bytes);
      return ++calls == 3 ? Fail(Error::kCorruptPng, "dritter") : Status::Ok();
    });
    uint8_t next = 0;
    int bands = 0;
    // Bands of 1, 2, 3 ... rows until the feed gives no more room.
    for (uint32_t rows = 1; rows <= kBandRows; ++rows) {
      uint8_t* band = feed.Room(rows);
      if (band == nullptr) break;
      for (uint32_t i = 0; i < rows * 2; ++i) band[i] = next++;
      feed.Filled();
      ++bands;
    }
    feed.Stop();
    EXPECT_GE(bands, 3);
    EXPECT_LT(bands, int(kBandRows));
    ASSERT_TRUE(feed.failed());
    EXPECT_EQ(feed.failure().context, "dritter");
    EXPECT_EQ(calls, 3);
    ASSERT_EQ(seen.size(), 12u);  // 1 + 2 + 3 rows of 2 bytes
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], uint8_t(i));
    EXPECT_EQ(feed.Room(1), nullptr);
  }
}

}  // namespace
}  // namespace quorvel
