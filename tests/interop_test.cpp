// Conversions to and from std::chrono, time_t and std::tm, the comparisons,
// and hashing.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdint>
#include <ctime>
#include <numeric>
#include <random>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "oracle.h"

namespace {

using std::chrono::seconds;
using std::chrono::sys_seconds;

constexpr std::int64_t kFirst = -62167219200;                   // 0000-01-01 00:00:00
constexpr std::int64_t kLast = 253402300799;                    // 9999-12-31 23:59:59
constexpr std::int64_t kCycle = 3652425 * std::int64_t{86400};  // 10000 years

static_assert(Date::Date(sys_seconds{seconds{0}}) == Date::Date(1970, Date::Jan, 1));
static_assert(Date::Date(2026, Date::Dec, 6, 2, 4, 49).toTimeT() == 1796522689);
static_assert(Date::Date::fromTimeT(kLast + 1) == Date::Date(0, Date::Jan, 1));
static_assert(std::is_nothrow_constructible_v<Date::Date>);
static_assert(std::is_nothrow_constructible_v<Date::Date, int, int, int>);
static_assert(std::is_nothrow_constructible_v<Date::Date, int, Date::Month, int>);
static_assert(std::is_nothrow_constructible_v<Date::Date, int, int, int, int, int, int>);
static_assert(std::is_nothrow_constructible_v<Date::Date, int, Date::Month, int, int, int, int>);

// The checked conversions accept exactly the calendar's range.
static_assert(Date::Date::tryFromTimeT(kFirst) == Date::Date(0, Date::Jan, 1));
static_assert(Date::Date::tryFromTimeT(kLast) == Date::Date(9999, Date::Dec, 31, 23, 59, 59));
static_assert(!Date::Date::tryFromTimeT(kFirst - 1).has_value());
static_assert(!Date::Date::tryFromTimeT(kLast + 1).has_value());
static_assert(Date::Date::tryFromSysSeconds(sys_seconds{seconds{kLast}}).has_value());
static_assert(!Date::Date::tryFromSysSeconds(sys_seconds{seconds{kFirst - 1}}).has_value());
static_assert(!Date::Date::tryFromSysSeconds(std::chrono::sys_days{std::chrono::year{12026} / 12 /
                                                                   6})
                   .has_value());

// Every instant of the calendar's range converts to the oracle's fields and
// back to itself.
TEST(Interop, InstantsRoundTripAndMatchOracle) {
  std::mt19937_64 random(17);
  std::uniform_int_distribution<std::int64_t> instant(kFirst, kLast);
  const std::array<std::int64_t, 3> ends = {kFirst, 0, kLast};
  for (std::size_t i = 0; i < 200000; ++i) {
    const std::int64_t t = i < ends.size() ? ends[i] : instant(random);
    const Date::Date d(sys_seconds{seconds{t}});
    ASSERT_EQ(oracle::of(d), oracle::fromTime(t)) << t;
    ASSERT_EQ(d.toSysSeconds().time_since_epoch().count(), t) << d;
    ASSERT_EQ(d.toTimeT(), t) << d;
    ASSERT_EQ(Date::Date::fromTimeT(t), d);
    ASSERT_EQ(Date::Date::tryFromTimeT(t), d);
  }
}

// Outside the range the year wraps, down to the extremes of time_t.
TEST(Interop, InstantsBeyondTheRangeWrap) {
  std::mt19937_64 random(19);
  std::uniform_int_distribution<std::int64_t> any(INT64_MIN, INT64_MAX);
  const std::array<std::int64_t, 2> ends = {INT64_MIN, INT64_MAX};
  for (std::size_t i = 0; i < 100000; ++i) {
    const std::int64_t t = i < ends.size() ? ends[i] : any(random);
    // The instant of the calendar's range that is a whole number of cycles away.
    const std::int64_t inCycle =
        kFirst +
        oracle::floorMod(oracle::floorMod(t, kCycle) - oracle::floorMod(kFirst, kCycle), kCycle);
    ASSERT_EQ(Date::Date::fromTimeT(t), Date::Date::fromTimeT(inCycle)) << t;
    ASSERT_EQ(oracle::of(Date::Date::fromTimeT(t)), oracle::fromTime(inCycle)) << t;
    ASSERT_EQ(Date::Date::tryFromTimeT(t).has_value(), t >= kFirst && t <= kLast) << t;
  }
}

// std::time may read a coarse clock that runs up to a tick behind
// system_clock, so a reading after `now` may still show the second before.
TEST(Interop, SystemClockAgreesWithTheClockConstructor) {
  const Date::Date before;
  const Date::Date now(std::chrono::floor<seconds>(std::chrono::system_clock::now()));
  const Date::Date after;
  EXPECT_FALSE(now < before);
  EXPECT_FALSE(after.addSecond(1) < now);
}

TEST(Interop, TmMatchesGmtime) {
  std::mt19937_64 random(23);
  std::uniform_int_distribution<std::int64_t> instant(kFirst, kLast);
  for (int i = 0; i < 100000; ++i) {
    const std::time_t t = instant(random);
    std::tm expected{};
    gmtime_r(&t, &expected);
    const std::tm got = Date::Date::fromTimeT(t).toTm();
    ASSERT_EQ(got.tm_year, expected.tm_year) << t;
    ASSERT_EQ(got.tm_mon, expected.tm_mon) << t;
    ASSERT_EQ(got.tm_mday, expected.tm_mday) << t;
    ASSERT_EQ(got.tm_hour, expected.tm_hour) << t;
    ASSERT_EQ(got.tm_min, expected.tm_min) << t;
    ASSERT_EQ(got.tm_sec, expected.tm_sec) << t;
    ASSERT_EQ(got.tm_wday, expected.tm_wday) << t;
    ASSERT_EQ(got.tm_yday, expected.tm_yday) << t;
    ASSERT_EQ(got.tm_isdst, 0);
  }
}

TEST(Interop, ComparisonsAgreeWithLess) {
  std::mt19937_64 random(29);
  std::uniform_int_distribution<std::int64_t> instant(kFirst, kLast);
  std::uniform_int_distribution<int> nearby(-2, 2);
  for (int i = 0; i < 100000; ++i) {
    const Date::Date a = Date::Date::fromTimeT(instant(random));
    const Date::Date b =
        i % 2 == 0 ? Date::Date::fromTimeT(instant(random)) : a.addSecond(nearby(random));
    ASSERT_EQ(a == b, !(a < b) && !(b < a)) << a << " " << b;
    ASSERT_EQ(a != b, (a < b) || (b < a));
    ASSERT_EQ(a > b, b < a);
    ASSERT_EQ(a <= b, !(b < a));
    ASSERT_EQ(a >= b, !(a < b));
    ASSERT_EQ((a <=> b) < 0, a < b);
  }
  EXPECT_EQ(Date::DateInterval(1, 2, 3, 4, 5, 6), Date::DateInterval(1, 2, 3, 4, 5, 6));
  EXPECT_NE(Date::DateInterval(1, 2, 3, 4, 5, 6), Date::DateInterval(1, 2, 3, 4, 5, 7));
}

TEST(Interop, HashesKeyUnorderedContainers) {
  std::mt19937_64 random(31);
  std::uniform_int_distribution<std::int64_t> instant(kFirst, kLast);
  std::uniform_int_distribution<int> field(-1000, 1000);
  std::unordered_set<Date::Date> dates;
  std::unordered_set<Date::DateInterval> intervals;
  std::unordered_set<std::size_t> dateHashes;
  std::unordered_set<std::size_t> intervalHashes;
  for (int i = 0; i < 100000; ++i) {
    const Date::Date d = Date::Date::fromTimeT(instant(random));
    dates.insert(d);
    dateHashes.insert(std::hash<Date::Date>{}(d));
    const Date::DateInterval interval(field(random), field(random), field(random), field(random),
                                      field(random), field(random));
    intervals.insert(interval);
    intervalHashes.insert(std::hash<Date::DateInterval>{}(interval));
  }
  const Date::Date some = *dates.begin();
  EXPECT_EQ(dates.count(Date::Date(some)), 1u);
  EXPECT_EQ(std::hash<Date::Date>{}(some), std::hash<Date::Date>{}(some.addDay(0)));
  // Distinct values almost never share a hash.
  EXPECT_GT(dateHashes.size(), dates.size() - dates.size() / 1000);
  EXPECT_GT(intervalHashes.size(), intervals.size() - intervals.size() / 1000);
}

}  // namespace

