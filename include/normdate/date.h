// -----------------------------------------------------------------------------
// File: date.h
// -----------------------------------------------------------------------------
//
// normdate: Gregorian dates with a time of day that are always normalised.
//
// A `Date::Date` holds six fields, year, month, day, hour, minute and second.
// Whatever field values it is built from, it ends up holding a real calendar
// date and time of day: year 0..9999, month 1..12, a day within that month,
// hour 0..23, minute and second 0..59. Out-of-range values are not rejected;
// they are carried through the proleptic Gregorian calendar, and the year is
// wrapped modulo 10000 (10000 years are whole 400-year cycles, so the wrap
// never moves a month or a day).
//
// Examples:
//
//   // Excess seconds and days carry forward: 2010-Mar-02 23:00:12
//   constexpr Date::Date overflow(2010, Date::Feb, 30, 22, 59, 72);
//
//   // Shifts keep the day number and let normalisation carry the excess:
//   // January 31 plus one month is built as February 31, which is March 3.
//   constexpr Date::Date jan31(2010, Date::Jan, 31);
//   static_assert(jan31.addMonth(1).getDay() == 3);
//
//   // The year wraps: one second past 9999-Dec-31 23:59:59 is 00-Jan-01
//   // 00:00:00, and year -1 is year 9999.
//   constexpr Date::Date end(9999, Date::Dec, 31, 23, 59, 59);
//   static_assert(end.addSecond(1).getYear() == 0);
//
// Every field-taking constructor and every shift is total: each field may be
// any `int`, INT_MIN and INT_MAX included. Carries are done in 64-bit
// arithmetic, so the result is the exact calendar answer and never a signed
// overflow. Normalisation converts between day counts and civil dates
// arithmetically in O(1); a carry of two billion seconds costs the same as a
// carry of one.
//
// Three behaviours are kept on purpose, and catch people out:
//
// - The two three-argument constructors differ by the type of their second
//   argument. `Date(1991, Date::Apr, 7)` is the date 1991-Apr-07 00:00:00;
//   `Date(1991, 4, 7)` with a plain integer is a time of day on today's UTC
//   date: hour 1991, minute 4, second 7, which is 23:04:07 on the 82nd day
//   after today. So `Date(d.getYear(), d.getMonth(), d.getDay())` is not `d`
//   at midnight; write
//     Date::Date(d.getYear(), static_cast<Date::Month>(d.getMonth()), d.getDay())
// - `Date::Date d;` is not a zero or empty date: default construction reads
//   the system clock.
// - `getInterval` counts every month as 30 days and borrows once per field,
//   so `b.addInterval(a.getInterval(b))` is not always `a`. For exact
//   differences use `daysUntil` and `secondsUntil`.
//
// Formatting replaces the tokens YYYY, MMM, MM, DD, hh, mm and ss of a format
// string by the date's fields (`toString`), and parsing reads them back
// (`parse`, `tryParse`):
//
//   Date::Date d = Date::Date::parse("2026-Dec-06 02:04:49");
//   d.toString("DD.MM.YYYY hh:mm");  // "06.12.2026 02:04"
//
// A date answers the usual calendar questions in O(1), at compile time too:
//
//   constexpr Date::Date d(2026, Date::Dec, 7);
//   d.getWeekday();                        // Date::Mon
//   d.getIsoWeek();                        // {2026, 50, 1}: Monday of week 50
//   d.nthWeekdayOfMonth(-1, Date::Fri);    // 2026-Dec-25, the month's last Friday
//   d.daysUntil(Date::Date(2027, Date::Jan, 1));  // 25
//
// The difference of two dates is a six-field `DateInterval` (interval.h),
// dates convert from and to std::chrono::sys_seconds, time_t and std::tm, and
// an instant to the nanosecond is a `Date::Timestamp` (timestamp.h).
//
// The namespace and its date class share the name `Date`, so after `using
// namespace Date;` a plain `Date` is ambiguous and does not compile. Write
// the class as `::Date::Date` there (some compilers also take `Date::Date`,
// others not), or bring in only the names you use: `using Date::Month;`.

#ifndef NORMDATE_DATE_H_
#define NORMDATE_DATE_H_

#include <normdate/detail/civil.h>
#include <normdate/export.h>
#include <normdate/interval.h>
#include <normdate/span.h>

#include <array>
#include <chrono>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <iosfwd>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <version>

// 1 where the standard library's <format> is usable, so that
// <normdate/format.h> builds; 0 elsewhere. libc++ 16 has it only with
// -fexperimental-library, and defines no feature-test macro for it.
#if defined(__cpp_lib_format) || (defined(_LIBCPP_VERSION) && _LIBCPP_VERSION >= 160000 && \
                                  !defined(_LIBCPP_HAS_NO_INCOMPLETE_FORMAT))
