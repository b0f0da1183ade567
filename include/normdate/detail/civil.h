// -----------------------------------------------------------------------------
// File: civil.h
// -----------------------------------------------------------------------------
//
// Internal: the calendar arithmetic under `Date::Date` (date.h), in namespace
// `Date::detail`. Nothing here is part of normdate's interface, and it may
// change in any release; include <normdate/date.h> instead.
//
// Every algorithm is constexpr and O(1): day counts and civil dates convert
// into each other arithmetically (the Neri-Schneider formulation), on a
// calendar moved 10000 years back so that each step is an unsigned division
// by a constant. The comment after each step gives the range of its result.
// 10000 Gregorian years are whole 400-year cycles and whole weeks
// (3652425 = 7 * 521775 days), so wrapping a year into 0..9999 moves no
// month, no day and no weekday.

#ifndef NORMDATE_CIVIL_H_
#define NORMDATE_CIVIL_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Date {

// The 64-bit signed integer in which day counts are kept.
using int64 = std::int64_t;

}  // namespace Date

namespace Date::detail {

// The six field values of a date.
struct Fields {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
};

// Floor division and the matching non-negative remainder, for divisor > 0.
constexpr int64 floorDiv(int64 value, int64 divisor) noexcept {
  const int64 quotient = value / divisor;
  return quotient - static_cast<int64>(value % divisor < 0);
}

constexpr int64 floorMod(int64 value, int64 divisor) noexcept {
  const int64 remainder = value % divisor;
  return remainder < 0 ? remainder + divisor : remainder;
}

// Days in 400 and in 10000 Gregorian years.
inline constexpr int64 daysInForYears = 146097;
inline constexpr int64 daysInAllYears = 25 * daysInForYears;

// Days from 0000-03-01 to the first day of `month` in `year`, counted on a
// calendar shifted 10000 years back so that every quantity stays unsigned.
// The result is the true count plus `daysInAllYears`.
// Preconditions: year in [0, 9999], month in [1, 12].
constexpr std::uint32_t daysToMonth(std::uint32_t year, std::uint32_t month) noexcept {
  // Years start on March 1, so January and February belong to the year before.
  const bool isJanFeb = month <= 2;
  const std::uint32_t y = year + 10000 - (isJanFeb ? 1 : 0);  // [9999, 19999]
  const std::uint32_t m = isJanFeb ? month + 12 : month;      // [3, 14]
  const std::uint32_t century = y / 100;                      // [99, 199]
  const std::uint32_t yearDays = 1461 * y / 4 - century + century / 4;
  const std::uint32_t monthDays = (979 * m - 2919) / 32;  // [0, 337]
  return yearDays + monthDays;
}

// The civil date `dayNumber` days after 0000-03-01, with the year wrapped
// into 0..9999. This is the Neri-Schneider Euclidean affine formulation: no
// loops and no tables, only multiplications and shifts.
// Precondition: dayNumber in [0, daysInAllYears).
constexpr void civilFromDays(std::uint32_t dayNumber, int& year, int& month, int& day) noexcept {
  // Century and day of the century.
  const std::uint32_t n1 = 4 * dayNumber + 3;          // [3, 14609699]
  const std::uint32_t century = n1 / 146097;           // [0, 99]
  const std::uint32_t dayOfCentury = n1 % 146097 / 4;  // [0, 36524]
  // Year of the century and day of the year (from March 1).
  const std::uint32_t n2 = 4 * dayOfCentury + 3;  // [3, 146099]
  const std::uint64_t p2 = std::uint64_t{2939745} * n2;
  const auto yearOfCentury = static_cast<std::uint32_t>(p2 >> 32);               // [0, 99]
  const std::uint32_t dayOfYear = static_cast<std::uint32_t>(p2) / 2939745 / 4;  // [0, 365]
  // Month (March = 3 .. February = 14) and day of the month.
  const std::uint32_t n3 = 2141 * dayOfYear + 197913;
  const std::uint32_t m = n3 >> 16;              // [3, 14]
  const std::uint32_t d = (n3 & 0xFFFF) / 2141;  // [0, 30]
  // Back to January-based years; year 10000 (its January or February) is 0.
  const bool isJanFeb = dayOfYear >= 306;
  const std::uint32_t y = 100 * century + yearOfCentury + (isJanFeb ? 1 : 0);  // [0, 10000]
  year = static_cast<int>(y == 10000 ? 0 : y);
  month = static_cast<int>(isJanFeb ? m - 12 : m);
  day = static_cast<int>(d + 1);
}

// The fields of day `dayOfCycle` after 0000-03-01 at second `secondOfDay`.
// Preconditions: dayOfCycle in [0, daysInAllYears), secondOfDay in [0, 86399].
constexpr Fields fieldsOf(std::uint32_t dayOfCycle, std::uint32_t secondOfDay) noexcept {
  int year = 0;
  int month = 0;
  int day = 0;
  civilFromDays(dayOfCycle, year, month, day);
  // The minute of the day first: two divisions, not three.
  const std::uint32_t minuteOfDay = secondOfDay / 60;  // [0, 1439]
  const std::uint32_t hour = minuteOfDay / 60;         // [0, 23]
  return {year,
          month,
          day,
          static_cast<int>(hour),
          static_cast<int>(minuteOfDay - hour * 60),          // [0, 59]
          static_cast<int>(secondOfDay - minuteOfDay * 60)};  // [0, 59]
}

// True for a leap year of the proleptic Gregorian calendar, for any year.
constexpr bool isLeapYear(int64 year) noexcept {
  // A year divisible by 100 is divisible by 400 exactly when it is by 16.
  return (year & 3) == 0 && (year % 25 != 0 || (year & 15) == 0);
}

// The number of days in `month` of `year`, for any year.
// Precondition: month in [1, 12] (any other month gives 30 or 31).
constexpr int64 daysInMonth(int64 year, int64 month) noexcept {
  // From March to July and from August to December, 31 and 30 days alternate,
  // which bit 0 of month ^ (month >> 3) tells.
  return month == 2 ? 28 + static_cast<int64>(isLeapYear(year)) : 30 | ((month ^ (month >> 3)) & 1);
}

// The number of days in `year`, for any year.
constexpr int64 daysInYear(int64 year) noexcept {
  return 365 + static_cast<int64>(isLeapYear(year));
}

// True when the six values already form a normalised date and time, which
// normalisation would return unchanged. The tests are combined without
// branches, so that the caller's one branch is all that depends on the input.
constexpr bool isNormalised(int64 year, int64 month, int64 day, int64 hour, int64 minute,
                            int64 second) noexcept {
  const int64 monthLength = daysInMonth(year, month);
  // & keeps the six tests branch-free.
  // NOLINTBEGIN(readability-implicit-bool-conversion)
  return (static_cast<std::uint64_t>(hour) < 24) & (static_cast<std::uint64_t>(minute) < 60) &
         (static_cast<std::uint64_t>(second) < 60) & (static_cast<std::uint64_t>(year) <= 9999) &
         (static_cast<std::uint64_t>(month - 1) < 12) &
         (static_cast<std::uint64_t>(day - 1) < static_cast<std::uint64_t>(monthLength));
  // NOLINTEND(readability-implicit-bool-conversion)
}

// The carrying step of `normalise` below, for fields that are not already
// normalised.
constexpr Fields carry(int64 year, int64 month, int64 day, int64 hour, int64 minute,
                       int64 second) noexcept {
  using std::uint64_t;
  // Each floor division below first adds a whole number of divisors larger
  // than any dividend, so that it is an unsigned division by a constant.
  // Time of day: seconds in (-2^45, 2^45).
  const uint64_t seconds =
      static_cast<uint64_t>(second + 60 * minute + 3600 * hour) + (uint64_t{86400} << 32);
  const uint64_t days = seconds / 86400;  // [2^32 - 2^29, 2^32 + 2^29]
  const auto secondOfDay = static_cast<std::uint32_t>(seconds - days * 86400);  // [0, 86399]
  const int64 carriedDays = static_cast<int64>(days) - (int64{1} << 32);        // (-2^29, 2^29)
  // Month into the year, then the year wrapped.
  const uint64_t months = static_cast<uint64_t>(month - 1) + (uint64_t{12} << 34);
  const uint64_t years = months / 12;  // [2^34 - 2^31, 2^34 + 2^31]
  const auto monthOfYear = static_cast<std::uint32_t>(months - years * 12 + 1);  // [1, 12]
  const int64 carriedYears = static_cast<int64>(years) - (int64{1} << 34);       // (-2^31, 2^31)
  const auto wrappedYear = static_cast<std::uint32_t>(
      (static_cast<uint64_t>(year + carriedYears) + (uint64_t{10000} << 34)) % 10000);  // [0, 9999]
  // Day number, reduced to one 10000-year cycle: dayNumber in (-2^34, 2^34).
  const int64 dayNumber = daysToMonth(wrappedYear, monthOfYear) + (day - 1) + carriedDays;
  const auto dayOfCycle = static_cast<std::uint32_t>(
      (static_cast<uint64_t>(dayNumber) + (static_cast<uint64_t>(daysInAllYears) << 14)) %
      static_cast<uint64_t>(daysInAllYears));  // [0, 3652424]
  return fieldsOf(dayOfCycle, secondOfDay);
}

// Normalises six field values, each of magnitude below 2^33: starting at
// 00:00:00 on the first day of `month` of `year` (the month carried into the
// year first), moves (day - 1) days, `hour` hours, `minute` minutes and
// `second` seconds, and wraps the year reached into 0..9999. Kept apart from
// `carry` so that this check of already normalised fields stays small enough
// to be inlined wherever a date is built.
constexpr Fields normalise(int64 year, int64 month, int64 day, int64 hour, int64 minute,
                           int64 second) noexcept {
  if (isNormalised(year, month, day, hour, minute, second)) {
    return {static_cast<int>(year), static_cast<int>(month),  static_cast<int>(day),
            static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second)};
  }
  return carry(year, month, day, hour, minute, second);
}

