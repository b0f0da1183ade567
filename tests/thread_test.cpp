// Dates are plain values and the clock is split with gmtime_r, so building
// dates from the clock and formatting them on many threads at once is safe;
// the ThreadSanitizer build runs this.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <atomic>
#include <ctime>
#include <thread>
#include <vector>

#include "oracle.h"

namespace {

TEST(Threads, ClockReadsAndFormattingRunConcurrently) {
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&wrong, t] {
      for (int i = 0; i < 2000; ++i) {
        const std::time_t before = std::time(nullptr);
        const Date::Date now;
        const Date::Date noon(12, t, i % 60);
        const std::time_t after = std::time(nullptr);
        const oracle::Fields got = oracle::of(now);
        if (got != oracle::fromTime(before) && got != oracle::fromTime(after)) ++wrong;
        if (noon.getHour() != 12 || noon.getMinute() != t) ++wrong;
        if (now.toString().size() < 19) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