#define NORMDATE_HAS_STD_FORMAT 1
#else
#define NORMDATE_HAS_STD_FORMAT 0
#endif

namespace Date {

class Timestamp;
class TimeZone;

// The months of the year. The underlying type is fixed, so any `int` is a
// well-defined `Month` value; a constructor may hold month 14 or -3 for the
// moment before it normalises.
enum Month : int {
  Jan = 1,
  Feb,
  Mar,
  Apr,
  May,
  Jun,
  Jul,
  Aug,
  Sep,
  Oct,
  Nov,
  Dec,
};

// The days of the week, numbered as tm_wday numbers them.
enum Weekday : int { Sun = 0, Mon, Tue, Wed, Thu, Fri, Sat };

// An ISO 8601 week date: the week-numbering year (a plain integer, so that
// 0000-01-01, which lies in the last week of the year before, is in week 52
// of ISO year -1), the week 1..53 and the weekday 1 = Monday .. 7 = Sunday.
struct IsoWeek {
  int year;
  int week;
  int weekday;
  friend constexpr bool operator==(const IsoWeek&, const IsoWeek&) = default;
};

// Thrown by `Date::parse` when a text does not match its format. The message
// says what was expected at which offset of the text, and what was found.
class NORMDATE_EXPORT ParseError : public std::invalid_argument {
 public:
  ParseError(const std::string& message, std::size_t offset)
      : std::invalid_argument(message), where(offset) {}
  ParseError(const ParseError&) = default;
  ParseError& operator=(const ParseError&) = default;
  // Defined in the library, so that the class's type information and virtual
  // table live there once rather than in every program that uses it.
  ~ParseError() override;

  // The offset in the text at which reading failed.
  [[nodiscard]] std::size_t offset() const noexcept { return where; }

 private:
  std::size_t where;
};

// A Gregorian date with a time of day, normalised whenever it is built from
// field values. A plain value of six `int` fields; copying is cheap.
class Date {
 public:
  // Clock constructor: the current UTC time, read with `time` and split with
  // `gmtime_r` (safe to call from several threads at once). The fields are
  // stored as the system reports them, a leap second of 60 included; a year
  // beyond 9999 wraps, and a field out of range that no working clock gives
  // (month 13, say) is carried like any other date's. If the clock cannot be
  // read or split, the date is 1970-01-01 00:00:00. So every date holds
  // normalised fields, except that a clock reading may hold second 60.
  // The split is the C library's own, so where TZ names a zone that counts
  // leap seconds (TZ=right/UTC), it follows that zone's count, as `date -u`
  // does there: the fields are then that many seconds behind those of
  // std::chrono::system_clock, and a reading can be 23:59:60.
  NORMDATE_EXPORT Date() noexcept;

  constexpr Date(const Date& other) = default;

  // Builds the date from six field values of any size and normalises them.
  constexpr Date(int _year, Month _month, int _day, int _hour, int _minute, int _second) noexcept
      : year(_year), month(_month), day(_day), hour(_hour), minute(_minute), second(_second) {
    normDate();
  }

  // As above, with the month as a plain integer.
  constexpr Date(int _year, int _month, int _day, int _hour, int _minute, int _second) noexcept
      : Date(_year, static_cast<Month>(_month), _day, _hour, _minute, _second) {}

  // A date at 00:00:00. The month must be a `Month`: three plain integers
  // mean a time of day (see below).
  constexpr Date(int _year, Month _month, int _day) noexcept : Date(_year, _month, _day, 0, 0, 0) {}

  // A time of day on today's UTC date, read from the clock as by `Date()`,
  // normalised, so that hour 25 is 01:00 tomorrow.
  NORMDATE_EXPORT Date(int _hour, int _minute, int _second) noexcept;

  constexpr Date& operator=(const Date& other) = default;

  // The UTC date and time of an instant, with the year wrapped into 0..9999
  // like every other date. Every instant is accepted; a time point of another
  // precision converts with std::chrono::floor<std::chrono::seconds>:
  //
  //   Date::Date now(std::chrono::floor<std::chrono::seconds>(
  //       std::chrono::system_clock::now()));
  constexpr explicit Date(std::chrono::sys_seconds instant) noexcept
      : Date(detail::fromSeconds(instant.time_since_epoch().count())) {}

  // As above, from seconds since 1970-01-01 00:00:00 UTC.
  [[nodiscard]] static constexpr Date fromTimeT(std::time_t t) noexcept {
    return Date(detail::fromSeconds(t));
  }

  // The UTC date of an instant if it lies within 0000-01-01 00:00:00 ..
  // 9999-12-31 23:59:59, and nothing otherwise (where the constructor above
  // would wrap the year):
  //
  //   Date::Date::tryFromSysSeconds(sys_days{year{12026} / December / 6})  // nothing
  [[nodiscard]] static constexpr std::optional<Date> tryFromSysSeconds(
      std::chrono::sys_seconds instant) noexcept {
    return fromSecondsInRange(instant.time_since_epoch().count());
  }