// Days from 0000-03-01 to 1970-01-01.
inline constexpr int64 daysToEpoch = 719468;

// The UTC date and time `seconds` after 1970-01-01 00:00:00, the year wrapped
// into 0..9999. Total over every int64.
constexpr Fields fromSeconds(int64 seconds) noexcept {
  // Most instants lie in the cycle from 0000-03-01, where the day counted
  // from its start needs no reduction by whole cycles. The sum is unsigned,
  // so that an instant far outside wraps to a value beyond the cycle.
  const std::uint64_t inCycle =
      static_cast<std::uint64_t>(seconds) + static_cast<std::uint64_t>(daysToEpoch * 86400);
  if (inCycle < static_cast<std::uint64_t>(daysInAllYears * 86400)) {
    const std::uint64_t days = inCycle / 86400;  // [0, daysInAllYears)
    return fieldsOf(static_cast<std::uint32_t>(days),
                    static_cast<std::uint32_t>(inCycle - days * 86400));  // [0, 86399]
  }
  // Within four 10000-year cycles of 1970, a bias of whole cycles makes the
  // divisions unsigned; beyond, the floor divisions below.
  constexpr int64 bias = 4 * daysInAllYears * 86400;  // about 2^40.2
  if (seconds > -bias && seconds < bias) {
    const auto biased = static_cast<std::uint64_t>(seconds + bias + daysToEpoch * 86400);
    const std::uint64_t days = biased / 86400;  // [daysToEpoch, 8 * daysInAllYears + daysToEpoch)
    const auto secondOfDay = static_cast<std::uint32_t>(biased - days * 86400);  // [0, 86399]
    const auto dayOfCycle = static_cast<std::uint32_t>(days % daysInAllYears);   // [0, 3652424]
    return fieldsOf(dayOfCycle, secondOfDay);
  }
  const int64 days = floorDiv(seconds, 86400);
  const auto secondOfDay = static_cast<std::uint32_t>(floorMod(seconds, 86400));  // [0, 86399]
  const auto dayOfCycle =
      static_cast<std::uint32_t>((floorMod(days, daysInAllYears) + daysToEpoch) % daysInAllYears);
  return fieldsOf(dayOfCycle, secondOfDay);
}

