#include "package/win_InflateAhead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Payloads in memory lie outside the program's image, so the threads read them where they are.
struct TPayloads {
  explicit TPayloads(const std::vector<size_t>& sizes, TPayloadFormat format = TPayloadFormat::Zlib)
      : format_(format) {
    for (size_t size : sizes) {
      std::string data(size, '\0');
      for (size_t i = 0; i < size; ++i) data[i] = char('a' + (i * 7 + size) % 23);
      data_.push_back(data);
      packed_.push_back(format == TPayloadFormat::Zstd ? PackZstdResource(data) : PackResource(data));
    }
  }
  std::vector<TPayloadView> Views() const {
    std::vector<TPayloadView> views;
    for (size_t n = 0; n < packed_.size(); ++n)
      views.push_back({packed_[n], int32_t(data_[n].size()), {format_, {}}});
    return views;
  }

  TPayloadFormat format_;

  std::vector<std::string> data_;
  std::vector<Bytes> packed_;
};

}  // namespace

TEST(InflateAhead, GivesEachPayloadInOrderWithinAnyBudget) {
  for (const TPayloadFormat format : {TPayloadFormat::Zlib, TPayloadFormat::Zstd}) {
  const TPayloads payloads({70000, 1, 300000, 5000, 120000, 64, 250000, 9000}, format);
  // A budget below the sum makes the threads wait for room; one below a payload leaves it to the writer.
  for (const size_t budget : {size_t(16) << 20, size_t(400000), size_t(200000)}) {
    for (const unsigned threads : {1u, 2u, 4u}) {
      TInflateAhead ahead(GetModuleHandleA(nullptr), payloads.Views(), threads, budget);
      for (size_t n = 0; n < payloads.packed_.size(); ++n) {
        const std::optional<TInflated> inflated = ahead.Take(payloads.packed_[n]);
        if (payloads.data_[n].size() > budget) {
          EXPECT_FALSE(inflated) << n;
          continue;
        }
        ASSERT_TRUE(inflated) << n << " budget " << budget << " threads " << threads;
        ASSERT_TRUE(*inflated);
        EXPECT_EQ(**inflated, payloads.data_[n]);
      }
    }
  }
  }
}

TEST(InflateAhead, PassedOverTakenAgainOrUnknownPayloadsAreLeftToTheWriter) {
  const TPayloads payloads({1000, 2000, 3000, 4000});
  TInflateAhead ahead(GetModuleHandleA(nullptr), payloads.Views(), 2, 2500);
  ASSERT_TRUE(ahead.Take(payloads.packed_[0]));
  EXPECT_FALSE(ahead.Take(payloads.packed_[0])) << "taken already";
  const Bytes other = PackResource("other");
  EXPECT_FALSE(ahead.Take(other)) << "not given";
  EXPECT_FALSE(ahead.Take(payloads.packed_[2])) << "over the budget";
  EXPECT_FALSE(ahead.Take(payloads.packed_[1])) << "passed over";
  EXPECT_FALSE(ahead.Take(payloads.packed_[3])) << "over the budget";
}

TEST(InflateAhead, DamagedStreamIsTakenAsItsFailure) {
  TPayloads payloads({50000, 50000});
  payloads.packed_[0][payloads.packed_[0].size() / 2] ^= 0x55;
  TInflateAhead ahead(GetModuleHandleA(nullptr), payloads.Views(), 2, 1 << 20);
  const std::optional<TInflated> damaged = ahead.Take(payloads.packed_[0]);
  ASSERT_TRUE(damaged);
  EXPECT_FALSE(*damaged);
  EXPECT_EQ(damaged->Failure().Code(), kErrorDamagedPayload);
  EXPECT_EQ(**ahead.Take(payloads.packed_[1]), payloads.data_[1]);
}

TEST(InflateAhead, EndsWithPayloadsNeverTaken) {
  const TPayloads payloads(std::vector<size_t>(50, 100000));
  for (size_t taken = 0; taken < 3; ++taken) {
    TInflateAhead ahead(GetModuleHandleA(nullptr), payloads.Views(), 2, 300000);
    for (size_t n = 0; n < taken; ++n) EXPECT_TRUE(ahead.Take(payloads.packed_[n]));
  }  // each destructor returns, with threads waiting for room or inflating
}