  // As above, from seconds since 1970-01-01 00:00:00 UTC.
  [[nodiscard]] static constexpr std::optional<Date> tryFromTimeT(std::time_t t) noexcept {
    return fromSecondsInRange(t);
  }

  // True when this date is strictly earlier than `other`: the fields are
  // compared from the year down to the second.
  constexpr bool operator<(const Date& other) const noexcept {
    if (year != other.year) return year < other.year;
    if (month != other.month) return month < other.month;
    if (day != other.day) return day < other.day;
    if (hour != other.hour) return hour < other.hour;
    if (minute != other.minute) return minute < other.minute;
    return second < other.second;
  }

  // Field-by-field equality, and the other comparisons in the order of
  // `operator<`: the fields are compared in their declared order.
  // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy 14 takes a comparison's 0 for a pointer
  friend constexpr auto operator<=>(const Date&, const Date&) = default;

  [[nodiscard]] constexpr int getYear() const noexcept { return year; }
  // The month number, 1..12.
  [[nodiscard]] constexpr int getMonth() const noexcept { return month; }
  [[nodiscard]] constexpr int getDay() const noexcept { return day; }
  [[nodiscard]] constexpr int getHour() const noexcept { return hour; }
  [[nodiscard]] constexpr int getMinute() const noexcept { return minute; }
  [[nodiscard]] constexpr int getSecond() const noexcept { return second; }

  // The instant of this date and time read as UTC. Exact for every date
  // (years before 1970 give negative counts); a clock-built leap second of 60
  // counts as the first second of the next minute.
  [[nodiscard]] constexpr std::chrono::sys_seconds toSysSeconds() const noexcept {
    return std::chrono::sys_seconds{std::chrono::seconds{secondsSinceEpoch()}};
  }

  // As above, in seconds since 1970-01-01 00:00:00 UTC. Where `time_t` has 32
  // bits (i386 or armhf without _TIME_BITS=64) it holds only 1901-12-13
  // 20:45:52 .. 2038-01-19 03:14:07; dates outside that give its smallest or
  // largest value. Use `toSysSeconds` there for every date.
  [[nodiscard]] constexpr std::time_t toTimeT() const noexcept {
    const int64 seconds = secondsSinceEpoch();
    if constexpr (sizeof(std::time_t) < sizeof(int64)) {
      constexpr int64 least = std::numeric_limits<std::time_t>::min();
      constexpr int64 most = std::numeric_limits<std::time_t>::max();
      return static_cast<std::time_t>(seconds < least ? least : seconds > most ? most : seconds);
    }
    return static_cast<std::time_t>(seconds);
  }

  // The fields as a std::tm for C APIs: tm_year counts from 1900, tm_mon from
  // 0, tm_wday and tm_yday are those of the date's own day, and tm_isdst is
  // 0 (UTC). A clock leap second stays where the clock put it, as the C
  // library's own split does: 2016-12-31 23:59:60 is tm_sec 60 of Saturday,
  // December 31, tm_yday 365.
  [[nodiscard]] constexpr std::tm toTm() const noexcept {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    // The day fields are normalised even for a leap second, so they are
    // read as they are, not as normalisation would carry the time.
    fields.tm_wday = detail::weekdayOf(year, month, day);
    fields.tm_yday = detail::dayOfYear(year, month, day) - 1;
    return fields;
  }

  // ---- Calendar questions. ----
  //
  // These answer for the date as normalisation would carry it, so a clock
  // leap second, 2016-12-31 23:59:60, counts as the next day's first second,
  // as in `toSysSeconds`: its weekday is Sunday and its day of the year 1.
  // Only `toTm` keeps such a date on its own day. Years are what the date
  // holds, 0..9999, so differences across the wrap are those between the
  // held years: 9999-12-31 is 3652424 days after 0000-01-01, and `daysUntil`
  // from it to 0000-01-01 is -3652424. All are O(1) and constexpr.

  // The day of the week: Date(2026, Date::Dec, 7).getWeekday() == Date::Mon.
  [[nodiscard]] constexpr Weekday getWeekday() const noexcept {
    if (!countsDays()) return normalised().getWeekday();
    return static_cast<Weekday>(detail::weekdayOf(year, month, day));
  }

  // The day of the year, 1..366: Date(2024, Date::Dec, 31).getDayOfYear() == 366.
  [[nodiscard]] constexpr int getDayOfYear() const noexcept {
    if (!countsDays()) return normalised().getDayOfYear();
    return detail::dayOfYear(year, month, day);
  }

  // The ISO 8601 week date, in which weeks start on Monday and week 1 holds
  // the year's first Thursday: Date(2027, Date::Jan, 1).getIsoWeek() is
  // {2026, 53, 5}, the Friday of week 53 of 2026.
  [[nodiscard]] constexpr IsoWeek getIsoWeek() const noexcept {
    if (!countsDays()) return normalised().getIsoWeek();
    const detail::WeekDate w = detail::isoWeekOf(year, month, day);
    return {w.year, w.week, w.weekday};
  }

