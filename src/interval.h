// -----------------------------------------------------------------------------
// File: interval.h
// -----------------------------------------------------------------------------
//
// `Date::DateInterval` is a record of six signed counts in the order of a
// date's fields: years, months, days, hours, minutes and seconds. It is never
// normalised: 90 minutes stay 90 minutes, and the fields are independent
// counts rather than one duration. Any combination of values is allowed.
//
// Intervals come from `Date::Date::getInterval`, the difference of two dates,
// and move a date with `Date::Date::addInterval`:
//
//   constexpr Date::Date a(2012, Date::Aug, 15, 13, 45, 30);
//   constexpr Date::Date b(2010, Date::Mar, 20, 18, 50, 40);
//   constexpr Date::DateInterval diff = a.getInterval(b);  // (2, 4, 24, 18, 54, 50)
//
// The difference borrows at most once per field and counts every month as 30
// days, so it is not an exact duration; see `getInterval` in date.h.

#ifndef NORMDATE_INTERVAL_H_
#define NORMDATE_INTERVAL_H_

#include <normdate/export.h>

#include <climits>
#include <compare>
#include <cstddef>
#include <functional>
#include <iosfwd>

namespace Date {

namespace detail {

// A hash of the six fields of a date or an interval, mixed in one by one.
template <class Record>
constexpr std::size_t hashFields(const Record& r) noexcept {
  std::size_t seed = 0;
  for (const int field :
       {r.getYear(), r.getMonth(), r.getDay(), r.getHour(), r.getMinute(), r.getSecond()}) {
    seed ^= static_cast<std::size_t>(static_cast<unsigned>(field)) + 0x9e3779b97f4a7c15U +
            (seed << 6) + (seed >> 2);
  }
  return seed;
}

}  // namespace detail

class DateInterval {
 public:
  // The zero interval.
  constexpr DateInterval() = default;

  constexpr DateInterval(const DateInterval& other) = default;

  // Stores the six counts unchanged: y years, m months, d days, h hours,
  // i minutes and s seconds.
  constexpr DateInterval(int y, int m, int d, int h, int i, int s) noexcept
      : year(y), month(m), day(d), hour(h), minute(i), second(s) {}

  constexpr DateInterval& operator=(const DateInterval& other) = default;

  [[nodiscard]] constexpr int getYear() const noexcept { return year; }
  [[nodiscard]] constexpr int getMonth() const noexcept { return month; }
  [[nodiscard]] constexpr int getDay() const noexcept { return day; }
  [[nodiscard]] constexpr int getHour() const noexcept { return hour; }
  [[nodiscard]] constexpr int getMinute() const noexcept { return minute; }
  [[nodiscard]] constexpr int getSecond() const noexcept { return second; }

  // Field-by-field equality.
  friend constexpr bool operator==(const DateInterval&, const DateInterval&) = default;

  // Negates all six counts in place. INT_MIN has no negation in an `int`, so
  // it becomes INT_MAX, the nearest value; inverting twice restores every
  // other interval exactly.
  constexpr void invert() noexcept {
    year = negated(year);
    month = negated(month);
    day = negated(day);
    hour = negated(hour);
    minute = negated(minute);
    second = negated(second);
  }

 private:
  static constexpr int negated(int value) noexcept { return value == INT_MIN ? INT_MAX : -value; }

  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Writes the interval as "[year|month|day|hour|minute|second]", each a signed
// decimal number, for example "[0|0|0|-7|0|0]"; no end of line.
NORMDATE_EXPORT std::ostream& operator<<(std::ostream& o, const DateInterval& interval);

}  // namespace Date

// Intervals hash by their six fields, so that they can key unordered
// containers.
template <>
struct std::hash<Date::DateInterval> {
  constexpr std::size_t operator()(const Date::DateInterval& interval) const noexcept {
    return Date::detail::hashFields(interval);
  }
};

#endif  // NORMDATE_INTERVAL_H_
