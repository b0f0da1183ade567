// Internal: differences, sums and rounding of spans, for plain date-times
// (`Timestamp`, `Date`) and for zoned ones (`ZonedTime`), which differ only
// in how a local date and time becomes an instant: a `Frame` says that.
// The steps are Temporal's (the names in comments are its abstract
// operations), with each search of years, months or weeks done at once
// from the fields. Header-only, so that the zone component compiles it in
// too. Not installed.
#ifndef NORMDATE_CORE_CALENDAR_SPAN_ENGINE_H_
#define NORMDATE_CORE_CALENDAR_SPAN_ENGINE_H_

#include <normdate/detail/civil.h>
#include <normdate/span.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace Date::detail::spans {

inline constexpr int64 billion = 1'000'000'000;
inline constexpr int64 secondsPerDay = 86400;
inline constexpr int64 nanosPerDay = secondsPerDay * billion;
inline constexpr int64 monthsInAllYears = 120000;  // 10000 years
inline constexpr int64 weeksInAllYears = daysInAllYears / 7;
inline constexpr int64 firstCalendarDay = -719528;  // 0000-01-01, from 1970-01-01

// ---- Exact lengths of time. ----

// A length of time or an instant: whole seconds and the nanoseconds after
// them, [0, 10^9); wide enough for any difference of the years 0 to 9999
// and any rounding increment.
struct Exact {
  int64 seconds = 0;
  int64 nanos = 0;

  static constexpr Exact of(int64 seconds, int64 nanos) noexcept {
    return {seconds + floorDiv(nanos, billion), floorMod(nanos, billion)};
  }
  [[nodiscard]] constexpr int sign() const noexcept {
    return seconds < 0 ? -1 : (seconds > 0 || nanos > 0) ? 1 : 0;
  }
  friend constexpr Exact operator+(Exact a, Exact b) noexcept {
    return of(a.seconds + b.seconds, a.nanos + b.nanos);
  }
  friend constexpr Exact operator-(Exact a, Exact b) noexcept {
    return of(a.seconds - b.seconds, a.nanos - b.nanos);
  }
  friend constexpr Exact operator-(Exact a) noexcept { return of(-a.seconds, -a.nanos); }
  friend constexpr bool operator==(const Exact&, const Exact&) = default;
  friend constexpr bool operator<(const Exact& a, const Exact& b) noexcept {
    return a.seconds < b.seconds || (a.seconds == b.seconds && a.nanos < b.nanos);
  }
};

inline constexpr Exact daysOf(int64 days) noexcept { return {days * secondsPerDay, 0}; }

// The length of a clock unit, in nanoseconds where it is below a second,
// else in seconds.
struct UnitLength {
  int64 seconds;
  int64 nanos;
};