  // The length of this date's month, 28..31: 29 for any day of February 2024.
  [[nodiscard]] constexpr int getDaysInMonth() const noexcept {
    const Date d = normalised();
    return static_cast<int>(detail::daysInMonth(d.year, d.month));
  }

  // True in a leap year: divisible by 4, and by 400 if divisible by 100.
  [[nodiscard]] constexpr bool isLeapYear() const noexcept {
    return detail::isLeapYear(normalised().year);
  }

  // The last day of this date's month at the same time of day:
  // Date(2024, Date::Feb, 10, 8, 0, 0).lastDayOfMonth() is 2024-Feb-29 08:00:00.
  [[nodiscard]] constexpr Date lastDayOfMonth() const noexcept {
    Date d = normalised();
    d.day = static_cast<int>(detail::daysInMonth(d.year, d.month));
    return d;
  }

  // The next date strictly after this one that falls on `w`, at the same time
  // of day: a Monday's next Monday is 7 days on. A `w` outside Sun..Sat counts
  // modulo 7.
  [[nodiscard]] constexpr Date nextWeekday(Weekday w) const noexcept {
    const int ahead = (weekdayIndex(w) - getWeekday() + 6) % 7 + 1;  // [1, 7]
    return daysLater(ahead);
  }

  // The last date strictly before this one that falls on `w`, at the same
  // time of day: a Monday's previous Monday is 7 days back.
  [[nodiscard]] constexpr Date prevWeekday(Weekday w) const noexcept {
    const int back = (getWeekday() - weekdayIndex(w) + 6) % 7 + 1;  // [1, 7]
    return daysLater(-back);
  }

  // The n-th `w` of this date's month, at the same time of day: n = 1 is the
  // month's first such weekday, n = 2 the second, n = -1 its last, n = -2 the
  // one before. A day beyond the month carries into the next, as everywhere:
  // a fifth Monday that the month lacks is the first Monday after it. n = 0
  // continues the positive count backwards: the week before the first such
  // weekday, which is the last `w` of the month before.
  //   Date(2026, Date::Nov, 1).nthWeekdayOfMonth(4, Date::Thu)   // 2026-Nov-26
  //   Date(2026, Date::May, 1).nthWeekdayOfMonth(-1, Date::Mon)  // 2026-May-25
  [[nodiscard]] constexpr Date nthWeekdayOfMonth(int n, Weekday w) const noexcept {
    const Date d = normalised();
    const int64 dayOfMonth = detail::nthWeekdayDay(d.year, d.month, n, weekdayIndex(w));
    return d.daysLater(dayOfMonth - d.day);
  }

  // The number of calendar days from this date to `other`, their times of
  // day ignored: negative when `other` is on an earlier day.
  //   Date(2026, Date::Dec, 24, 23, 0, 0).daysUntil(Date(2026, Date::Dec, 25))  // 1
  [[nodiscard]] constexpr int64 daysUntil(const Date& other) const noexcept {
    return other.normalised().dayNumber() - normalised().dayNumber();
  }

  // The exact number of seconds elapsed from this date to `other`, negative
  // when `other` is earlier. Unlike `getInterval`, this is a true duration.
  [[nodiscard]] constexpr int64 secondsUntil(const Date& other) const noexcept {
    return other.secondsSinceEpoch() - secondsSinceEpoch();
  }

  // ---- Spans (span.h), as of timestamps of these whole seconds. ----

  // The span from this date to `other`; by default to the second.
  //   Date(2026, Date::Jan, 31).until(Date(2026, Date::Mar, 1),
  //                                   {.largest = Date::Unit::Month})  // 1 month 1 day
  [[nodiscard]] NORMDATE_EXPORT Span until(const Date& other, const DifferenceOptions& options = {
                                                                  .smallest = Unit::Second}) const;
  [[nodiscard]] NORMDATE_EXPORT Span since(const Date& other, const DifferenceOptions& options = {
                                                                  .smallest = Unit::Second}) const;

  // This date moved by `span`, as `Timestamp::add` moves it, any fraction of
  // a second floored.
  [[nodiscard]] NORMDATE_EXPORT Date add(const Span& span,
                                         Overflow overflow = Overflow::Constrain) const noexcept;
  [[nodiscard]] NORMDATE_EXPORT Date
  subtract(const Span& span, Overflow overflow = Overflow::Constrain) const noexcept;

