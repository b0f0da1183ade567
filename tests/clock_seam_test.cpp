// The clock constructors on clock readings that a real clock rarely or never
// gives: a leap second, failures, and the far future.

#include <gtest/gtest.h>
#include <normdate/date.h>
#include <normdate/recurrence.h>

#include <array>
#include <climits>

#include "fake_clock.h"

namespace {

using fakeclock::splitOf;

TEST(ClockSeam, StoresTheSplitAsItComesLeapSecondIncluded) {
  fakeclock::setSplit(splitOf(2016, 12, 31, 23, 59, 60));
  const Date::Date leap;
  EXPECT_EQ(fakeclock::reads(), 1);
  EXPECT_EQ(leap.toString(), "2016-Dec-31 23:59:60");
  EXPECT_EQ(leap.toIsoString(), "2016-12-31T23:59:60Z");
  EXPECT_EQ(Date::Date::parseIso(leap.toIsoString()), Date::Date(2017, Date::Jan, 1));
  // Normalising carries the leap second into the next minute.
  EXPECT_EQ(leap.addDay(0), Date::Date(2017, Date::Jan, 1, 0, 0, 0));
  EXPECT_EQ(leap.addSecond(-60).toString(), "2016-Dec-31 23:59:00");
  EXPECT_EQ(leap.toTimeT(), Date::Date(2017, Date::Jan, 1).toTimeT());
  // As a std::tm it keeps the clock's fields, and every field describes the
  // same day, Saturday December 31, as the C library's own split does.
  const std::tm split = leap.toTm();
  EXPECT_EQ((std::array{split.tm_year, split.tm_mon, split.tm_mday, split.tm_hour, split.tm_min,
                        split.tm_sec, split.tm_wday, split.tm_yday}),
            (std::array{116, 11, 31, 23, 59, 60, 6, 365}));
  // The calendar questions see it as the next minute's first second, here
  // the first second of 2017.
  const Date::Date newYear(2017, Date::Jan, 1);
  EXPECT_EQ(leap.getWeekday(), Date::Sun);
  EXPECT_EQ(leap.getDayOfYear(), 1);
  EXPECT_EQ(leap.getIsoWeek(), (Date::IsoWeek{2016, 52, 7}));
  EXPECT_FALSE(leap.isLeapYear());
  EXPECT_EQ(leap.lastDayOfMonth(), Date::Date(2017, Date::Jan, 31));
  EXPECT_EQ(leap.nextWeekday(Date::Mon), Date::Date(2017, Date::Jan, 2));
  EXPECT_EQ(leap.prevWeekday(Date::Sat), Date::Date(2016, Date::Dec, 31));
  EXPECT_EQ(leap.nthWeekdayOfMonth(1, Date::Sun), newYear);
  EXPECT_EQ(leap.daysUntil(newYear), 0);
  EXPECT_EQ(newYear.secondsUntil(leap), 0);
  // Differences involving it stay small and exact.
  EXPECT_EQ(leap.getInterval(Date::Date(2016, Date::Dec, 31, 23, 59, 59)),
            Date::DateInterval(0, 0, 0, 0, 0, 1));
  EXPECT_EQ(Date::Date(2017, Date::Jan, 1, 7, 0, 0).getInterval(leap),
            Date::DateInterval(0, 0, -1, 7, 0, 0));
  // The next midnight of a daily rule is the one the leap second precedes.
  EXPECT_EQ(Date::Recurrence::parse("FREQ=DAILY", Date::Date(2016, Date::Dec, 1)).next(leap),
            newYear);
}

TEST(ClockSeam, FailureGivesTheEpoch) {
  const Date::Date epoch(1970, Date::Jan, 1);
  fakeclock::failRead();
  EXPECT_EQ(Date::Date(), epoch);
  fakeclock::failSplit();
  EXPECT_EQ(Date::Date(), epoch);
  EXPECT_EQ(Date::Date(25, 0, 0), epoch.addDay(1).addHour(1));
}

TEST(ClockSeam, YearsBeyond9999Wrap) {
  fakeclock::setSplit(splitOf(12026, 12, 6, 2, 4, 49));
  EXPECT_EQ(Date::Date().toString(), "2026-Dec-06 02:04:49");
  std::tm last = splitOf(0, 1, 1, 0, 0, 0);
  last.tm_year = INT_MAX;  // year INT_MAX + 1900 does not fit an int
  fakeclock::setSplit(last);
  EXPECT_EQ(Date::Date().getYear(), static_cast<int>((std::int64_t{INT_MAX} + 1900) % 10000));
}

// A split no working clock gives is carried like any other date's fields,
// tm_mon INT_MAX included; only a leap second is kept as it comes.
TEST(ClockSeam, ImpossibleSplitsAreCarried) {
  const std::array<std::array<int, 6>, 7> splits = {{{2016, 13, 1, 0, 0, 0},
                                                     {2016, 0, 1, 0, 0, 0},
                                                     {2016, 1, 100, 0, 0, 0},
                                                     {2016, 2, 30, 100, 0, 0},
                                                     {2016, 1, 1, 0, 100, -5},
                                                     {2016, 1, 0, -1, 60, 60},
                                                     {2016, 1, 1, 0, 0, 61}}};
  for (const auto& [y, mo, d, h, mi, s] : splits) {
    fakeclock::setSplit(splitOf(y, mo, d, h, mi, s));
    EXPECT_EQ(Date::Date(), Date::Date(y, mo, d, h, mi, s)) << y << '-' << mo << '-' << d;
    EXPECT_TRUE(Date::Date::isValid(Date::Date().getYear(), Date::Date().getMonth(),
                                    Date::Date().getDay(), Date::Date().getHour(),
                                    Date::Date().getMinute(), Date::Date().getSecond()));
  }
  std::tm huge = splitOf(2016, 1, 1, 0, 0, 0);
  huge.tm_mon = INT_MAX;
  fakeclock::setSplit(huge);
  EXPECT_EQ(Date::Date(), Date::Date(2016, Date::Jan, 1).addMonth(INT_MAX));
  fakeclock::setSplit(splitOf(2016, 6, 30, 12, 0, 60));
  EXPECT_EQ(Date::Date().toString(), "2016-Jun-30 12:00:60");
  EXPECT_EQ(Date::Date().toIsoString(), "2016-06-30T12:00:60Z");
}

TEST(ClockSeam, TimeOfDayTakesTodaysDateFromOneReading) {
  fakeclock::set(1796522689);  // 2026-12-06 02:04:49 UTC
  const Date::Date t(1991, 4, 7);
  EXPECT_EQ(fakeclock::reads(), 1);
  EXPECT_EQ(t.toString(), "2027-Feb-26 23:04:07");
  EXPECT_EQ(Date::Date(-1, 0, 0).toString(), "2026-Dec-05 23:00:00");
  // Any time of day, INT_MIN and INT_MAX included, is carried from today.
  const Date::Date today(2026, Date::Dec, 6);
  for (const int h : {INT_MIN, -1, 0, INT_MAX}) {
    for (const int m : {INT_MIN, -1, 0, INT_MAX}) {
      for (const int s : {INT_MIN, -1, 0, INT_MAX}) {
        const Date::Date expected = today.addHour(h).addMinute(m).addSecond(s);
        EXPECT_EQ(Date::Date(h, m, s), expected) << h << ' ' << m << ' ' << s;
      }
    }
  }
}

}  // namespace
