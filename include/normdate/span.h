// -----------------------------------------------------------------------------
// File: span.h
// -----------------------------------------------------------------------------
//
// `Date::Span` is a length of calendar and clock time, as ISO 8601 durations
// and Temporal's Duration hold it: years, months, weeks, days, hours,
// minutes, seconds and nanoseconds, each a count of its own, never
// balanced into another. Differences give spans that add back exactly:
//
//   const Date::Timestamp a = Date::Timestamp::parseIso("2026-01-31T10:00:00Z");
//   const Date::Timestamp b = Date::Timestamp::parseIso("2026-03-01T12:30:00Z");
//   const Date::Span s = a.until(b, {.largest = Date::Unit::Year});  // 1 month 1 day 2.5 hours
//   s.toIsoString();                                          // "P1M1DT2H30M"
//   a.add(s) == b;                                            // true
//   a.until(b, {.largest = Date::Unit::Hour, .smallest = Date::Unit::Hour,
//               .mode = Date::RoundingMode::HalfExpand});     // PT699H
//   Date::Span::parseIso("P1Y2M10DT2H30M");
//
// Differences (`until`, `since` on `Date`, `Timestamp` and `ZonedTime`) are
// Temporal's, which java.time's Period.between shares:
// - Where the end's time of day is earlier than the start's (later, for a
//   negative difference), the dates are counted to the day before the end
//   (after, for a negative one), and the time borrows that day.
// - Then come the most whole years and months such that the start's date
//   moved by them, its day of month not yet clamped, does not pass the
//   end's date: January 31 to February 29 is 29 days, to March 1 is 1 month
//   and 1 day. Then whole weeks, where `largest` is `Week`; then the days
//   from the start so moved (its day now clamped to the month's last); then
//   the time, exactly. With `largest` a clock unit, the days become hours.
// - A `ZonedTime` counts years to days in local time and the rest in exact
//   time, as Temporal's ZonedDateTime does: a day across a change of offset
//   may last 23 or 25 hours.
// - Rounding to `smallest` by `increment` and `mode` is Temporal's, from the
//   start: a unit whose next larger unit the increment divides (hours by
//   1, 2, 3, 4, 6, 8 or 12; minutes and seconds by a divisor of 60; the
//   sub-second units by a divisor of 1000; days, weeks, months and years by
//   any), rounding up carrying into larger units (59.5 minutes rounded half
//   up with `largest` an hour is 1 hour). `since` is `until` from the other
//   end, negated, with the direction of the rounding mode mirrored.
// - A difference whose count of a unit exceeds 64 bits (nanoseconds past
//   292 years, with `largest` a nanosecond) saturates that count.
//
// Adding a span (`add`, `subtract`) moves years and months first, then
// constrains the day of month to the month's last day (`Overflow::Constrain`,
// as Temporal, java.time and python-dateutil do) or carries it into the
// next month (`Overflow::Normalise`, as `Date::addMonth` does); then weeks
// and days; then the clock units, exactly. So with `Constrain`,
// `a.add(a.until(b, {.largest = Date::Unit::Year}))` is `b` for every `a`
// and `b`. Any count of any field is taken, and a result past 9999 wraps as
// dates wrap.
//
// Everything here is O(1): a difference finds its years and months from
// the dates' fields, never by stepping, and allocates nothing; only text
// allocates.

#ifndef NORMDATE_SPAN_H_
#define NORMDATE_SPAN_H_

#include <normdate/export.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Date {

// The units of a span, largest first.
enum class Unit {
  Year,
  Month,
  Week,
  Day,
  Hour,
  Minute,
  Second,
  Millisecond,
  Microsecond,
  Nanosecond
};

// How a value between two multiples of an increment is rounded, as
// Temporal names the ways: toward positive infinity (`Ceil`), negative
// infinity (`Floor`), away from zero (`Expand`) or toward it (`Trunc`);
// or to the nearer multiple, and where both are as near, by one of those
// (`HalfCeil` ... `HalfTrunc`) or to the even one (`HalfEven`).
enum class RoundingMode {
  Ceil,
  Floor,
  Expand,
  Trunc,
  HalfCeil,
  HalfFloor,
  HalfExpand,
  HalfTrunc,
  HalfEven
};

// What adding years or months does with a day of month the month reached
// does not have: January 31 plus one month.
enum class Overflow {
  Constrain,  // the month's last day: February 28 (or 29)
  Normalise,  // carried into the next month, as Date::addMonth: March 3
};

struct Span {
  // All zero or positive, or all zero or negative (the readers refuse a
  // mix; arithmetic takes any).
  std::int64_t years = 0;
  std::int64_t months = 0;
  std::int64_t weeks = 0;
  std::int64_t days = 0;
  std::int64_t hours = 0;
  std::int64_t minutes = 0;
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;

  // Reads an ISO 8601 duration: "P", then any of nY nM nW nD, then "T" and
  // any of nH nM nS, a fraction of up to nine digits (after "." or ",") only
  // on the seconds ("PT0.5S"), a leading "-" or "+", lower-case letters
  // too. At least one component; nothing empty ("P", "PT", "P1YT" are
  // refused), each number within 64 bits. Throws `ParseError` saying what
  // was expected where.
  [[nodiscard]] NORMDATE_EXPORT static Span parseIso(std::string_view text);

  // As above, or nothing where the text is refused.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Span> tryParseIso(
      std::string_view text) noexcept;

  // ISO 8601 text with the fields as they are, none balanced into another,
  // the fraction of the seconds in the fewest digits: "P1Y2M3W4DT5H6M7.25S",
  // "-P1D", "PT0S" for an empty span. Nanoseconds are written with the
  // seconds ("PT1.5S" for 1'500'000'000 of them). A span whose fields mix
  // signs, which only arithmetic on its fields makes, is written with each
  // count's magnitude under the sign of its first field that is not zero.
  [[nodiscard]] NORMDATE_EXPORT std::string toIsoString() const;

  // Every field negated; the least count of 64 bits becomes the greatest.
  [[nodiscard]] NORMDATE_EXPORT Span negated() const noexcept;

  // -1, 0 or 1: the sign of the first field that is not zero.
  [[nodiscard]] NORMDATE_EXPORT int sign() const noexcept;

  // Field by field: one hour is not sixty minutes here.
  friend bool operator==(const Span&, const Span&) = default;
};

// How a difference is counted: in units from `largest` to `smallest`,
// rounded to `increment` of `smallest` by `mode`.
struct DifferenceOptions {
  Unit largest = Unit::Day;
  Unit smallest = Unit::Nanosecond;
  std::int64_t increment = 1;  // of `smallest`: it must divide the next larger unit
  RoundingMode mode = RoundingMode::Trunc;
};

}  // namespace Date

#endif  // NORMDATE_SPAN_H_