  // Midnight of day `weekday` (1 = Monday .. 7 = Sunday) of week `week` of ISO
  // year `isoYear`: the Monday of week 1 (the week of January 4), plus
  // 7 * (week - 1) + (weekday - 1) days. Any values carry, so week 0 is the
  // last week of the year before and weekday 8 the next Monday, and the year
  // wraps like every other: fromIsoWeek(2026, 53, 5) is 2027-Jan-01, and for
  // every date d, fromIsoWeek(w.year, w.week, w.weekday) with
  // w = d.getIsoWeek() is d at midnight.
  [[nodiscard]] static constexpr Date fromIsoWeek(int isoYear, int week, int weekday) noexcept {
    return Date(detail::fromDays(detail::daysFromIsoWeek(isoYear, week, weekday), 0));
  }

  // True when the six values already form a date and time that normalisation
  // leaves unchanged: isValid(2024, 2, 29) is true, isValid(2026, 2, 29) and
  // isValid(2026, 1, 1, 23, 59, 60) are false.
  [[nodiscard]] static constexpr bool isValid(int year, int month, int day, int hour = 0,
                                              int minute = 0, int second = 0) noexcept {
    return detail::isNormalised(year, month, day, hour, minute, second);
  }

  // Shifts by a whole number of one unit. Each builds the date with that
  // field changed and normalises it, so the day number is kept and any excess
  // carries: 2010-01-31 plus one month is 2010-03-03, and 2000-02-29 plus one
  // year is 2001-03-01. Shifts by days and smaller units are exact calendar
  // arithmetic. Any `int` is accepted; the sum is taken in 64 bits.
  [[nodiscard]] constexpr Date addYear(int y) const noexcept {
    return shifted(int64{y}, 0, 0, 0, 0, 0);
  }
  [[nodiscard]] constexpr Date addMonth(int m) const noexcept {
    return shifted(0, int64{m}, 0, 0, 0, 0);
  }
  [[nodiscard]] constexpr Date addDay(int d) const noexcept {
    return shifted(0, 0, int64{d}, 0, 0, 0);
  }
  [[nodiscard]] constexpr Date addHour(int h) const noexcept {
    return shifted(0, 0, 0, int64{h}, 0, 0);
  }
  [[nodiscard]] constexpr Date addMinute(int m) const noexcept {
    return shifted(0, 0, 0, 0, int64{m}, 0);
  }
  [[nodiscard]] constexpr Date addSecond(int s) const noexcept {
    return shifted(0, 0, 0, 0, 0, int64{s});
  }

  // This date minus `other`, field by field. The seconds, minutes, hours,
  // days and months each borrow at most once, in that order, when their
  // difference is negative: 60 seconds, 60 minutes, 24 hours, a fixed 30-day
  // month and 12 months. When this date is earlier than `other`, the result
  // is `other.getInterval(*this)` inverted. So every field has the sign of
  // the difference, except the day, which its single 30-day borrow can leave
  // at -1 (+1 once inverted):
  //   2010-03-01 00:00:00 - 2010-01-31 00:00:00 = (0, 1, 0, 0, 0, 0)
  //   2010-02-01 00:00:00 - 2010-01-31 00:00:00 = (0, 0, 0, 0, 0, 0)
  //   2011-01-01 00:00:00 - 2010-12-31 23:59:59 = (0, 0, -1, 0, 0, 1)
  //   2010-03-01 00:00:00 - 2010-01-31 01:00:00 = (0, 1, -1, 23, 0, 0)
  // The fields of any two dates differ by little, so nothing can overflow.
  [[nodiscard]] constexpr DateInterval getInterval(const Date& other) const noexcept {
    if (*this < other) {
      DateInterval result = other.getInterval(*this);
      result.invert();
      return result;
    }
    int resYear = year - other.year;
    int resMonth = month - other.month;
    int resDay = day - other.day;
    int resHour = hour - other.hour;
    int resMinute = minute - other.minute;
    int resSecond = second - other.second;
    borrow(resSecond, resMinute, 60);
    borrow(resMinute, resHour, 60);
    borrow(resHour, resDay, 24);
    borrow(resDay, resMonth, 30);
    borrow(resMonth, resYear, 12);
    return {resYear, resMonth, resDay, resHour, resMinute, resSecond};
  }

  // This date moved by each field of `interval`, smallest unit first:
  // `addSecond`, `addMinute`, `addHour`, `addDay`, then `addMonth` and last
  // `addYear`, each normalising. So the month and year shifts keep the day
  // number reached by the smaller units, and excess days carry on:
  // 2010-01-30 plus (0, 1, 1) is 2010-01-31, then "2010-02-31", which is
  // 2010-03-03. Any field values are accepted.
  [[nodiscard]] constexpr Date addInterval(const DateInterval& interval) const noexcept {
    // Seconds, minutes, hours and days move the date by elapsed time, so
    // their four shifts are one; months and then years follow separately.
    return shifted(0, 0, interval.getDay(), interval.getHour(), interval.getMinute(),
                   interval.getSecond())
        .addMonth(interval.getMonth())
        .addYear(interval.getYear());
  }