namespace {

// Every second of a year hashes differently, and the hash's high 16 bits
// spread evenly over all their values, so that tables indexing by high bits
// work too. The hashes are sorted by their high bits first (a counting sort,
// the buckets being the spread just checked), then within each bucket.
TEST(Interop, DateHashesOfAYearAreDistinctAndSpread) {
  const std::int64_t start = Date::Date(2026, Date::Jan, 1).toTimeT();
  constexpr std::size_t yearSeconds = 365 * 86400;
  constexpr int shift = 8 * sizeof(std::size_t) - 16;
  std::vector<std::size_t> hashes(yearSeconds);
  std::vector<std::size_t> bucketEnd(std::size_t{1} << 16);
  for (std::size_t i = 0; i < yearSeconds; ++i) {
    hashes[i] =
        std::hash<Date::Date>{}(Date::Date::fromTimeT(start + static_cast<std::int64_t>(i)));
    ++bucketEnd[hashes[i] >> shift];
  }
  const double mean = static_cast<double>(yearSeconds) / static_cast<double>(bucketEnd.size());
  const auto [least, most] = std::minmax_element(bucketEnd.begin(), bucketEnd.end());
  EXPECT_GT(static_cast<double>(*least), mean * 0.75);
  EXPECT_LT(static_cast<double>(*most), mean * 1.25);

  std::partial_sum(bucketEnd.begin(), bucketEnd.end(), bucketEnd.begin());
  std::vector<std::size_t> sorted(yearSeconds);
  std::vector<std::size_t> next(bucketEnd.size());
  std::copy(bucketEnd.begin(), bucketEnd.end() - 1, next.begin() + 1);
  for (const std::size_t hash : hashes) sorted[next[hash >> shift]++] = hash;
  std::size_t* first = sorted.data();
  for (const std::size_t last : bucketEnd) {
    std::sort(first, sorted.data() + last);
    first = sorted.data() + last;
  }
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

// Intervals whose fields differ by one unit anywhere hash differently.
TEST(Interop, IntervalHashesOfAGridAreDistinct) {
  std::vector<std::size_t> hashes;
  for (int y = -3; y <= 3; ++y)
    for (int mo = -3; mo <= 3; ++mo)
      for (int d = -3; d <= 3; ++d)
        for (int h = -3; h <= 3; ++h)
          for (int mi = -3; mi <= 3; ++mi)
            for (int s = -3; s <= 3; ++s)
              hashes.push_back(std::hash<Date::DateInterval>{}({y, mo, d, h, mi, s}));
  std::sort(hashes.begin(), hashes.end());
  EXPECT_EQ(std::adjacent_find(hashes.begin(), hashes.end()), hashes.end());
}

}  // namespace
