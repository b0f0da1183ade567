// The clock constructors, against time() and gmtime_r read around them.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <ctime>

#include "oracle.h"

namespace {

TEST(Clock, ReadsTheCurrentUtcTime) {
  const std::time_t before = std::time(nullptr);
  const Date::Date now;
  const std::time_t after = std::time(nullptr);
  const oracle::Fields got = oracle::of(now);
  EXPECT_TRUE(got == oracle::fromTime(before) || got == oracle::fromTime(after)) << got;
  // A copy compares equal: neither is earlier.
  const Date::Date copy(now);
  EXPECT_FALSE(copy < now);
  EXPECT_FALSE(now < copy);
  EXPECT_EQ(oracle::of(now.addDay(0)), got);
}

TEST(Clock, TimeOfDayIsOnTodaysUtcDate) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const Date::Date today;
    const Date::Date t(1991, 4, 7);
    const Date::Date later;
    if (later.getDay() != today.getDay()) continue;  // midnight passed in between
    // Hour 1991 is 82 days and 23 hours on.
    EXPECT_EQ(oracle::of(t), oracle::of(Date::Date(today.getYear(), today.getMonth(),
                                                   today.getDay() + 82, 23, 4, 7)));
    return;
  }
  FAIL() << "the UTC day kept changing";
}

}  // namespace
