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

#include <array>
#include <charconv>
#include <climits>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string_view>

namespace Date {

namespace detail {

// The 64-bit finaliser of MurmurHash3: a bijection in which every bit of the
// input reaches every bit of the result.
constexpr std::uint64_t mix64(std::uint64_t x) noexcept {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdU;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53U;
  x ^= x >> 33;
  return x;
}

// A 64-bit hash as a std::size_t; where that has 32 bits, both halves count.
constexpr std::size_t toSize(std::uint64_t hash) noexcept {
  if constexpr (sizeof(std::size_t) < sizeof(std::uint64_t)) {
    return static_cast<std::size_t>(hash ^ (hash >> 32));
  }
  return static_cast<std::size_t>(hash);
}

// Two fields as the two halves of one 64-bit word.
constexpr std::uint64_t pair64(int high, int low) noexcept {
  return std::uint64_t{static_cast<std::uint32_t>(high)} << 32 | static_cast<std::uint32_t>(low);
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

namespace detail {

// An interval's text, as `operator<<` writes it, in a buffer of its own: the
// longest, six times INT_MIN, is 73 bytes.
class IntervalText {
 public:
  explicit IntervalText(const DateInterval& interval) noexcept {
    char* end = chars.data();
    *end++ = '[';
    for (const int field : {interval.getYear(), interval.getMonth(), interval.getDay(),
                            interval.getHour(), interval.getMinute(), interval.getSecond()}) {
      end = std::to_chars(end, chars.data() + chars.size(), field).ptr;
      *end++ = '|';
    }
    end[-1] = ']';
    size = static_cast<std::size_t>(end - chars.data());
  }

  [[nodiscard]] std::string_view view() const noexcept { return {chars.data(), size}; }

 private:
  std::array<char, 80> chars;  // not zero-filled: only what is written is read
  std::size_t size;
};

}  // namespace detail

}  // namespace Date

// Intervals hash by their six fields, two at a time, each pair mixed into
// the hash of those before it.
template <>
struct std::hash<Date::DateInterval> {
  constexpr std::size_t operator()(const Date::DateInterval& i) const noexcept {
    using Date::detail::mix64;
    using Date::detail::pair64;
    const std::uint64_t years = mix64(pair64(i.getYear(), i.getMonth()));
    const std::uint64_t days = mix64(years ^ pair64(i.getDay(), i.getHour()));
    return Date::detail::toSize(mix64(days ^ pair64(i.getMinute(), i.getSecond())));
  }
};

#endif  // NORMDATE_INTERVAL_H_
