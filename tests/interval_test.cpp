// Intervals: the difference of two dates, a date moved by an interval, and
// the text form, on tables, random pairs and extreme fields.

#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/interval.h>

#include <array>
#include <climits>
#include <iomanip>
#include <random>
#include <sstream>

#include "oracle.h"

namespace {

using Date::DateInterval;

std::string text(const DateInterval& interval) {
  std::ostringstream out;
  out << interval;
  return out.str();
}

constexpr DateInterval inverted(DateInterval interval) {
  interval.invert();
  return interval;
}

struct Difference {
  Date::Date later;
  Date::Date earlier;
  DateInterval result;
};

const std::array<Difference, 9> kDifferences = {{
    {{2026, Date::Dec, 6, 9, 4, 49}, {2026, Date::Dec, 6, 2, 4, 49}, {0, 0, 0, 7, 0, 0}},
    {{2010, Date::May, 10, 10, 30, 0}, {2010, Date::May, 10, 10, 0, 0}, {0, 0, 0, 0, 30, 0}},
    {{2011, Date::Jan, 1, 0, 0, 0}, {2010, Date::Dec, 31, 23, 59, 59}, {0, 0, -1, 0, 0, 1}},
    {{2010, Date::Mar, 1, 0, 0, 0}, {2010, Date::Jan, 31, 0, 0, 0}, {0, 1, 0, 0, 0, 0}},
    {{2010, Date::Mar, 1, 0, 0, 0}, {2010, Date::Jan, 31, 1, 0, 0}, {0, 1, -1, 23, 0, 0}},
    {{2010, Date::Feb, 1, 5, 0, 0}, {2010, Date::Jan, 31, 5, 0, 0}, {0, 0, 0, 0, 0, 0}},
    {{2010, Date::Mar, 1, 0, 0, 0}, {2010, Date::Feb, 28, 0, 0, 0}, {0, 0, 3, 0, 0, 0}},
    {{2012, Date::Aug, 15, 13, 45, 30}, {2010, Date::Mar, 20, 18, 50, 40}, {2, 4, 24, 18, 54, 50}},
    {{2027, Date::Jan, 1, 0, 0, 0}, {2026, Date::Dec, 31, 17, 0, 0}, {0, 0, -1, 7, 0, 0}},
}};

static_assert(Date::Date(2012, Date::Aug, 15, 13, 45, 30)
                  .getInterval(Date::Date(2010, Date::Mar, 20, 18, 50, 40))
                  .getDay() == 24);
static_assert(Date::Date(2010, Date::Jan, 30).addInterval({0, 1, 1, 0, 0, 0}).getDay() == 3);
static_assert(inverted(inverted(DateInterval(1, -2, 3, -4, 5, INT_MAX))).getSecond() == INT_MAX);

TEST(GetInterval, WorkedDifferencesBothWays) {
  for (const Difference& d : kDifferences) {
    EXPECT_EQ(d.later.getInterval(d.earlier), d.result) << d.later << " - " << d.earlier;
    EXPECT_EQ(d.earlier.getInterval(d.later), inverted(d.result)) << d.earlier << " - " << d.later;
  }
}

struct Sum {
  Date::Date start;
  DateInterval interval;
  Date::Date result;
};

TEST(AddInterval, WorkedSums) {
  const std::array<Sum, 5> sums = {{
      {{2026, Date::Dec, 6, 9, 4, 49}, {1, 2, 3, 4, 5, 6}, {2028, Date::Feb, 9, 13, 9, 55}},
      {{2010, Date::Jan, 30, 0, 0, 0}, {0, 1, 1, 0, 0, 0}, {2010, Date::Mar, 3, 0, 0, 0}},
      {{2028, Date::Feb, 9, 13, 9, 55}, {-1, -2, -3, -4, -5, -6}, {2026, Date::Dec, 6, 9, 4, 49}},
      {{2010, Date::Dec, 31, 23, 59, 59}, {0, 0, 0, 0, 0, 1}, {2011, Date::Jan, 1, 0, 0, 0}},
      {{9999, Date::Dec, 31, 20, 0, 0}, {0, 0, 0, 7, 0, 0}, {0, Date::Jan, 1, 3, 0, 0}},
  }};
  for (const Sum& s : sums) {
    EXPECT_EQ(s.start.addInterval(s.interval), s.result) << s.start << " + " << text(s.interval);
  }
}

// A random valid date, half of them at a month's or year's end.
Date::Date randomDate(std::mt19937_64& random) {
  std::uniform_int_distribution<int> year(0, 9999), month(1, 12), day(1, 31), hour(0, 23),
      sixty(0, 59), coin(0, 3);
  switch (coin(random)) {
    case 0:  // the last second of a month
      return {year(random), month(random) + 1, 0, 23, 59, 59};
    case 1:  // the first moments of a year
      return {year(random), Date::Jan, 1, 0, 0, sixty(random)};
    default:
      return {year(random), month(random), day(random), hour(random), sixty(random), sixty(random)};
  }
}

TEST(GetInterval, PropertiesOverRandomPairs) {
  std::mt19937_64 random(42);
  std::uniform_int_distribution<int> nearby(-90000, 90000);
  for (int i = 0; i < 200000; ++i) {
    const Date::Date a = randomDate(random);
    // Half the partners lie within about a day of the first date.
    const Date::Date b = i % 2 == 0 ? randomDate(random) : a.addSecond(nearby(random));
    ASSERT_EQ(a.getInterval(a), DateInterval());
    const DateInterval ab = a.getInterval(b);
    ASSERT_EQ(b.getInterval(a), inverted(ab)) << a << " and " << b;
    const int sign = a < b ? -1 : 1;
    for (const int field :
         {ab.getYear(), ab.getMonth(), ab.getHour(), ab.getMinute(), ab.getSecond()}) {
      ASSERT_GE(sign * field, 0) << a << " - " << b << " = " << text(ab);
    }
    ASSERT_GE(sign * ab.getDay(), -1) << a << " - " << b << " = " << text(ab);
    ASSERT_LT(ab.getSecond() * sign, 60);
    ASSERT_LT(ab.getMonth() * sign, 12);
  }
}

TEST(AddInterval, MatchesOracleAndMovesBackWhenNegative) {
  std::mt19937_64 random(5);
  std::uniform_int_distribution<int> small(-400, 0), wide(INT_MIN, INT_MAX);
  for (int i = 0; i < 100000; ++i) {
    const Date::Date start = randomDate(random);
    const DateInterval back(small(random) / 100, small(random) / 30, small(random), small(random),
                            small(random), small(random) - 1);
    const Date::Date moved = start.addInterval(back);
    ASSERT_EQ(oracle::of(moved), oracle::sum(oracle::of(start), back))
        << start << " + " << text(back);
    if (start.getYear() >= 10) {
      ASSERT_TRUE(moved < start) << start << " + " << text(back);
    }
    const DateInterval any(wide(random), wide(random), wide(random), wide(random), wide(random),
                           wide(random));
    ASSERT_EQ(oracle::of(start.addInterval(any)), oracle::sum(oracle::of(start), any))
        << start << " + " << text(any);
    ASSERT_EQ(start.addInterval(any), start.addSecond(any.getSecond())
                                          .addMinute(any.getMinute())
                                          .addHour(any.getHour())
                                          .addDay(any.getDay())
                                          .addMonth(any.getMonth())
                                          .addYear(any.getYear()))
        << start << " + " << text(any);
  }
}

// A width set on the stream pads the whole text once and is then reset, as
// for any formatted output.
TEST(Interval, StreamHonoursWidthOnce) {
  std::ostringstream out;
  out << std::setw(16) << DateInterval() << '|' << DateInterval(1, 2, 3, 4, 5, 6) << '|'
      << std::left << std::setw(16) << DateInterval(0, 0, 0, -7, 0, 0) << '|';
  EXPECT_EQ(out.str(), "   [0|0|0|0|0|0]|[1|2|3|4|5|6]|[0|0|0|-7|0|0]  |");
}

TEST(Interval, ExtremeFields) {
  const DateInterval lowest(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN);
  const std::string longest = text(lowest);
  EXPECT_EQ(longest.size(), 73u);
  EXPECT_EQ(longest, "[-2147483648|-2147483648|-2147483648|-2147483648|-2147483648|-2147483648]");
  EXPECT_EQ(inverted(lowest), DateInterval(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX));
  EXPECT_EQ(text(DateInterval()), "[0|0|0|0|0|0]");
  EXPECT_EQ(text(DateInterval(0, 0, 0, -7, 0, 0)), "[0|0|0|-7|0|0]");
  for (const Date::Date& start :
       {Date::Date(0, Date::Jan, 1), Date::Date(9999, Date::Dec, 31, 23, 59, 59)}) {
    for (const DateInterval& interval : {lowest, inverted(lowest)}) {
      EXPECT_EQ(oracle::of(start.addInterval(interval)), oracle::sum(oracle::of(start), interval));
    }
  }
}

}  // namespace