inline constexpr UnitLength lengthOf(Unit unit) noexcept {
  switch (unit) {
    case Unit::Day: return {secondsPerDay, 0};
    case Unit::Hour: return {3600, 0};
    case Unit::Minute: return {60, 0};
    case Unit::Second: return {1, 0};
    case Unit::Millisecond: return {0, 1'000'000};
    case Unit::Microsecond: return {0, 1'000};
    default: return {0, 1};
  }
}

inline constexpr bool isTimeUnit(Unit unit) noexcept { return unit > Unit::Day; }
inline constexpr bool isCalendarUnit(Unit unit) noexcept { return unit < Unit::Day; }

// ---- Rounding. ----

// Temporal's unsigned rounding modes, for a magnitude between two multiples.
enum class Toward { Zero, Infinity, HalfZero, HalfInfinity, HalfEven };

// GetUnsignedRoundingMode.
inline constexpr Toward unsignedMode(RoundingMode mode, bool negative) noexcept {
  switch (mode) {
    case RoundingMode::Ceil: return negative ? Toward::Zero : Toward::Infinity;
    case RoundingMode::Floor: return negative ? Toward::Infinity : Toward::Zero;
    case RoundingMode::Expand: return Toward::Infinity;
    case RoundingMode::Trunc: return Toward::Zero;
    case RoundingMode::HalfCeil: return negative ? Toward::HalfZero : Toward::HalfInfinity;
    case RoundingMode::HalfFloor: return negative ? Toward::HalfInfinity : Toward::HalfZero;
    case RoundingMode::HalfExpand: return Toward::HalfInfinity;
    case RoundingMode::HalfTrunc: return Toward::HalfZero;
    default: return Toward::HalfEven;
  }
}

// ApplyUnsignedRoundingMode, for a magnitude past the lower multiple by a
// part whose comparison with half the step is `half` (-1, 0, 1) and which is
// not zero where `exact` is false; whether the upper multiple is taken. The
// lower multiple is the `lowerIndex`-th of its step, for HalfEven.
inline constexpr bool roundsUp(Toward toward, bool exact, int half, int64 lowerIndex) noexcept {
  if (exact) return false;
  switch (toward) {
    case Toward::Zero: return false;
    case Toward::Infinity: return true;
    case Toward::HalfZero: return half > 0;
    case Toward::HalfInfinity: return half >= 0;
    default: return half > 0 || (half == 0 && lowerIndex % 2 != 0);
  }
}

// RoundNumberToIncrement of an integer.
inline constexpr int64 roundToIncrement(int64 value, int64 increment, RoundingMode mode) noexcept {
  const bool negative = value < 0;
  const int64 magnitude = negative ? -value : value;
  const int64 lower = magnitude / increment;
  const int64 rest = magnitude - lower * increment;
  const int half = rest * 2 < increment ? -1 : rest * 2 == increment ? 0 : 1;
  const int64 index =
      lower + (roundsUp(unsignedMode(mode, negative), rest == 0, half, lower) ? 1 : 0);
  return (negative ? -index : index) * increment;
}

// RoundTimeDurationToIncrement: `value` rounded to a multiple of `step`,
// which is a whole number of seconds or a divisor of a second.
inline constexpr Exact roundExact(Exact value, UnitLength step, RoundingMode mode) noexcept {
  if (step.seconds <= 0 && step.nanos <= 0) return value;  // no step: nothing to round to
  const bool negative = value.sign() < 0;
  const Exact magnitude = negative ? -value : value;
  int64 lower = 0;  // in steps
  bool exact = false;
  int half = 0;
  if (step.seconds == 0) {
    // Seconds are whole steps: only the nanoseconds are rounded.
    const int64 rest = magnitude.nanos % step.nanos;
    lower = magnitude.nanos / step.nanos;
    exact = rest == 0;
    half = rest * 2 < step.nanos ? -1 : rest * 2 == step.nanos ? 0 : 1;
  } else {
    lower = magnitude.seconds / step.seconds;
    const Exact rest{magnitude.seconds - lower * step.seconds, magnitude.nanos};
    const Exact halfStep{step.seconds / 2, step.seconds % 2 * (billion / 2)};
    exact = rest.sign() == 0;
    half = rest < halfStep ? -1 : rest == halfStep ? 0 : 1;
  }
  const int64 index = lower + (roundsUp(unsignedMode(mode, negative), exact, half, lower) ? 1 : 0);
  const Exact rounded = step.seconds == 0 ? Exact::of(magnitude.seconds, index * step.nanos)
                                          : Exact{index * step.seconds, 0};
  return negative ? -rounded : rounded;
}

// ---- Dates, in days from 1970-01-01, within the years 0 to 9999. ----

struct Civil {
  int64 year;
  int64 month;
  int64 day;
};

inline constexpr Civil civilOf(int64 days) noexcept {
  const Fields f = fromDays(days, 0);
  return {f.year, f.month, f.day};
}

// A date from a year and month of any size (the year wrapped into 0 to
// 9999) and a day within that month.
inline constexpr int64 dayNumber(int64 year, int64 month, int64 day) noexcept {
  const int64 index = floorMod(year * 12 + month - 1, monthsInAllYears);
  return daysFromEpoch(static_cast<int>(index / 12), static_cast<int>(index % 12 + 1),
                       static_cast<int>(day));
}

// Years, months, weeks and days, each counted apart.
struct DateSpan {
  int64 years = 0;
  int64 months = 0;
  int64 weeks = 0;
  int64 days = 0;
  [[nodiscard]] constexpr int sign() const noexcept {
    for (const int64 v : {years, months, weeks, days}) {
      if (v != 0) return v < 0 ? -1 : 1;
    }
    return 0;
  }
};

// The count of `unit` in `span`, a calendar unit or a day.
inline constexpr int64& fieldOf(DateSpan& span, Unit unit) noexcept {
  return unit == Unit::Year    ? span.years
         : unit == Unit::Month ? span.months
         : unit == Unit::Week  ? span.weeks
                               : span.days;
}

// CalendarDateAdd: years and months first, the day of month then
// constrained or carried, then weeks and days. Whole 10000-year cycles of
// any field move no date, so counts of any size are first reduced by them.
inline constexpr int64 addToDate(int64 days, const DateSpan& span, Overflow overflow) noexcept {
  const Civil c = civilOf(days);
  const int64 months = floorMod(
      c.month - 1 + floorMod(span.years, 10000) * 12 + floorMod(span.months, monthsInAllYears),
      monthsInAllYears);  // from January of c.year
  const int64 year = c.year + months / 12;
  const int64 month = months % 12 + 1;
  const int64 length = daysInMonth(floorMod(year, 10000), month);
  const int64 moved = overflow == Overflow::Constrain
                          ? dayNumber(year, month, std::min(c.day, length))
                          : dayNumber(year, month, 1) + c.day - 1;
  const int64 more =
      floorMod(span.weeks, weeksInAllYears) * 7 + floorMod(span.days, daysInAllYears);
  return floorMod(moved + more - firstCalendarDay, daysInAllYears) + firstCalendarDay;
}

// Whether (year, month, day), the day not clamped, lies past `two` in the
// direction of `sign`: ISODateSurpasses.
inline constexpr bool surpasses(int sign, int64 year, int64 month, int64 day,
                                const Civil& two) noexcept {
  const std::array<int64, 3> a = {year, month, day};
  const std::array<int64, 3> b = {two.year, two.month, two.day};
  const int compare = a < b ? -1 : a > b ? 1 : 0;
  return sign * compare == 1;
}

// CalendarDateUntil: from day `one` to day `two`, in units up to `largest`
// (a calendar unit or a day), each found at once from the fields.
inline constexpr DateSpan dateUntil(int64 one, int64 two, Unit largest) noexcept {
  if (one == two) return {};
  const int sign = two > one ? 1 : -1;
  const Civil a = civilOf(one);
  const Civil b = civilOf(two);
  DateSpan span;
  if (largest == Unit::Year) {
    span.years = b.year - a.year;
    if (surpasses(sign, a.year + span.years, a.month, a.day, b)) span.years -= sign;
  }
  if (largest == Unit::Year || largest == Unit::Month) {
    span.months = (b.year - a.year - span.years) * 12 + b.month - a.month;
    if (surpasses(sign, b.year, b.month, a.day, b)) span.months -= sign;
  }
  const int64 start = span.years == 0 && span.months == 0
                          ? one
                          : addToDate(one, {span.years, span.months, 0, 0}, Overflow::Constrain);
  span.days = two - start;
  if (largest == Unit::Week) {
    span.weeks = span.days / 7;
    span.days -= span.weeks * 7;
  }
  return span;
}

// ---- Differences. ----

// A span as Temporal holds it inside: its calendar part and an exact time.
struct Inner {
  DateSpan date;
  Exact time;
  [[nodiscard]] constexpr int sign() const noexcept {
    const int dateSign = date.sign();
    return dateSign != 0 ? dateSign : time.sign();
  }
};

// A local date and time: its day from 1970-01-01 and the nanoseconds into it.
struct Local {
  int64 day;
  int64 nanos;  // [0, nanosPerDay)
};

// The step of `increment` units.
inline constexpr UnitLength stepOf(Unit unit, int64 increment) noexcept {
  const UnitLength length = lengthOf(unit);
  return {length.seconds * increment, length.nanos * increment};
}

// The whole days of a length, truncated toward zero.
inline constexpr int64 wholeDays(Exact length) noexcept {
  const Exact magnitude = length.sign() < 0 ? -length : length;
  const int64 days = magnitude.seconds / secondsPerDay;
  return length.sign() < 0 ? -days : days;
}

inline constexpr Unit dateUnitOf(Unit largest) noexcept {
  return isTimeUnit(largest) ? Unit::Day : largest;
}

// DifferenceISODateTime: from `a` to `b` as plain date-times.
inline constexpr Inner differencePlain(const Local& a, const Local& b, Unit largest) noexcept {
  Exact time = Exact::of(0, b.nanos - a.nanos);
  const int timeSign = time.sign();
  const int dateSign = a.day > b.day ? 1 : a.day < b.day ? -1 : 0;
  int64 end = b.day;
  if (timeSign == dateSign) {  // the time borrows the end's day
    end += timeSign;
    time = time - daysOf(timeSign);
  }
  Inner d{dateUntil(a.day, end, dateUnitOf(largest)), time};
  if (isTimeUnit(largest)) {
    d.time = d.time + daysOf(d.date.days);
    d.date.days = 0;
  }
  return d;
}

// DifferenceZonedDateTime: from instant `from` (local time `start`) to
// instant `to` (local time `end`), the days in local time, where `Frame`
// gives the instant of a local time.
template <class Frame>
Inner differenceZoned(const Frame& frame, Exact from, Exact to, const Local& start,
                      const Local& end, Unit largest) {
  if (from == to) return {};
  if (start.day == end.day) return {{}, to - from};
  const int sign = to < from ? -1 : 1;
  int correction = Exact::of(0, end.nanos - start.nanos).sign() == -sign ? 1 : 0;
  Local middle = end;
  Exact time;
  for (bool found = false; correction <= (sign == 1 ? 2 : 1) && !found; ++correction) {
    middle = {end.day - static_cast<int64>(correction) * sign, start.nanos};
    time = to - frame.instant(middle);
    found = sign != -time.sign();
  }
  return {dateUntil(start.day, middle.day, dateUnitOf(largest)), time};
}

// ---- Rounding a difference, from its start. ----

struct Nudge {
  Inner span;
  Exact nudged;   // the instant the rounded span reaches
  bool expanded;  // whether it rounded up into the next larger unit
};

// The instant of `start` moved by `span`'s calendar part.
template <class Frame>
Exact instantAfter(const Frame& frame, const Local& start, const DateSpan& span) {
  return frame.instant({addToDate(start.day, span, Overflow::Constrain), start.nanos});
}

// NudgeToCalendarUnit: `unit` rounded between the multiples of the
// increment on either side, by how far `dest` lies between their instants.
template <class Frame>
Nudge nudgeToCalendarUnit(const Frame& frame, int sign, const Inner& d, Exact dest,
                          const Local& start, int64 increment, Unit unit, RoundingMode mode) {
  // The span up to `unit`, its count truncated to the increment, and the
  // next multiple on.
  DateSpan lower = d.date;
  if (unit == Unit::Year) lower = {d.date.years, 0, 0, 0};
  if (unit == Unit::Month) lower = {d.date.years, d.date.months, 0, 0};
  if (unit == Unit::Week) {
    const int64 weeksStart =
        addToDate(start.day, {d.date.years, d.date.months, 0, 0}, Overflow::Constrain);
    lower = {d.date.years, d.date.months,
             d.date.weeks + dateUntil(weeksStart, weeksStart + d.date.days, Unit::Week).weeks, 0};
  }
  int64& count = fieldOf(lower, unit);
  count = roundToIncrement(count, increment, RoundingMode::Trunc);
  DateSpan upper = lower;
  fieldOf(upper, unit) += increment * sign;
  const Exact lowerAt = instantAfter(frame, start, lower);
  const Exact upperAt = instantAfter(frame, start, upper);
  const Exact done = dest - lowerAt;
  const Exact whole = upperAt - lowerAt;
  bool up = done == whole;  // progress 1
  if (!up) {
    const Exact twice = done + done;
    const Exact a = sign < 0 ? -twice : twice;
    const Exact b = sign < 0 ? -whole : whole;
    const int half = a < b ? -1 : a == b ? 0 : 1;
    const int64 index = (count < 0 ? -count : count) / increment;
    up = roundsUp(unsignedMode(mode, sign < 0), done.sign() == 0, half, index);
  }
  return up ? Nudge{{upper, {}}, upperAt, true} : Nudge{{lower, {}}, lowerAt, false};
}

// NudgeToZonedTime: the time rounded within the day that `d`'s calendar
// part reaches, and into the next where it rounds past that day's end.
template <class Frame>
Nudge nudgeToZonedTime(const Frame& frame, int sign, const Inner& d, const Local& start,
                       int64 increment, Unit unit, RoundingMode mode) {
  const int64 day = addToDate(start.day, d.date, Overflow::Constrain);
  const Exact dayStart = frame.instant({day, start.nanos});
  const Exact dayEnd = frame.instant({day + sign, start.nanos});
  const UnitLength step = stepOf(unit, increment);
  Exact rounded = roundExact(d.time, step, mode);
  const Exact beyond = rounded - (dayEnd - dayStart);
  DateSpan date = d.date;
  if (beyond.sign() != -sign) {
    date.days += sign;
    rounded = roundExact(beyond, step, mode);
    return {{date, rounded}, dayEnd + rounded, true};
  }
  return {{date, rounded}, dayStart + rounded, false};
}

// NudgeToDayOrTime: days and time rounded as one exact length.
inline constexpr Nudge nudgeToDayOrTime(const Inner& d, Exact dest, Unit largest, int64 increment,
                                        Unit smallest, RoundingMode mode) noexcept {
  const Exact time = d.time + daysOf(d.date.days);
  const Exact rounded = roundExact(time, stepOf(smallest, increment), mode);
  const int64 days = wholeDays(rounded);
  const int64 delta = days - wholeDays(time);
  const bool expanded = (delta > 0 ? 1 : delta < 0 ? -1 : 0) == time.sign();
  DateSpan date = d.date;
  date.days = isTimeUnit(largest) ? 0 : days;
  const Exact rest = isTimeUnit(largest) ? rounded : rounded - daysOf(days);
  return {{date, rest}, dest + (rounded - time), expanded};
}

// BubbleRelativeDuration: where rounding reached the next larger unit,
// that unit is carried on up while the carried span still reaches the
// instant rounded to.
template <class Frame>
Inner bubble(const Frame& frame, int sign, Inner d, Exact nudged, const Local& start, Unit largest,
             Unit smallest) {
  for (int index = static_cast<int>(smallest) - 1; index >= static_cast<int>(largest); --index) {
    const auto unit = static_cast<Unit>(index);
    if (unit == Unit::Week && largest != Unit::Week) continue;
    DateSpan end{d.date.years + (unit == Unit::Year ? sign : 0), 0, 0, 0};
    if (unit != Unit::Year) end.months = d.date.months + (unit == Unit::Month ? sign : 0);
    if (unit == Unit::Week) end.weeks = d.date.weeks + sign;
    if ((nudged - instantAfter(frame, start, end)).sign() == -sign) break;
    d = {end, {}};
  }
  return d;
}

// RoundRelativeDuration.
template <class Frame>
Inner roundRelative(const Frame& frame, const Inner& d, Exact dest, const Local& start,
                    Unit largest, int64 increment, Unit smallest, RoundingMode mode) {
  const int sign = d.sign() < 0 ? -1 : 1;
  Nudge nudge;
  if (isCalendarUnit(smallest) || (frame.zoned && smallest == Unit::Day)) {
    nudge = nudgeToCalendarUnit(frame, sign, d, dest, start, increment, smallest, mode);
  } else if (frame.zoned && isTimeUnit(smallest)) {
    nudge = nudgeToZonedTime(frame, sign, d, start, increment, smallest, mode);
  } else {
    nudge = nudgeToDayOrTime(d, dest, largest, increment, smallest, mode);
  }
  if (nudge.expanded && smallest != Unit::Week) {
    const Unit from = isTimeUnit(smallest) ? Unit::Day : smallest;
    nudge.span = bubble(frame, sign, nudge.span, nudge.nudged, start, largest, from);
  }
  return nudge.span;
}

// ---- Spans. ----

// TemporalDurationFromInternal: the time part in hours to nanoseconds, up
// to `largest` (hours where `largest` is a calendar unit or a day); a
// count beyond 64 bits saturates.
inline constexpr Span toSpan(const Inner& d, Unit largest) noexcept {
  Span span{d.date.years, d.date.months, d.date.weeks, d.date.days, 0, 0, 0, 0};
  const int sign = d.time.sign();
  const Exact time = sign < 0 ? -d.time : d.time;
  int64 seconds = time.seconds;
  if (largest <= Unit::Hour) {
    span.hours = seconds / 3600;
    seconds %= 3600;
  }
  if (largest <= Unit::Minute) {
    span.minutes = seconds / 60;
    seconds %= 60;
  }
  if (largest <= Unit::Second) {
    span.seconds = seconds;
    span.nanoseconds = time.nanos;
  } else {
    constexpr int64 most = std::numeric_limits<int64>::max();
    span.nanoseconds =
        seconds > (most - time.nanos) / billion ? most : seconds * billion + time.nanos;
  }
  if (sign < 0) {
    span.hours = -span.hours;
    span.minutes = -span.minutes;
    span.seconds = -span.seconds;
    span.nanoseconds = -span.nanoseconds;
  }
  return span;
}

// Refuses options Temporal refuses: a smallest unit above the largest, an
// increment outside 1 to 10^9, or one of a clock unit that does not
// divide the next larger unit (in fewer than it).
inline void check(const DifferenceOptions& options) {
  if (options.smallest < options.largest) {
    throw std::invalid_argument("the smallest unit of a difference is larger than its largest");
  }
  const int64 most = options.smallest == Unit::Hour                                         ? 24
                     : options.smallest == Unit::Minute || options.smallest == Unit::Second ? 60
                     : options.smallest > Unit::Second                                      ? 1000
                                                                                            : 0;
  const int64 n = options.increment;
  if (n < 1 || n > billion || (most != 0 && (n >= most || most % n != 0))) {
    throw std::invalid_argument("a rounding increment that does not divide the next larger unit");
  }
}

// The options of `since`, for `until` from the other end.
inline constexpr DifferenceOptions mirrored(DifferenceOptions options) noexcept {
  constexpr std::array<RoundingMode, 9> flipped = {
      RoundingMode::Floor,      RoundingMode::Ceil,      RoundingMode::Expand,
      RoundingMode::Trunc,      RoundingMode::HalfFloor, RoundingMode::HalfCeil,
      RoundingMode::HalfExpand, RoundingMode::HalfTrunc, RoundingMode::HalfEven};
  options.mode = flipped[static_cast<std::size_t>(options.mode)];
  return options;
}

// Plain date-times: a day is 24 hours, and a local time its own instant.
struct PlainFrame {
  bool zoned = false;
  static constexpr Exact instant(const Local& t) noexcept {
    return Exact::of(t.day * secondsPerDay, t.nanos);
  }
};

// The span from `a` to `b` as plain date-times, rounded as `options` ask.
inline Span untilPlain(const Local& a, const Local& b, const DifferenceOptions& options) {
  check(options);
  Inner d = differencePlain(a, b, options.largest);
  if (options.smallest != Unit::Nanosecond || options.increment != 1) {
    d = roundRelative(PlainFrame{}, d, PlainFrame::instant(b), a, options.largest,
                      options.increment, options.smallest, options.mode);
  }
  return toSpan(d, options.largest);
}

// DifferenceZonedDateTimeWithRounding: from instant `from` (local time
// `start`) to `to` (local time `end`): with a clock unit the largest, the
// exact time; else years to days in local time, where `Frame` gives the
// instant of a local time, and the rest exactly.
template <class Frame>
Span untilZoned(const Frame& frame, Exact from, Exact to, const Local& start, const Local& end,
                const DifferenceOptions& options) {
  check(options);
  const bool rounds = options.smallest != Unit::Nanosecond || options.increment != 1;
  if (isTimeUnit(options.largest)) {
    const Exact time = to - from;
    return toSpan(
        {{},
         rounds ? roundExact(time, stepOf(options.smallest, options.increment), options.mode)
                : time},
        options.largest);
  }
  Inner d = differenceZoned(frame, from, to, start, end, options.largest);
  if (rounds) {
    d = roundRelative(frame, d, to, start, options.largest, options.increment, options.smallest,
                      options.mode);
  }
  return toSpan(d, options.largest);
}

// The clock units of a span as an exact length, less whole 10000-year
// cycles, which move no field.
inline constexpr Exact clockPart(const Span& span) noexcept {
  constexpr int64 cycle = daysInAllYears * secondsPerDay;
  return Exact::of(floorMod(span.hours, cycle / 3600) * 3600 +
                       floorMod(span.minutes, cycle / 60) * 60 + floorMod(span.seconds, cycle),
                   span.nanoseconds);
}

// AddTime and CalendarDateAdd: `local` moved by `span`, the clock units
// exactly, with the days they carry added to the calendar part. Counts of
// any size are reduced by whole 10000-year cycles, which move no field.
inline constexpr Local addPlain(const Local& local, const Span& span, Overflow overflow) noexcept {
  const Exact time = clockPart(span) + Exact::of(0, local.nanos);
  const int64 carried = floorDiv(time.seconds, secondsPerDay);
  const int64 days = floorMod(span.days, daysInAllYears) + carried;
  return {addToDate(local.day, {span.years, span.months, span.weeks, days}, overflow),
          (time.seconds - carried * secondsPerDay) * billion + time.nanos};
}

// RoundISODateTime: the time of day rounded to `increment` of `smallest`,
// a day at midnight, carrying into the date.
inline Local roundPlain(const Local& local, Unit smallest, int64 increment, RoundingMode mode) {
  const int64 most = smallest == Unit::Day      ? 1
                     : smallest == Unit::Hour   ? 24
                     : smallest <= Unit::Second ? 60
                                                : 1000;
  if (isCalendarUnit(smallest) || increment < 1 ||
      (smallest == Unit::Day ? increment != 1 : increment >= most || most % increment != 0)) {
    throw std::invalid_argument(
        "a rounding unit above a day, or an increment that does not "
        "divide the next larger unit");
  }
  // RoundTime rounds within the next larger unit, whose start is a whole
  // number of steps: that tells ties apart for HalfEven.
  const UnitLength larger = lengthOf(static_cast<Unit>(static_cast<int>(smallest) - 1));
  const int64 within =
      smallest <= Unit::Hour ? nanosPerDay : larger.seconds * billion + larger.nanos;
  const int64 base = local.nanos / within * within;
  const Exact rounded =
      roundExact(Exact::of(0, local.nanos - base), stepOf(smallest, increment), mode) +
      Exact::of(0, base);
  const int64 carried = rounded.seconds / secondsPerDay;  // 0 or 1
  return {local.day + carried,
          (rounded.seconds - carried * secondsPerDay) * billion + rounded.nanos};
}

}  // namespace Date::detail::spans

#endif  // NORMDATE_CORE_CALENDAR_SPAN_ENGINE_H_
