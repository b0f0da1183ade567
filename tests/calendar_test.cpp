// The calendar questions: weekday, day of year, ISO week and month length
// against glibc's gmtime_r and strftime; navigation against a day-by-day walk;
// differences against instants.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>

namespace {

using Date::Weekday;

// The header's and the README's examples.
static_assert(Date::Date(2026, Date::Dec, 7).getIsoWeek() == Date::IsoWeek{2026, 50, 1});
static_assert(Date::Date(2026, Date::Dec, 7).nthWeekdayOfMonth(-1, Date::Fri) ==
              Date::Date(2026, Date::Dec, 25));
static_assert(Date::Date(2026, Date::Dec, 7).daysUntil(Date::Date(2027, Date::Jan, 1)) == 25);
static_assert(Date::Date(2026, Date::Dec, 7).getWeekday() == Date::Mon);
static_assert(Date::Date(2024, Date::Dec, 31).getDayOfYear() == 366);
static_assert(Date::Date(2027, Date::Jan, 1).getIsoWeek() == Date::IsoWeek{2026, 53, 5});
static_assert(Date::Date(0, Date::Jan, 1).getIsoWeek() == Date::IsoWeek{-1, 52, 6});
static_assert(Date::Date(2024, Date::Feb, 3).getDaysInMonth() == 29);
static_assert(Date::Date(2024, Date::Feb, 10, 8, 0, 0).lastDayOfMonth() ==
              Date::Date(2024, Date::Feb, 29, 8, 0, 0));
static_assert(Date::Date(2026, Date::Nov, 1).nthWeekdayOfMonth(4, Date::Thu) ==
              Date::Date(2026, Date::Nov, 26));
static_assert(Date::Date(2026, Date::May, 1).nthWeekdayOfMonth(-1, Date::Mon) ==
              Date::Date(2026, Date::May, 25));
static_assert(Date::Date(2026, Date::May, 9).nthWeekdayOfMonth(0, Date::Mon) ==
              Date::Date(2026, Date::Apr, 27));
static_assert(
    Date::Date(2026, Date::Dec, 24, 23, 0, 0).daysUntil(Date::Date(2026, Date::Dec, 25)) == 1);
static_assert(Date::Date(9999, Date::Dec, 31).daysUntil(Date::Date(0, Date::Jan, 1)) == -3652424);
static_assert(Date::Date::fromIsoWeek(2026, 53, 5) == Date::Date(2027, Date::Jan, 1));
static_assert(Date::Date::isValid(2024, 2, 29) && !Date::Date::isValid(2026, 2, 29) &&
              !Date::Date::isValid(2026, 1, 1, 23, 59, 60));
// Every field at the top and bottom of its range, and one past.
static_assert(Date::Date::isValid(9999, 12, 31, 23, 59, 59) && Date::Date::isValid(0, 1, 1) &&
              Date::Date::isValid(2026, 4, 30) && !Date::Date::isValid(2026, 4, 31) &&
              Date::Date::isValid(2026, 7, 31) && !Date::Date::isValid(10000, 1, 1) &&
              !Date::Date::isValid(-1, 12, 31) && !Date::Date::isValid(2026, 13, 1) &&
              !Date::Date::isValid(2026, 0, 1) && !Date::Date::isValid(2026, 1, 0) &&
              !Date::Date::isValid(2026, 1, 1, 24) && !Date::Date::isValid(2026, 1, 1, 0, 60) &&
              !Date::Date::isValid(2026, 1, 1, -1) && !Date::Date::isValid(2026, 1, 1, 0, 0, -1));
static_assert(Date::Date(2026, Date::Dec, 7).nextWeekday(Date::Mon) ==
              Date::Date(2026, Date::Dec, 14));
static_assert(!Date::Date(2026, Date::Dec, 7).isLeapYear() &&
              Date::Date(2000, Date::Jan, 1).isLeapYear());

// What glibc says of the day `t` lies in.
struct Expected {
  int weekday, dayOfYear, isoYear, isoWeek, isoWeekday, daysInMonth;
};

Expected fromGlibc(std::time_t t) {
  std::tm split{};
  gmtime_r(&t, &split);
  std::array<char, 64> text{};
  std::strftime(text.data(), text.size(), "%w %j %G %V %u", &split);
  Expected e{};
  std::sscanf(text.data(), "%d %d %d %d %d", &e.weekday, &e.dayOfYear, &e.isoYear, &e.isoWeek,
              &e.isoWeekday);
  // The month's length: the day before the first of the next month.
  std::tm next = split;
  next.tm_mon += 1;
  next.tm_mday = 0;
  const std::time_t lastDay = timegm(&next);
  gmtime_r(&lastDay, &next);
  e.daysInMonth = next.tm_mday;
  return e;
}

void expectGlibcAnswers(const Date::Date& d) {
  const Expected e = fromGlibc(d.toTimeT());
  ASSERT_EQ(d.getWeekday(), e.weekday) << d;
  ASSERT_EQ(d.getDayOfYear(), e.dayOfYear) << d;
  ASSERT_EQ(d.getIsoWeek(), (Date::IsoWeek{e.isoYear, e.isoWeek, e.isoWeekday})) << d;
  ASSERT_EQ(d.getDaysInMonth(), e.daysInMonth) << d;
  ASSERT_EQ(d.isLeapYear(),
            d.getYear() % 4 == 0 && (d.getYear() % 100 != 0 || d.getYear() % 400 == 0));
  const Date::IsoWeek w = d.getIsoWeek();
  const Date::Date midnight(d.getYear(), static_cast<Date::Month>(d.getMonth()), d.getDay());
  ASSERT_EQ(Date::Date::fromIsoWeek(w.year, w.week, w.weekday), midnight) << d;
  ASSERT_EQ(d.lastDayOfMonth(), d.addDay(e.daysInMonth - d.getDay())) << d;
}

TEST(Calendar, EveryDayOfA400YearCycleMatchesGlibc) {
  const Date::Date start(2000, Date::Jan, 1, 13, 14, 15);
  for (int day = 0; day < 146097; ++day) expectGlibcAnswers(start.addDay(day));
}

TEST(Calendar, RandomDatesOfEveryYearMatchGlibc) {
  std::mt19937_64 random(41);
  std::uniform_int_distribution<std::int64_t> instant(-62167219200, 253402300799);
  for (int i = 0; i < 200000; ++i) expectGlibcAnswers(Date::Date::fromTimeT(instant(random)));
  // The first and last days, whose ISO years lie outside 0..9999.
  expectGlibcAnswers(Date::Date(0, Date::Jan, 1));
  expectGlibcAnswers(Date::Date(9999, Date::Dec, 31));
}

// The answer found by walking one day at a time.
Date::Date walk(Date::Date d, int step, Weekday w) {
  do d = d.addDay(step);
  while (d.getWeekday() != w);
  return d;
}

Date::Date nthByWalking(const Date::Date& d, int n, Weekday w) {
  const Date::Date first = d.addDay(1 - d.getDay());
  if (n >= 1) {
    Date::Date found = walk(first.addDay(-1), 1, w);
    for (int i = 1; i < n; ++i) found = found.addDay(7);
    return found;
  }
  if (n == 0) return walk(first, -1, w);
  Date::Date found = walk(d.lastDayOfMonth().addDay(1), -1, w);
  for (int i = -1; i > n; --i) found = found.addDay(-7);
  return found;
}

TEST(Calendar, NavigationMatchesADayByDayWalk) {
  std::mt19937_64 random(43);
  std::uniform_int_distribution<std::int64_t> instant(-62167219200, 253402300799);
  for (int i = 0; i < 20000; ++i) {
    const Date::Date d = Date::Date::fromTimeT(instant(random));
    for (int w = Date::Sun; w <= Date::Sat; ++w) {
      const auto weekday = static_cast<Weekday>(w);
      ASSERT_EQ(d.nextWeekday(weekday), walk(d, 1, weekday)) << d << ' ' << w;
      ASSERT_EQ(d.prevWeekday(weekday), walk(d, -1, weekday)) << d << ' ' << w;
      for (int n = -5; n <= 5; ++n) {
        ASSERT_EQ(d.nthWeekdayOfMonth(n, weekday), nthByWalking(d, n, weekday))
            << d << " n=" << n << " w=" << w;
      }
    }
  }
  // A weekday outside Sun..Sat counts modulo 7; extreme n carry exactly.
  const Date::Date d(2026, Date::Dec, 7, 1, 2, 3);
  EXPECT_EQ(d.nextWeekday(static_cast<Weekday>(8)), d.nextWeekday(Date::Mon));
  EXPECT_EQ(d.prevWeekday(static_cast<Weekday>(-1)), d.prevWeekday(Date::Sat));
  EXPECT_EQ(d.nthWeekdayOfMonth(INT32_MAX, Date::Tue),
            Date::Date::fromTimeT(d.nthWeekdayOfMonth(1, Date::Tue).toTimeT() +
                                  (INT32_MAX - std::int64_t{1}) * 7 * 86400));
  EXPECT_EQ(d.nthWeekdayOfMonth(INT32_MIN, Date::Tue),
            Date::Date::fromTimeT(d.nthWeekdayOfMonth(-1, Date::Tue).toTimeT() +
                                  (INT32_MIN + std::int64_t{1}) * 7 * 86400));
}

TEST(Calendar, DifferencesMatchInstants) {
  std::mt19937_64 random(47);
  std::uniform_int_distribution<std::int64_t> instant(-62167219200, 253402300799);
  std::uniform_int_distribution<int> nearby(-1000000, 1000000);
  for (int i = 0; i < 200000; ++i) {
    const Date::Date a = Date::Date::fromTimeT(instant(random));
    const Date::Date b =
        i % 2 == 0 ? Date::Date::fromTimeT(instant(random)) : a.addSecond(nearby(random));
    const std::int64_t seconds = b.toTimeT() - a.toTimeT();
    ASSERT_EQ(a.secondsUntil(b), seconds) << a << ' ' << b;
    const auto midnight = [](const Date::Date& d) {
      return Date::Date(d.getYear(), static_cast<Date::Month>(d.getMonth()), d.getDay());
    };
    ASSERT_EQ(a.daysUntil(b) * 86400, midnight(b).toTimeT() - midnight(a).toTimeT()) << a << b;
    ASSERT_EQ(a.addDay(static_cast<int>(a.daysUntil(b))).getDay(), b.getDay());
  }
  // Across the wrap the held years count: no shortcut through year 10000.
  const Date::Date last(9999, Date::Dec, 31, 23, 59, 59);
  const Date::Date next = last.addSecond(1);
  EXPECT_EQ(last.secondsUntil(next), -(std::int64_t{3652425} * 86400 - 1));
  EXPECT_EQ(next.daysUntil(last), 3652424);
}

}  // namespace