  // Formats the date. Each token of the format is replaced by a field, one
  // kind of token at a time, in this order:
  //   YYYY  the year, at least two digits (year 5 is "05", year 999 "999")
  //   MMM   the month's name, "Jan" .. "Dec"
  //   MM    the month number, two digits
  //   DD    the day, two digits
  //   hh    the hour, 00..23
  //   mm    the minute
  //   ss    the second
  // Each pass scans the whole text that the earlier passes left, left to
  // right without overlaps, and does not rescan what it has just inserted.
  // So "MMMM" is "FebM", and a token can form across inserted text: for a
  // December date "DMMM" becomes "DDec" and then "07ec". Any other text is
  // copied unchanged. Never fails; the time taken is linear in the format's
  // length.
  // Any kind of string is accepted: a literal, a `std::string`, a
  // `std::string_view` or a `const char*` (a null pointer is the empty format).
  [[nodiscard]] NORMDATE_EXPORT std::string toString(const std::string& format) const;
  [[nodiscard]] NORMDATE_EXPORT std::string toString(std::string_view format) const;
  [[nodiscard]] NORMDATE_EXPORT std::string toString(const char* format) const;

  // As above, written into `text`, whose contents are replaced and whose
  // storage is reused: formatting many dates into one string allocates only
  // when a text is longer than any before it. `format` may view `text`.
  //   std::string line;
  //   for (const Date& d : dates) {
  //     d.toString("DD.MM.YYYY hh:mm", line);
  //     out << line << '\n';
  //   }
  NORMDATE_EXPORT void toString(std::string_view format, std::string& text) const;
  NORMDATE_EXPORT void toString(const char* format, std::string& text) const;

  // The date in the default format "YYYY-MMM-DD hh:mm:ss", for example
  // "2010-Mar-02 23:00:12".
  [[nodiscard]] NORMDATE_EXPORT std::string toString() const;

  // The date as ISO 8601 / RFC 3339 text in UTC, "YYYY-MM-DDThh:mm:ssZ",
  // always with four year digits: "0999-03-07T01:02:03Z". The fields are
  // written as held, so a clock leap second writes ":60".
  [[nodiscard]] NORMDATE_EXPORT std::string toIsoString() const;

  // Reads ISO 8601 / RFC 3339 text and gives the UTC date of its instant:
  //   YYYY-MM-DD                  midnight UTC of that day
  //   YYYY-MM-DDThh:mm:ss<zone>   T may also be t or one space; a fraction
  //                               of a second may follow the seconds after
  //                               "." or "," (it is read and dropped, which
  //                               truncates toward the earlier second)
  // where <zone> is Z, z, +hh:mm, -hh:mm, +hhmm, -hhmm, +hh or -hh, or
  // +hh:mm:ss or -hh:mm:ss for an offset with seconds (local mean time, as
  // `TimeZone::toIsoString` writes it: "1900-01-01T12:19:32+00:19:32"). A
  // time without a zone is refused, since it names no instant. The year has
  // four digits and every other field two, and each is checked, not
  // carried: month 01..12, a day within its month, hour 00..23, minute
  // 00..59, second 00..60 (60 is the next minute's first second), offset
  // hours 00..23 and minutes and seconds 00..59. The offset is subtracted
  // exactly and the year wraps like every other: "0000-01-01T00:30:00+01:00"
  // is 9999-12-31 23:30:00. "-00:00", which RFC 3339 reserves for an
  // unknown local offset, reads as "Z" does; the offset is not kept.
  //
  // Returns no date for any other text. Time linear in the text's length.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Date> tryParseIso(
      std::string_view text) noexcept;

  // As `tryParseIso`, but throws `ParseError` saying what was expected where:
  //   expected the day (01 to 30) at offset 8 of "2026-04-31", found "31"
  [[nodiscard]] NORMDATE_EXPORT static Date parseIso(std::string_view text);

