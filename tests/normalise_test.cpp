// Normalisation, construction, ordering and shifts, checked against glibc's
// timegm as an independent oracle, on tables, sweeps and random inputs.

#include <gtest/gtest.h>
#include <normdate/date.h>

#include <array>
#include <climits>
#include <cstdint>
#include <random>

#include "oracle.h"

namespace {

using oracle::Fields;

struct Worked {
  Fields input;
  Fields result;
};

// The defining examples of normalisation, each a different carry.
constexpr std::array<Worked, 14> kWorked = {{
    {{2010, 2, 30, 22, 59, 72}, {2010, 3, 2, 23, 0, 12}},
    {{9999, 2, -36500, 20, 0, 7}, {9899, 2, 24, 20, 0, 7}},
    {{2000, 2, 29, 0, 0, 0}, {2000, 2, 29, 0, 0, 0}},
    {{2100, 2, 29, 0, 0, 0}, {2100, 3, 1, 0, 0, 0}},
    {{9999, 12, 31, 23, 59, 60}, {0, 1, 1, 0, 0, 0}},
    {{-1, 1, 1, 0, 0, 0}, {9999, 1, 1, 0, 0, 0}},
    {{2010, 0, 1, 0, 0, 0}, {2009, 12, 1, 0, 0, 0}},
    {{2010, 13, 1, 0, 0, 0}, {2011, 1, 1, 0, 0, 0}},
    {{2010, -12, 1, 0, 0, 0}, {2008, 12, 1, 0, 0, 0}},
    {{2010, 3, -1, 0, 0, 0}, {2010, 2, 27, 0, 0, 0}},
    {{2010, 3, 0, 0, 0, 0}, {2010, 2, 28, 0, 0, 0}},
    {{2010, 1, 1, 0, 0, -60}, {2009, 12, 31, 23, 59, 0}},
    {{2000, 1, 146097, 0, 0, 0}, {2399, 12, 31, 0, 0, 0}},
    {{0, 1, 1, 0, 0, -1}, {9999, 12, 31, 23, 59, 59}},
}};

constexpr Date::Date build(const Fields& f) {
  return {f.year, f.month, f.day, f.hour, f.minute, f.second};
}

constexpr bool holds(const Date::Date& d, const Fields& f) {
  return d.getYear() == f.year && d.getMonth() == f.month && d.getDay() == f.day &&
         d.getHour() == f.hour && d.getMinute() == f.minute && d.getSecond() == f.second;
}

constexpr bool allWorkedHold() {
  for (const Worked& w : kWorked) {
    if (!holds(build(w.input), w.result)) return false;
  }
  return true;
}
static_assert(allWorkedHold(), "normalisation is usable at compile time");
static_assert(holds(Date::Date(2010, Date::Jan, 31).addMonth(1), {2010, 3, 3, 0, 0, 0}));
static_assert(holds(Date::Date(2000, Date::Feb, 29).addYear(1), {2001, 3, 1, 0, 0, 0}));
static_assert(holds(Date::Date(1991, Date::Apr, 7), {1991, 4, 7, 0, 0, 0}));
static_assert(holds(Date::Date(9999, 12, 31, 23, 59, 59).addSecond(1), {0, 1, 1, 0, 0, 0}));
static_assert(Date::Date(2010, Date::Dec, 31, 23, 59, 59) < Date::Date(2011, Date::Jan, 1));

Fields oracleOf(const Fields& f) {
  return oracle::normalise(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

TEST(Normalise, WorkedResults) {
  for (const Worked& w : kWorked) {
    EXPECT_EQ(oracle::of(build(w.input)), w.result) << "input " << w.input;
    EXPECT_EQ(oracleOf(w.input), w.result) << "oracle disagrees on " << w.input;
    EXPECT_EQ(oracle::of(Date::Date(w.input.year, static_cast<Date::Month>(w.input.month),
                                    w.input.day, w.input.hour, w.input.minute, w.input.second)),
              w.result);
  }
}

// Each field exactly one past either end of its range must leave the
// already-normalised fast path and carry.
TEST(Normalise, FieldsOnePastTheirRangeCarry) {
  const Fields base{2011, 2, 28, 23, 59, 59};
  const std::array<Fields, 12> offRange = {{{10000, 2, 28, 23, 59, 59},
                                            {-1, 2, 28, 23, 59, 59},
                                            {2011, 13, 28, 23, 59, 59},
                                            {2011, 0, 28, 23, 59, 59},
                                            {2011, 2, 29, 23, 59, 59},
                                            {2011, 2, 0, 23, 59, 59},
                                            {2011, 2, 28, 24, 59, 59},
                                            {2011, 2, 28, -1, 59, 59},
                                            {2011, 2, 28, 23, 60, 59},
                                            {2011, 2, 28, 23, -1, 59},
                                            {2011, 2, 28, 23, 59, 60},
                                            {2011, 2, 28, 23, 59, -1}}};
  EXPECT_TRUE(holds(build(base), base));
  for (const Fields& f : offRange) {
    EXPECT_TRUE(
        holds(build(f), oracle::normalise(f.year, f.month, f.day, f.hour, f.minute, f.second)))
        << f;
  }
  EXPECT_TRUE(holds(Date::Date(2010, Date::Jan, 1, 0, 60, 0), {2010, 1, 1, 1, 0, 0}));
}

TEST(Normalise, LargeSecondCarryInOneCall) {
  const Fields input{2010, 1, 1, 0, 0, 2000000000};
  EXPECT_EQ(oracle::of(build(input)), oracleOf(input));
  EXPECT_EQ(oracle::of(build(input)), (Fields{2073, 5, 18, 3, 33, 20}));
}

// Every day of a whole 400-year cycle, forward and back from a fixed date,
// through the six-field constructor and through addDay.
TEST(Normalise, EveryDayOfA400YearCycleMatchesOracle) {
  const Fields start{2024, 3, 15, 6, 7, 8};
  const Date::Date startDate = build(start);
  const std::time_t startTime = oracle::toTime(start);
  int mismatches = 0;
  for (int offset = -146097; offset <= 146097; ++offset) {
    const Fields expected = oracle::fromTime(startTime + std::time_t{offset} * 86400);
    Fields input = start;
    input.day += offset;
    mismatches += oracle::of(build(input)) != expected;
    mismatches += oracle::of(startDate.addDay(offset)) != expected;
  }
  EXPECT_EQ(mismatches, 0);
}

// Every (month, day) pair with months -30..30 and days -400..400, in a leap
// and a common year.
TEST(Normalise, MonthDayGridMatchesOracle) {
  int mismatches = 0;
  for (const int year : {2000, 2001}) {
    for (int month = -30; month <= 30; ++month) {
      for (int day = -400; day <= 400; ++day) {
        const Fields input{year, month, day, 0, 0, 0};
        const Fields got = oracle::of(build(input));
        if (got != oracleOf(input)) {
          ADD_FAILURE() << input << " gave " << got << ", oracle " << oracleOf(input);
          if (++mismatches > 10) return;
        }
      }
    }
  }
}

// Random fields, each drawn from a small, a medium or the full int range.
TEST(Normalise, MillionRandomInputsMatchOracle) {
  std::mt19937_64 random(20261207);
  std::array<std::uniform_int_distribution<int>, 3> ranges = {
      std::uniform_int_distribution<int>(-100, 100),
      std::uniform_int_distribution<int>(-1000000, 1000000),
      std::uniform_int_distribution<int>(INT_MIN, INT_MAX)};
  std::uniform_int_distribution<std::size_t> pick(0, ranges.size() - 1);
  auto draw = [&] { return ranges[pick(random)](random); };
  int mismatches = 0;
  for (int i = 0; i < 1000000; ++i) {
    const Fields input{draw(), draw(), draw(), draw(), draw(), draw()};
    const Fields got = oracle::of(build(input));
    if (got != oracleOf(input)) {
      ADD_FAILURE() << input << " gave " << got << ", oracle " << oracleOf(input);
      if (++mismatches > 10) return;
    }
  }
}

constexpr std::array<int, 5> kExtremes = {INT_MIN, INT_MIN + 1, -1, 0, INT_MAX};

// Every field at every extreme value, in all 5^6 combinations, through the
// six-field constructors of both kinds and the date-only constructor.
TEST(Normalise, ExtremeFieldsMatchOracle) {
  int mismatches = 0;
  for (int combination = 0; combination < 15625; ++combination) {
    std::array<int, 6> f{};
    for (int field = 0, rest = combination; field < 6; ++field, rest /= 5) {
      f[static_cast<std::size_t>(field)] = kExtremes[static_cast<std::size_t>(rest % 5)];
    }
    const Fields input{f[0], f[1], f[2], f[3], f[4], f[5]};
    const Fields expected = oracleOf(input);
    mismatches += oracle::of(build(input)) != expected;
    const auto month = static_cast<Date::Month>(input.month);
    mismatches += oracle::of(Date::Date(input.year, month, input.day, input.hour, input.minute,
                                        input.second)) != expected;
    mismatches += oracle::of(Date::Date(input.year, month, input.day)) !=
                  oracleOf({input.year, input.month, input.day, 0, 0, 0});
  }
  EXPECT_EQ(mismatches, 0);
}

// Each shift by every extreme amount, on dates near the ends of the calendar.
TEST(Shifts, ExtremeAmountsMatchOracle) {
  for (const Fields start : {Fields{0, 1, 1, 0, 0, 0}, Fields{9999, 12, 31, 23, 59, 59},
                             Fields{2000, 2, 29, 12, 30, 30}}) {
    const Date::Date d = build(start);
    const std::time_t t = oracle::toTime(start);
    for (const int n : kExtremes) {
      const std::int64_t amount = n;
      EXPECT_EQ(oracle::of(d.addSecond(n)), oracle::fromTime(t + amount)) << start << " + " << n;
      EXPECT_EQ(oracle::of(d.addMinute(n)), oracle::fromTime(t + amount * 60)) << start;
      EXPECT_EQ(oracle::of(d.addHour(n)), oracle::fromTime(t + amount * 3600)) << start;
      EXPECT_EQ(oracle::of(d.addDay(n)), oracle::fromTime(t + amount * 86400)) << start;
      EXPECT_EQ(oracle::of(d.addMonth(n)),
                oracle::normalise(start.year, start.month + amount, start.day, start.hour,
                                  start.minute, start.second))
          << start << " + " << n << " months";
      EXPECT_EQ(oracle::of(d.addYear(n)),
                oracle::normalise(start.year + amount, start.month, start.day, start.hour,
                                  start.minute, start.second))
          << start << " + " << n << " years";
    }
  }
}

// Shifts keep the day number and let normalisation carry the excess.
TEST(Shifts, MonthAndYearShiftsCarryMissingDays) {
  struct Case {
    Fields start;
    int months;
    int years;
    Fields result;
  };
  const std::array<Case, 5> cases = {{
      {{2010, 1, 31, 0, 0, 0}, 1, 0, {2010, 3, 3, 0, 0, 0}},
      {{2000, 2, 29, 0, 0, 0}, 0, 1, {2001, 3, 1, 0, 0, 0}},
      {{2000, 2, 29, 0, 0, 0}, 0, 400, {2400, 2, 29, 0, 0, 0}},
      {{2026, 10, 31, 5, 0, 0}, -100, 0, {2018, 7, 1, 5, 0, 0}},
      {{2026, 12, 6, 2, 4, 49}, -100, 0, {2018, 8, 6, 2, 4, 49}},
  }};
  for (const Case& c : cases) {
    EXPECT_EQ(oracle::of(build(c.start).addMonth(c.months).addYear(c.years)), c.result) << c.start;
  }
}

Fields randomValidFields(std::mt19937_64& random) {
  const int year = std::uniform_int_distribution<int>(0, 9999)(random);
  const int month = std::uniform_int_distribution<int>(1, 12)(random);
  const Date::Date d(year, month, std::uniform_int_distribution<int>(1, 31)(random),
                     std::uniform_int_distribution<int>(0, 23)(random),
                     std::uniform_int_distribution<int>(0, 59)(random),
                     std::uniform_int_distribution<int>(0, 59)(random));
  return oracle::of(d);
}

// Seconds since 0000-01-01 00:00:00, which orders dates as time does.
std::int64_t secondsOf(const Date::Date& d) {
  return oracle::toTime(oracle::of(d)) - oracle::toTime({0, 1, 1, 0, 0, 0});
}

TEST(Properties, NormalisedDatesAreFixedPointsAndShiftsInvert) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<int> amount(-5000000, 5000000);
  for (int i = 0; i < 100000; ++i) {
    const Fields f = randomValidFields(random);
    const Date::Date d = build(f);
    ASSERT_EQ(oracle::of(d), f) << "normalising a normalised date changed it";
    const int n = amount(random);
    ASSERT_EQ(oracle::of(d.addDay(n).addDay(-n)), f) << n << " days";
    ASSERT_EQ(oracle::of(d.addSecond(n).addSecond(-n)), f) << n << " seconds";
  }
}

TEST(Properties, LessAgreesWithTimeOrder) {
  std::mt19937_64 random(11);
  std::uniform_int_distribution<int> nearby(-3, 3);
  for (int i = 0; i < 100000; ++i) {
    const Date::Date a = build(randomValidFields(random));
    // Half the pairs are a few seconds, minutes or days apart, or equal.
    const Date::Date b = i % 2 == 0 ? build(randomValidFields(random))
                                    : a.addSecond(nearby(random)).addDay(nearby(random));
    ASSERT_EQ(a < b, secondsOf(a) < secondsOf(b)) << a << " vs " << b;
    ASSERT_EQ(b < a, secondsOf(b) < secondsOf(a)) << b << " vs " << a;
  }
}

TEST(Ordering, FirstDifferingFieldDecides) {
  const Date::Date base(2010, Date::May, 10, 10, 30, 30);
  EXPECT_FALSE(base < base);
  const std::array<Date::Date, 6> later = {base.addYear(1), base.addMonth(1),  base.addDay(1),
                                           base.addHour(1), base.addMinute(1), base.addSecond(1)};
  for (const Date::Date& d : later) {
    EXPECT_TRUE(base < d) << d;
    EXPECT_FALSE(d < base) << d;
  }
}

}  // namespace
