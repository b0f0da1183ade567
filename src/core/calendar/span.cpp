// Differences, sums and rounding of plain date-times: timestamps and dates,
// on the engine they share with zoned times.

#include <normdate/date.h>
#include <normdate/span.h>
#include <normdate/timestamp.h>

#include <algorithm>
#include <cstdint>

#include "core/calendar/span_engine.h"

namespace Date {

namespace {

using detail::spans::Local;

Local localOf(const Timestamp& t) noexcept {
  const Date& d = t.getDate();
  const std::int64_t seconds = d.toSysSeconds().time_since_epoch().count();
  const std::int64_t day = detail::floorDiv(seconds, detail::spans::secondsPerDay);
  return {day, (seconds - day * detail::spans::secondsPerDay) * detail::spans::billion +
                   t.getNanosecond()};
}

Timestamp timestampOf(const Local& local) noexcept {
  return Timestamp::fromUnixTime(local.day * detail::spans::secondsPerDay, local.nanos);
}

// ---- The common cases, from the fields, with no day count made twice. ----

struct Ymd {
  int64 year;
  int64 month;
  int64 day;
};

Ymd ymdOf(const Date& d) noexcept { return {d.getYear(), d.getMonth(), d.getDay()}; }

// The dates in order: (year, month, day) as one number.
int64 keyOf(const Ymd& d) noexcept { return (d.year * 16 + d.month) * 32 + d.day; }

int64 daysOf(const Ymd& d) noexcept {
  return detail::daysFromEpoch(static_cast<int>(d.year), static_cast<int>(d.month),
                               static_cast<int>(d.day));
}

int64 nanosOfDay(const Timestamp& t) noexcept {
  const Date& d = t.getDate();
  return (int64{d.getHour()} * 3600 + int64{d.getMinute()} * 60 + d.getSecond()) *
             detail::spans::billion +
         t.getNanosecond();
}

Ymd dayBefore(const Ymd& d) noexcept {
  if (d.day > 1) return {d.year, d.month, d.day - 1};
  if (d.month > 1) return {d.year, d.month - 1, detail::daysInMonth(d.year, d.month - 1)};
  return {d.year - 1, 12, 31};
}

Ymd dayAfter(const Ymd& d) noexcept {
  if (d.day < detail::daysInMonth(d.year, d.month)) return {d.year, d.month, d.day + 1};
  if (d.month < 12) return {d.year, d.month + 1, 1};
  return {d.year + 1, 1, 1};
}

// Sets the clock fields of `span` to `time` nanoseconds, less than a day.
void setClock(Span& span, int64 time) noexcept {
  using detail::spans::billion;
  const int64 negative = time < 0 ? -1 : 1;
  const auto magnitude = static_cast<std::uint64_t>(time * negative);
  const std::uint64_t seconds = magnitude / billion;
  const std::uint64_t minutes = seconds / 60;
  const std::uint64_t hours = minutes / 60;
  span.hours = negative * static_cast<int64>(hours);
  span.minutes = negative * static_cast<int64>(minutes - hours * 60);
  span.seconds = negative * static_cast<int64>(seconds - minutes * 60);
  span.nanoseconds = negative * static_cast<int64>(magnitude - seconds * billion);
}

// The end's date that the dates are counted to: where the time of day
// borrows a day from it (a day back, or on for a negative span), the day
// before or after, and `time` with that day added. Computed without a
// branch on the borrow, which random times mispredict.
Ymd borrowedEnd(const Ymd& a, const Ymd& b, int64& time) noexcept {
  const int64 later = keyOf(b) > keyOf(a) ? 1 : 0;
  const int64 earlier = keyOf(b) < keyOf(a) ? 1 : 0;
  const int64 borrow = (time < 0 ? later : 0) - (time > 0 ? earlier : 0);
  time += borrow * detail::spans::nanosPerDay;
  const Ymd end{b.year, b.month, b.day - borrow};
  if (end.day >= 1 && end.day <= 28) return end;
  return borrow > 0 ? dayBefore(b) : borrow < 0 ? dayAfter(b) : b;
}

// `until` with the year or the month the largest unit and no rounding, for
// dates of the years 1 to 9998, where the day before or after each is a
// date too: the same steps as the engine's, on the fields.
Span untilByFields(const Timestamp& from, const Timestamp& to, Unit largest) noexcept {
  const Ymd a = ymdOf(from.getDate());
  const Ymd b = ymdOf(to.getDate());
  int64 time = nanosOfDay(to) - nanosOfDay(from);
  const Ymd end = borrowedEnd(a, b, time);
  Span span;
  const int64 sign = keyOf(end) > keyOf(a) ? 1 : keyOf(end) < keyOf(a) ? -1 : 0;
  // The most months from `a`, its day not clamped, that do not pass `end`.
  int64 months = (end.year - a.year) * 12 + end.month - a.month;
  if (sign >= 0) {
    // The start so moved lies in the end's month, or where `a`'s day is
    // later in the month, in the month before, its day clamped there.
    const int64 back = a.day > end.day ? 1 : 0;
    months -= back;
    const int64 before = end.month == 1 ? 31 : detail::daysInMonth(end.year, end.month - 1);
    const int64 startDay = std::min(a.day, back != 0 ? before : a.day);
    span.days = end.day - startDay + back * before;
  } else {
    months += a.day < end.day ? 1 : 0;
    const auto index = static_cast<std::uint64_t>(a.year * 12 + a.month - 1 + months);
    const auto startYear = static_cast<int64>(index / 12);
    const int64 startMonth = static_cast<int64>(index) - startYear * 12 + 1;
    span.days = daysOf(end) - daysOf({startYear, startMonth,
                                      std::min(a.day, detail::daysInMonth(startYear, startMonth))});
  }
  span.years = largest == Unit::Year ? months / 12 : 0;
  span.months = largest == Unit::Year ? months % 12 : months;
  setClock(span, time);
  return span;
}

bool byFields(const Timestamp& t) noexcept {
  return static_cast<std::uint64_t>(t.getDate().getYear() - 1) < 9998;
}

}  // namespace

Span Timestamp::until(const Timestamp& other, const DifferenceOptions& options) const {
  if ((options.largest == Unit::Year || options.largest == Unit::Month) &&
      options.smallest == Unit::Nanosecond && options.increment == 1 && byFields(*this) &&
      byFields(other)) {
    return untilByFields(*this, other, options.largest);
  }
  return detail::spans::untilPlain(localOf(*this), localOf(other), options);
}

Span Timestamp::since(const Timestamp& other, const DifferenceOptions& options) const {
  return detail::spans::untilPlain(localOf(*this), localOf(other), detail::spans::mirrored(options))
      .negated();
}

Timestamp Timestamp::add(const Span& span, Overflow overflow) const noexcept {
  // Counts of a few centuries move the fields directly: years and months,
  // the day constrained, then the days the rest comes to, month by month.
  // Larger ones take the engine's way, by whole 10000-year cycles.
  const auto within = [](int64 n, int bits) {
    return n > -(int64{1} << bits) && n < (int64{1} << bits);
  };
  if (!within(span.years, 20) || !within(span.months, 24) || !within(span.weeks, 8) ||
      !within(span.days, 10) || !within(span.hours, 16) || !within(span.minutes, 22) ||
      !within(span.seconds, 28) || !within(span.nanoseconds, 48)) {
    return timestampOf(detail::spans::addPlain(localOf(*this), span, overflow));
  }
  // Unsigned divisions by constants, each sum first raised by whole
  // periods of its divisor above any value it can take.
  constexpr int64 monthsBias = int64{120000} * 300;  // over 2^24 + 12 * 2^20 months
  const auto months = static_cast<std::uint64_t>(int64{date.getYear()} * 12 + date.getMonth() - 1 +
                                                 span.years * 12 + span.months + monthsBias) %
                      120000;
  auto year = static_cast<int64>(months / 12);
  int64 month = static_cast<int64>(months) - year * 12 + 1;
  int64 length = detail::daysInMonth(year, month);
  int64 day = overflow == Overflow::Normalise || date.getDay() <= length ? date.getDay() : length;
  // The time of day and the clock units, and the days they carry.
  int64 nanos = nanosecond;
  int64 seconds = int64{date.getHour()} * 3600 + int64{date.getMinute()} * 60 + date.getSecond() +
                  span.hours * 3600 + span.minutes * 60 + span.seconds;
  if (span.nanoseconds != 0) {
    nanos += detail::floorMod(span.nanoseconds, detail::nanosPerSecond);
    seconds += detail::floorDiv(span.nanoseconds, detail::nanosPerSecond);
  }
  if (nanos >= detail::nanosPerSecond) {
    nanos -= detail::nanosPerSecond;
    ++seconds;
  }
  constexpr int64 daysBias = 20000;  // over the 2^30 seconds these can come to
  const auto biased = static_cast<std::uint64_t>(seconds + daysBias * 86400);
  const std::uint64_t wholeDays = biased / 86400;
  const auto secondOfDay = static_cast<std::uint32_t>(biased - wholeDays * 86400);  // [0, 86399]
  day += span.weeks * 7 + span.days + static_cast<int64>(wholeDays) - daysBias;
  for (; day > length; length = detail::daysInMonth(year, month)) {
    day -= length;
    if (++month > 12) {
      month = 1;
      year = year == 9999 ? 0 : year + 1;
    }
  }
  while (day < 1) {
    if (--month < 1) {
      month = 12;
      year = year == 0 ? 9999 : year - 1;
    }
    day += detail::daysInMonth(year, month);
  }
  // Remainders by subtraction, which compilers leave as multiplications.
  const std::uint32_t minuteOfDay = secondOfDay / 60;
  const std::uint32_t hour = minuteOfDay / 60;
  return {Exact{},
          detail::Fields{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                         static_cast<int>(hour), static_cast<int>(minuteOfDay - hour * 60),
                         static_cast<int>(secondOfDay - minuteOfDay * 60)},
          static_cast<int>(nanos)};
}

Timestamp Timestamp::subtract(const Span& span, Overflow overflow) const noexcept {
  return add(span.negated(), overflow);
}

Timestamp Timestamp::round(Unit smallest, std::int64_t increment, RoundingMode mode) const {
  return timestampOf(detail::spans::roundPlain(localOf(*this), smallest, increment, mode));
}

Span Date::until(const Date& other, const DifferenceOptions& options) const {
  return Timestamp(*this).until(Timestamp(other), options);
}

Span Date::since(const Date& other, const DifferenceOptions& options) const {
  return Timestamp(*this).since(Timestamp(other), options);
}

Date Date::add(const Span& span, Overflow overflow) const noexcept {
  return Timestamp(*this).add(span, overflow).getDate();
}

Date Date::subtract(const Span& span, Overflow overflow) const noexcept {
  return add(span.negated(), overflow);
}

}  // namespace Date