  // Reads a date from `text` written in `format`, the inverse of `toString`:
  //   YYYY  the year, one to four digits (years below 1000 are written with
  //         fewer, "05" or "999")
  //   MMM   a month name exactly as written, "Jan" .. "Dec"
  //   MM, DD, hh, mm, ss
  //         the month, day, hour, minute and second, one or two digits
  // Every other character of the format must appear in the text as it is,
  // and nothing may be left over. Fields the format does not mention are
  // those of 0000-01-01 00:00:00. The fields read are then normalised as by
  // the six-field constructor, so "2010-Feb-30 22:59:72" is 2010-Mar-02
  // 23:00:12.
  //
  // The format is read from left to right, the longest token first at each
  // position ("MMM" before "MM"), which is how a person reads it. `toString`
  // instead replaces one kind of token at a time over the whole text, so a
  // token can form there across inserted text ("DMMM" writes 07ec for a
  // December date), which parsing does not do. For every format in which
  // each field appears once, no token letter (Y, M, D, h, m, s) stands
  // outside a token, and YYYY is not directly followed by a digit or another
  // number, `parse(d.toString(f), f)` gives back the fields of `d` that `f`
  // holds.
  //
  // Returns no date if the text does not match the format. Any text and any
  // format, however long, is handled in time linear in their lengths.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Date> tryParse(
      std::string_view text, std::string_view format = "YYYY-MMM-DD hh:mm:ss") noexcept;

  // As `tryParse`, but throws `ParseError` if the text does not match, with a
  // message that says what was expected, where, and what was found:
  //   expected a month name at offset 5 of "2010-Fbr-30 22:59:12", found "Fbr"
  [[nodiscard]] NORMDATE_EXPORT static Date parse(std::string_view text,
                                                  std::string_view format = "YYYY-MMM-DD hh:mm:ss");

  // ---- strftime-style text. ----

  // The date written by `pattern`, whose conversions are those of C++'s
  // <chrono> formatter in the C locale:
  //   %Y  the year, at least 4 digits     %C  its century, 2 digits
  //   %y  its last 2 digits               %G %g  the ISO week-numbering year
  //   %m  the month, 2 digits             %b %h  "Dec"     %B  "December"
  //   %d  the day, 2 digits               %e  the day, a space before 1..9
  //   %j  the day of the year, 3 digits   %a  "Tue"        %A  "Tuesday"
  //   %u  the weekday, 1 = Monday .. 7    %w  the weekday, 0 = Sunday .. 6
  //   %U %W  the week of the year from its first Sunday or Monday, 00..53
  //   %V  the ISO week, 01..53            %H  the hour, 00..23
  //   %I  the hour, 01..12                %p  "AM" or "PM"
  //   %M  the minute                      %S  the second, always 2 digits
  //   %E*S  the second with the fewest fraction digits that hold it exactly
  //   %E1S .. %E9S  the second with that many fraction digits, truncated
  //   %s  seconds since 1970-01-01 00:00:00 UTC, as glibc writes them
  //   %z  the offset, "+0000"             %Ez %Oz  "+00:00"
  //   %Z  the zone's abbreviation, "UTC"  %%  "%"     %n  "\n"     %t  "\t"
  //   %F  %Y-%m-%d    %T %X  %H:%M:%S     %R  %H:%M   %r  %I:%M:%S %p
  //   %D %x  %m/%d/%y                     %c  %a %b %e %H:%M:%S %Y
  // and the forms with E (%Ec %EC %Ex %EX %Ey %EY) and O (%Od %Oe %OH %OI
  // %Om %OM %OS %Ou %OU %OV %Ow %OW %Oy) as the ones without. A date is
  // UTC. A "%" that starts no conversion throws std::invalid_argument
  // naming it, and nothing is written:
  //   Date(2026, Dec, 8, 10).strftime("%a, %d %b %Y %T %Z");  // "Tue, 08 Dec 2026 10:00:00 UTC"
  [[nodiscard]] NORMDATE_EXPORT std::string strftime(std::string_view pattern) const;

  // As above, written into `text`, whose storage is reused; `pattern` may
  // view `text`.
  NORMDATE_EXPORT void strftime(std::string_view pattern, std::string& text) const;

  // Reads `text` written by `pattern`, as strptime does, with the same
  // conversions and the strictness of `parse`:
  // - A number takes one digit up to its width (4 for %Y and %G, 3 for %j,
  //   1 for %u and %w, else 2) and is checked against its range; the date
  //   it names is checked and never carried: "2026-02-30" by "%F" is
  //   refused. Names (%a %A %b %B %h %p) are read whole or by their first
  //   three letters, in any case.
  // - White space in the pattern takes any white space in the text, or
  //   none; %n takes one character of it, %t one or none; every other
  //   character must appear as it is.
  // - %y is 1969..2068 (69..99 the 1900s, 00..68 the 2000s, as POSIX
  //   says), or with %C that century's year. %j with a year gives the date,
  //   as do %G, %V and a weekday, and %U or %W with a year and a weekday.
  //   Fields not read are those of 0000-01-01 00:00:00.
  // - %z reads "Z", "+hh", "+hhmm" or "+hh:mm" (hours to 23), and the result
  //   is the UTC time of the instant; %Z reads only UTC's names ("UTC",
  //   "GMT", "UT", "Z"); %s gives the instant; %E*S reads a fraction after
  //   the seconds where there is one, %E1S..%E9S exactly that many digits
  //   (a date drops it).
  // - Fields that name one thing twice must agree: a weekday and the date,
  //   %I or %p and %H, %j, %U, %V or %s and the date.
  // Throws ParseError saying what was expected where, in the text or, for
  // a conversion that is not valid, in the pattern:
  //   expected the day (1 to 28) at offset 8 of "2026-02-30", found "30"
  [[nodiscard]] NORMDATE_EXPORT static Date strptime(std::string_view text,
                                                     std::string_view pattern);

  // As `strptime`, with no date where it would throw.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Date> tryStrptime(
      std::string_view text, std::string_view pattern) noexcept;

 private:
  friend class Timestamp;  // builds its dates from fields it computed
  friend class TimeZone;   // likewise

  // The format with its tokens replaced; every form of `toString`.
  [[nodiscard]] std::string render(std::string_view format) const;
  void render(std::string_view format, std::string& text) const;

  constexpr explicit Date(const detail::Fields& fields) noexcept
      : year(fields.year),
        month(static_cast<Month>(fields.month)),
        day(fields.day),
        hour(fields.hour),
        minute(fields.minute),
        second(fields.second) {}

  // This date as normalisation carries it: itself, but for a clock reading
  // with a field out of range, such as a leap second.
  [[nodiscard]] constexpr Date normalised() const noexcept {
    return Date(detail::normalise(year, month, day, hour, minute, second));
  }

  // True when the questions that count days from a fixed day can use the
  // fields as they are: every date holds normalised fields but a clock
  // reading of a leap second, whose 23:59:60 belongs to the next day.
  [[nodiscard]] constexpr bool countsDays() const noexcept { return second < 60; }

  // Days from 1970-01-01 to this date's day. Precondition: normalised.
  [[nodiscard]] constexpr int64 dayNumber() const noexcept {
    return detail::daysFromEpoch(year, month, day);
  }

  // This date `days` days later (earlier if negative) at the same time of
  // day, normalised. Precondition: |days| below 2^35.
  [[nodiscard]] constexpr Date daysLater(int64 days) const noexcept {
    return Date(
        detail::fromDays(dayNumber() + days, int64{hour} * 3600 + int64{minute} * 60 + second));
  }

  // A weekday taken modulo 7, 0 = Sunday .. 6 = Saturday.
  static constexpr int weekdayIndex(Weekday w) noexcept {
    return static_cast<int>(detail::floorMod(w, 7));
  }

  // Seconds from 1970-01-01 00:00:00 UTC, exact for every date.
  [[nodiscard]] constexpr int64 secondsSinceEpoch() const noexcept {
    return detail::daysFromEpoch(year, month, day) * 86400 + int64{hour} * 3600 +
           int64{minute} * 60 + second;
  }

  static constexpr std::optional<Date> fromSecondsInRange(int64 seconds) noexcept {
    constexpr int64 first = -62167219200;  // 0000-01-01 00:00:00
    constexpr int64 last = 253402300799;   // 9999-12-31 23:59:59
    if (seconds < first || seconds > last) return std::nullopt;
    return Date(detail::fromSeconds(seconds));
  }

  // A date from the six fields of a text read back, normalised. Inlined
  // into the parser with normalisation's check, at -O2 too, so that the
  // fields stay in registers: returned from a call, they would be stored
  // one by one and copied in wider loads, which stall.
  [[gnu::always_inline]] static constexpr Date fromParsed(const std::array<int, 6>& f) noexcept {
    if (detail::isNormalised(f[0], f[1], f[2], f[3], f[4], f[5])) {
      return Date(detail::Fields{f[0], f[1], f[2], f[3], f[4], f[5]});
    }
    return Date(detail::carry(f[0], f[1], f[2], f[3], f[4], f[5]));
  }

  // Carries the six fields into range in place.
  constexpr void normDate() noexcept {
    *this = Date(detail::normalise(year, month, day, hour, minute, second));
  }

  // One borrow of `unit` from `larger` when `value` is negative.
  static constexpr void borrow(int& value, int& larger, int unit) noexcept {
    if (value < 0) {
      value += unit;
      larger -= 1;
    }
  }

  // This date with the given amounts added to its fields, normalised.
  [[nodiscard]] constexpr Date shifted(int64 y, int64 mo, int64 d, int64 h, int64 mi,
                                       int64 s) const noexcept {
    return Date(
        detail::normalise(year + y, month + mo, day + d, hour + h, minute + mi, second + s));
  }

  // Every constructor sets all six.
  int year;
  Month month;
  int day;
  int hour;
  int minute;
  int second;
};

// Writes `d.toString()`, with no end of line.
NORMDATE_EXPORT std::ostream& operator<<(std::ostream& o, const Date& d);

}  // namespace Date

// Dates hash by their instant (`toSysSeconds`), which differs for every two
// normalised dates, through a 64-bit mixer in which every bit of the instant
// reaches every bit of the hash.
template <>
struct std::hash<Date::Date> {
  constexpr std::size_t operator()(const Date::Date& d) const noexcept {
    const auto seconds = static_cast<std::uint64_t>(d.toSysSeconds().time_since_epoch().count());
    return Date::detail::toSize(Date::detail::mix64(seconds));
  }
};

#endif  // NORMDATE_DATE_H_