// Days from 1970-01-01 to the given date, negative before it.
// Preconditions: year in [0, 9999], month in [1, 12].
constexpr int64 daysFromEpoch(int year, int month, int day) noexcept {
  return int64{daysToMonth(static_cast<std::uint32_t>(year), static_cast<std::uint32_t>(month))} -
         daysInAllYears - daysToEpoch + (day - 1);
}

// The date `days` days after 1970-01-01, at second `secondOfDay` of that day
// (which may be any value: it carries), the year wrapped into 0..9999.
// Precondition: |days| below 2^46, so that the seconds fit an int64.
constexpr Fields fromDays(int64 days, int64 secondOfDay) noexcept {
  return fromSeconds(days * 86400 + secondOfDay);
}

// The months' three-letter names, January first.
inline constexpr std::array<std::string_view, 12> monthNames = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// ---- Weeks and the day of the year. ----

// For each month, the weekday shift of its first day, so that January and
// February count as months of the year before (Sakamoto's table).
inline constexpr std::array<std::uint8_t, 13> weekdayShift = {0, 0, 3, 2, 5, 0, 3,
                                                              5, 1, 4, 6, 2, 4};

// The weekday, 0 = Sunday .. 6 = Saturday.
// Preconditions: year in [0, 9999], month in [1, 12], day in [1, 31].
constexpr int weekdayOf(int year, int month, int day) noexcept {
  // A common year is 52 weeks and a day, so a year moves the weekday by one
  // and each leap day by one more. 400 years are whole weeks: the bias keeps
  // year 0's January and February, counted in the year before, unsigned.
  const auto y = static_cast<std::uint32_t>(year + 400 - (month <= 2 ? 1 : 0));  // [399, 10399]
  const std::uint32_t leapDays = y / 4 - y / 100 + y / 400;                      // [97, 2521]
  const std::uint32_t shift = weekdayShift[static_cast<std::size_t>(month)];     // [0, 6]
  return static_cast<int>((y + leapDays + shift + static_cast<std::uint32_t>(day)) % 7);  // [0, 6]
}

// Days before the first of each month in a common year; entry 0 is unused.
inline constexpr std::array<std::uint16_t, 13> daysBeforeMonth = {0,   0,   31,  59,  90,  120, 151,
                                                                  181, 212, 243, 273, 304, 334};

// The day of the year, 1 = January 1.
// Preconditions: year in [0, 9999], month in [1, 12], day in [1, 31].
constexpr int dayOfYear(int year, int month, int day) noexcept {
  // A held year is small and not negative, so the leap test runs on 32
  // unsigned bits, where y % 25 is a multiplication. A leap year's extra day
  // counts from March on.
  const auto y = static_cast<std::uint32_t>(year);
  const int leapDay =
      (y & 3) == 0 && month > 2 && (y % 25 != 0 || (y & 15) == 0) ? 1 : 0;  // [0, 1]
  return daysBeforeMonth[static_cast<std::size_t>(month)] + leapDay + day;  // [1, 366]
}

// An ISO 8601 week date: the week-numbering year, the week 1..53, and the
// weekday 1 = Monday .. 7 = Sunday.
struct WeekDate {
  int year;
  int week;
  int weekday;
};

// The ISO week date of a day. A week belongs to the year of its Thursday, so
// the year is `year` - 1, `year` or `year` + 1 (-1 for a day of year 0).
// Preconditions: year in [0, 9999], month in [1, 12], day in [1, 31].
constexpr WeekDate isoWeekOf(int year, int month, int day) noexcept {
  const int weekday = (weekdayOf(year, month, day) + 6) % 7 + 1;  // [1, 7]
  // The day of the year of this week's Thursday, counted from January 1.
  const int thursday = dayOfYear(year, month, day) - weekday + 4;  // [-2, 369]
  const auto lastYear = static_cast<int>(daysInYear(year - 1));    // [365, 366]
  const auto thisYear = static_cast<int>(daysInYear(year));        // [365, 366]
  if (thursday < 1) return {year - 1, (thursday + lastYear - 1) / 7 + 1, weekday};
  if (thursday > thisYear) return {year + 1, 1, weekday};
  return {year, (thursday - 1) / 7 + 1, weekday};  // week in [1, 53]
}

// Days from 1970-01-01 to day `weekday` of week `week` of ISO year `isoYear`:
// the Monday of week 1 (the week of January 4), plus 7 * (week - 1) +
// (weekday - 1) days. Any values; the year counts modulo 10000, which moves
// no weekday. The result is below 2^35 in magnitude.
constexpr int64 daysFromIsoWeek(int isoYear, int week, int weekday) noexcept {
  const auto year = static_cast<int>(floorMod(isoYear, 10000));  // [0, 9999]
  const int jan4SinceMonday = (weekdayOf(year, 1, 4) + 6) % 7;   // [0, 6]
  return daysFromEpoch(year, 1, 4) - jan4SinceMonday + 7 * (int64{week} - 1) + (int64{weekday} - 1);
}

// The day of the month, counted from its first day and so possibly outside
// the month, of the n-th weekday `weekday` (0 = Sunday .. 6) of the month:
// from its first such weekday for n >= 0 (n = 0 is the week before it), from
// its last for n <= -1. Preconditions: year in [0, 9999], month in [1, 12],
// weekday in [0, 6]. The result is below 2^35 in magnitude.
constexpr int64 nthWeekdayDay(int year, int month, int64 n, int weekday) noexcept {
  const int firstWeekday = weekdayOf(year, month, 1);  // [0, 6]
  if (n >= 0) {
    const int first = 1 + (weekday - firstWeekday + 7) % 7;  // [1, 7]
    return first + 7 * (n - 1);
  }
  const int64 length = daysInMonth(year, month);                // [28, 31]
  const int64 lastWeekday = (firstWeekday + length - 1) % 7;    // [0, 6]
  const int64 last = length - (lastWeekday - weekday + 7) % 7;  // [22, 31]
  return last + 7 * (n + 1);
}

}  // namespace Date::detail

#endif  // NORMDATE_CIVIL_H_
