// -----------------------------------------------------------------------------
// File: timestamp.h
// -----------------------------------------------------------------------------
//
// `Date::Timestamp` is an instant to the nanosecond: a `Date::Date` (a whole
// second, UTC by convention, always normalised) and a nanosecond within that
// second, 0..999'999'999. It is what logs, databases and network protocols
// hold, and it converts exactly to and from std::chrono's time points of any
// integral precision, ISO 8601 / RFC 3339 text and token formats:
//
//   const Date::Timestamp t = Date::Timestamp::parseIso("2026-12-06T09:04:49.250+07:00");
//   t.getDate();                    // 2026-Dec-06 02:04:49
//   t.getNanosecond();              // 250'000'000
//   t.toIsoString();                // "2026-12-06T02:04:49.250Z"
//   t.toString("DD.MM.YYYY hh:mm:ss.fff");  // "06.12.2026 02:04:49.250"
//   t + std::chrono::milliseconds(750);      // 2026-12-06T02:04:50Z
//
// Like a date, a timestamp wraps its year into 0..9999: any count of
// nanoseconds, any duration added and any time point given is carried
// through the calendar exactly, and a result past 9999-12-31 23:59:59.999999999
// continues at 0000-01-01, as `Date::addSecond` does. Every function is total
// over its argument types. A clock leap second of a date (23:59:60) counts as
// the next minute's first second, as `Date::toSysSeconds` counts it.

#ifndef NORMDATE_TIMESTAMP_H_
#define NORMDATE_TIMESTAMP_H_

#include <normdate/date.h>
#include <normdate/detail/civil.h>
#include <normdate/export.h>
#include <normdate/span.h>

#include <chrono>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <limits>
#include <optional>
#include <ratio>
#include <string>
#include <string_view>
#include <type_traits>

namespace Date {

namespace detail {

inline constexpr std::int64_t nanosPerSecond = 1'000'000'000;

// Seconds in 10000 Gregorian years: moving an instant by whole multiples of
// them moves no field of its date.
inline constexpr std::int64_t secondsInAllYears = daysInAllYears * 86400;

// The first and last seconds of the years 0 to 9999, from 1970.
inline constexpr std::int64_t firstSecond = -62167219200;  // 0000-01-01 00:00:00
inline constexpr std::int64_t lastSecond = 253402300799;   // 9999-12-31 23:59:59

// `seconds` from 1970 moved by whole 10000-year cycles into the years 0 to
// 9999, which holds every instant a date can.
constexpr std::int64_t inCalendar(std::int64_t seconds) noexcept {
  if (seconds >= firstSecond && seconds <= lastSecond) return seconds;
  return floorMod(seconds - firstSecond, secondsInAllYears) + firstSecond;
}

// An unsigned 128-bit number as two words, for the exact conversion of
// durations whose tick is not a whole number of nanoseconds. Portable, so
// that 32-bit targets, which have no 128-bit integer, convert exactly too.
struct Wide {
  std::uint64_t high;
  std::uint64_t low;
};

constexpr Wide multiply(std::uint64_t a, std::uint64_t b) noexcept {
  const std::uint64_t mask = 0xFFFFFFFF;
  const std::uint64_t lowLow = (a & mask) * (b & mask);
  const std::uint64_t lowHigh = (a & mask) * (b >> 32);
  const std::uint64_t highLow = (a >> 32) * (b & mask);
  const std::uint64_t middle = (lowLow >> 32) + (lowHigh & mask) + (highLow & mask);  // < 3 * 2^32
  return {(a >> 32) * (b >> 32) + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32),
          middle << 32 | (lowLow & mask)};
}

constexpr Wide add(Wide a, std::uint64_t b) noexcept {
  const std::uint64_t low = a.low + b;
  return {a.high + (low < b ? 1 : 0), low};
}

// The quotient of `dividend` by `divisor`, and the remainder in `remainder`,
// by long division one bit at a time. Precondition: 0 < divisor <= 2^63.
constexpr Wide divide(Wide dividend, std::uint64_t divisor, std::uint64_t& remainder) noexcept {
  Wide quotient{0, 0};
  remainder = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const std::uint64_t word = bit >= 64 ? dividend.high : dividend.low;
    remainder = remainder << 1 | (word >> (bit & 63) & 1);  // below 2^64: remainder < divisor
    if (remainder >= divisor) {
      remainder -= divisor;
      (bit >= 64 ? quotient.high : quotient.low) |= std::uint64_t{1} << (bit & 63);
    }
  }
  return quotient;
}

// A duration as whole seconds and the nanoseconds after them, [0, 10^9),
// floored. `seconds` is exact, or, where that would not fit, reduced by
// whole 10000-year cycles: either moves a date to the same fields.
// `dropped` says whether a part below a nanosecond was floored away.
struct Split {
  std::int64_t seconds;
  std::int64_t nanoseconds;
  bool dropped = false;
};

// `count` ticks of num/den seconds, in sign and magnitude, by 128-bit
// arithmetic: the count times num, divided by den, and the remainder's
// nanoseconds, each floored.
constexpr Split splitWide(bool negative, std::uint64_t magnitude, std::uint64_t num,
                          std::uint64_t den) noexcept {
  std::uint64_t remainder = 0;
  const Wide seconds =
      divide(multiply(magnitude, num), den, remainder);  // |value| = seconds + r/den
  std::uint64_t exact = 0;
  const std::uint64_t fraction = divide(multiply(remainder, nanosPerSecond), den, exact).low;
  std::uint64_t reduced = 0;
  const auto cycle = static_cast<std::uint64_t>(secondsInAllYears);
  divide(seconds, cycle, reduced);  // [0, cycle)
  const bool dropped = exact != 0;
  if (!negative) {
    return {static_cast<std::int64_t>(reduced), static_cast<std::int64_t>(fraction), dropped};
  }
  // -(s + r/den) floored to nanoseconds: -(s + 1) seconds and 10^9 minus the
  // fraction rounded up.
  if (remainder == 0) return {-static_cast<std::int64_t>(reduced), 0};
  const std::uint64_t up = fraction + (dropped ? 1 : 0);  // [1, 10^9]
  return {-static_cast<std::int64_t>(reduced) - 1, nanosPerSecond - static_cast<std::int64_t>(up),
          dropped};
}

// Any integral duration as seconds and nanoseconds, floored. Durations of
// whole seconds and of whole fractions of a second that divide one, which
// are all the standard ones, take a few instructions; any other tick, or a
// count whose seconds do not fit 64 bits, takes the 128-bit path.
template <class Rep, class Period>
constexpr Split split(std::chrono::duration<Rep, Period> d) noexcept {
  static_assert(std::is_integral_v<Rep> && sizeof(Rep) <= sizeof(std::uint64_t),
                "a Timestamp converts durations of an integral count of at most 64 bits");
  const Rep count = d.count();
  constexpr auto num = static_cast<std::uint64_t>(Period::num);
  constexpr auto den = static_cast<std::uint64_t>(Period::den);
  if constexpr (std::is_signed_v<Rep>) {
    const auto ticks = static_cast<std::int64_t>(count);
    if constexpr (num == 1 && nanosPerSecond % den == 0) {
      constexpr auto perSecond = static_cast<std::int64_t>(den);
      constexpr std::int64_t tick = nanosPerSecond / perSecond;
      return {floorDiv(ticks, perSecond), floorMod(ticks, perSecond) * tick};
    } else if constexpr (den == 1 && num < (std::uint64_t{1} << 24)) {
      // Reduced by whole cycles first (below 2^39), the product fits.
      return {floorMod(ticks, secondsInAllYears) * static_cast<std::int64_t>(num), 0};
    }
    const bool negative = ticks < 0;
    const auto magnitude = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(ticks)
                                    : static_cast<std::uint64_t>(ticks);
    return splitWide(negative, magnitude, num, den);
  } else {
    return splitWide(false, static_cast<std::uint64_t>(count), num, den);
  }
}

// |seconds * den + fraction|, of the sign of `seconds`: where that is
// negative, |seconds| * den - fraction. Precondition: fraction < den.
constexpr Wide scaled(std::int64_t seconds, std::uint64_t den, std::uint64_t fraction) noexcept {
  if (seconds >= 0) return add(multiply(static_cast<std::uint64_t>(seconds), den), fraction);
  const Wide whole = multiply(std::uint64_t{0} - static_cast<std::uint64_t>(seconds), den);
  return {whole.high - (whole.low < fraction ? 1 : 0), whole.low - fraction};
}

// A count of ticks in sign and magnitude as a `Duration`, if its count
// holds it.
template <class Duration>
constexpr std::optional<Duration> fitted(bool negative, Wide magnitude) noexcept {
  using Rep = typename Duration::rep;
  constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<Rep>::max());
  if (magnitude.high != 0) return std::nullopt;
  if constexpr (std::is_signed_v<Rep>) {
    if (negative) {
      if (magnitude.low > most + 1) return std::nullopt;
      return Duration(static_cast<Rep>(-static_cast<std::int64_t>(magnitude.low - 1) - 1));
    }
  } else if (negative && magnitude.low != 0) {
    return std::nullopt;
  }
  if (magnitude.low > most) return std::nullopt;
  return Duration(static_cast<Rep>(magnitude.low));
}

// The number of whole `Duration` ticks in `seconds` and `nanoseconds`
// ([0, 10^9)), floored, if `Rep` holds it. |seconds| is below 2^39.
template <class Duration>
constexpr std::optional<Duration> ticksOf(std::int64_t seconds, std::int64_t nanoseconds) noexcept {
  using Rep = typename Duration::rep;
  using Period = typename Duration::period;
  static_assert(std::is_integral_v<Rep> && sizeof(Rep) <= sizeof(std::uint64_t),
                "a Timestamp converts to durations of an integral count of at most 64 bits");
  constexpr auto num = static_cast<std::uint64_t>(Period::num);
  constexpr auto den = static_cast<std::uint64_t>(Period::den);
  const bool negative = seconds < 0;
  // floor((seconds + n / 10^9) * den / num), in sign and magnitude.
  if constexpr (num == 1 && nanosPerSecond % den == 0) {
    // Whole fractions of a second: seconds * den + n / (10^9 / den), at
    // most 2^69 in magnitude.
    const auto perTick = static_cast<std::uint64_t>(nanosPerSecond) / den;
    return fitted<Duration>(
        negative, scaled(seconds, den, static_cast<std::uint64_t>(nanoseconds) / perTick));
  } else {
    // seconds * den + floor(n * den / 10^9), floor-divided by num. A
    // fraction of a tick below one cannot move the quotient past a whole
    // tick, so the nanoseconds' own remainder is dropped first.
    std::uint64_t dropped = 0;
    const std::uint64_t fraction =
        divide(multiply(static_cast<std::uint64_t>(nanoseconds), den), nanosPerSecond, dropped).low;
    std::uint64_t remainder = 0;
    Wide magnitude = divide(scaled(seconds, den, fraction), num, remainder);
    // A negative quotient with a remainder is floored one further down.
    if (negative && remainder != 0) magnitude = add(magnitude, 1);
    return fitted<Duration>(negative, magnitude);
  }
}

}  // namespace detail

class Timestamp;

// A UTC instant read from text together with the offset from UTC that the
// text gave it, so that `TimeZone::fixed(offsetSeconds).toIsoString(utc)`
// writes the same instant with the same offset back.
struct OffsetTimestamp;

class Timestamp {
 public:
  // 1970-01-01 00:00:00.000000000, as a default std::chrono time point.
  constexpr Timestamp() noexcept : date(1970, Jan, 1), nanosecond(0) {}

  // `nanoseconds` after the start of `wholeSecond`; any count carries into
  // the date, a negative one backwards: Timestamp(d, -1) is one nanosecond
  // before d, and Timestamp(Date(2026, Date::Dec, 31, 23, 59, 59),
  // 1'500'000'000) is 2027-01-01 00:00:00.5.
  constexpr Timestamp(const Date& wholeSecond, std::int64_t nanoseconds = 0) noexcept
      : Timestamp(wholeSecond.getSecond() < 60 && nanoseconds >= 0 &&
                          nanoseconds < detail::nanosPerSecond
                      ? Timestamp(Exact{}, wholeSecond, static_cast<int>(nanoseconds))
                      : fromSeconds(wholeSecond.toSysSeconds().time_since_epoch().count(),
                                    detail::floorDiv(nanoseconds, detail::nanosPerSecond),
                                    detail::floorMod(nanoseconds, detail::nanosPerSecond))) {}

  // The instant of a std::chrono time point of any integral precision,
  // exactly; a precision finer than a nanosecond is floored to one. The
  // year wraps into 0..9999 like a date's.
  template <class Duration>
  constexpr explicit Timestamp(std::chrono::sys_time<Duration> t) noexcept
      : Timestamp(fromTimePoint(t)) {}

  // The instant `seconds` after 1970-01-01 00:00:00 UTC and `nanoseconds`
  // on, as a POSIX timespec holds it; any values carry, and the year wraps:
  // fromUnixTime(-1, 500'000'000) is 1969-12-31 23:59:59.5.
  [[nodiscard]] static constexpr Timestamp fromUnixTime(std::int64_t seconds,
                                                        std::int64_t nanoseconds = 0) noexcept {
    if (nanoseconds >= 0 && nanoseconds < detail::nanosPerSecond) {
      return {Exact{}, detail::fromSeconds(seconds), static_cast<int>(nanoseconds)};
    }
    // Whole cycles off the seconds, so that the nanoseconds' carry fits.
    return fromSeconds(detail::floorMod(seconds, detail::secondsInAllYears),
                       detail::floorDiv(nanoseconds, detail::nanosPerSecond),
                       detail::floorMod(nanoseconds, detail::nanosPerSecond));
  }

  // The current time, from std::chrono::system_clock at its full precision.
  [[nodiscard]] static Timestamp now() noexcept {
    return Timestamp(std::chrono::system_clock::now());
  }

  // The whole second.
  [[nodiscard]] constexpr Date getDate() const noexcept { return date; }

  // The nanosecond within that second, 0..999'999'999.
  [[nodiscard]] constexpr int getNanosecond() const noexcept { return nanosecond; }

  // The instant as a time point of `Duration`, floored to its precision:
  // toSysTime<std::chrono::milliseconds>() of 02:04:49.999999 is 02:04:49.999.
  // Where its count cannot hold the instant (nanoseconds in a 64-bit count
  // reach only 1677..2262), the count's least or greatest value.
  template <class Duration = std::chrono::nanoseconds>
  [[nodiscard]] constexpr std::chrono::sys_time<Duration> toSysTime() const noexcept {
    if (const std::optional<std::chrono::sys_time<Duration>> t = tryToSysTime<Duration>())
      return *t;
    return std::chrono::sys_time<Duration>(seconds() < 0 ? Duration::min() : Duration::max());
  }

  // As above, or nothing where the count cannot hold the instant.
  template <class Duration = std::chrono::nanoseconds>
  [[nodiscard]] constexpr std::optional<std::chrono::sys_time<Duration>> tryToSysTime()
      const noexcept {
    const std::optional<Duration> ticks = detail::ticksOf<Duration>(seconds(), nanosecond);
    if (!ticks) return std::nullopt;
    return std::chrono::sys_time<Duration>(*ticks);
  }

  // This instant moved by `d`, exactly; a precision finer than a nanosecond
  // is floored to one. The year wraps as a date's does.
  template <class Rep, class Period>
  [[nodiscard]] constexpr Timestamp operator+(std::chrono::duration<Rep, Period> d) const noexcept {
    const detail::Split shift = detail::split(d);
    return fromSeconds(seconds(), detail::floorMod(shift.seconds, detail::secondsInAllYears),
                       nanosecond + shift.nanoseconds);
  }

  template <class Rep, class Period>
  [[nodiscard]] constexpr Timestamp operator-(std::chrono::duration<Rep, Period> d) const noexcept {
    // Back by the duration's seconds and one more, then forward by what its
    // nanoseconds leave of that one, and by one nanosecond less where the
    // duration had a part below one: the exact difference, floored.
    const detail::Split shift = detail::split(d);
    return fromSeconds(
        seconds(), -detail::floorMod(shift.seconds, detail::secondsInAllYears) - 1,
        nanosecond + detail::nanosPerSecond - shift.nanoseconds - (shift.dropped ? 1 : 0));
  }

  // The exact time from `earlier` to this instant, negative if `earlier` is
  // later. Beyond what 64 bits of nanoseconds hold, about 292 years either
  // way, the least or greatest count.
  constexpr std::chrono::nanoseconds operator-(const Timestamp& earlier) const noexcept {
    using limits = std::numeric_limits<std::int64_t>;
    // The difference as whole seconds and nanoseconds after them, [0, 10^9).
    const std::int64_t nanos = nanosecond - earlier.nanosecond;  // (-10^9, 10^9)
    const std::int64_t whole = seconds() - earlier.seconds() - (nanos < 0 ? 1 : 0);  // |.| < 2^39
    const std::int64_t fraction = nanos < 0 ? nanos + detail::nanosPerSecond : nanos;
    // The greatest count is 9223372036 s and 854775807 ns, the least
    // -9223372037 s and 145224192 ns.
    constexpr std::int64_t mostWhole = limits::max() / detail::nanosPerSecond;
    constexpr std::int64_t mostFraction = limits::max() % detail::nanosPerSecond;
    constexpr std::int64_t leastFraction = detail::nanosPerSecond - mostFraction - 1;
    if (whole > mostWhole || (whole == mostWhole && fraction > mostFraction)) {
      return std::chrono::nanoseconds::max();
    }
    if (whole < -mostWhole - 1 || (whole == -mostWhole - 1 && fraction < leastFraction)) {
      return std::chrono::nanoseconds::min();
    }
    // A negative count is built from the second after, so that no term
    // passes the least count on the way.
    if (whole < 0) {
      return std::chrono::nanoseconds((whole + 1) * detail::nanosPerSecond +
                                      (fraction - detail::nanosPerSecond));
    }
    return std::chrono::nanoseconds(whole * detail::nanosPerSecond + fraction);
  }

  // ---- Spans (span.h): this timestamp as a plain date and time. ----

  // The span from this timestamp to `other`, counted from here: years,
  // months and days of the calendar, then the time exactly, in units from
  // `options.largest` to `options.smallest`, rounded as it says. Throws
  // std::invalid_argument for options Temporal refuses (a smallest unit
  // above the largest, an increment that does not divide the next larger
  // unit).
  //   a.until(b, {.largest = Date::Unit::Year})
  [[nodiscard]] NORMDATE_EXPORT Span until(const Timestamp& other,
                                           const DifferenceOptions& options = {}) const;

  // `other.until(*this)` counted from here instead: `until` from this end to
  // `other`, negated, the rounding mode's direction mirrored.
  [[nodiscard]] NORMDATE_EXPORT Span since(const Timestamp& other,
                                           const DifferenceOptions& options = {}) const;

  // This timestamp moved by `span`: years and months, the day of month
  // constrained or carried by `overflow`, then weeks and days, then the
  // clock units. Any counts; the year wraps.
  [[nodiscard]] NORMDATE_EXPORT Timestamp
  add(const Span& span, Overflow overflow = Overflow::Constrain) const noexcept;
  [[nodiscard]] NORMDATE_EXPORT Timestamp
  subtract(const Span& span, Overflow overflow = Overflow::Constrain) const noexcept;

  // The time of day rounded to `increment` of `smallest`, Day to Nanosecond,
  // where the increment divides the next larger unit (and is 1 for a day,
  // which rounds at midnight); a rounding past midnight carries into the
  // date. Throws std::invalid_argument otherwise.
  [[nodiscard]] NORMDATE_EXPORT Timestamp round(Unit smallest, std::int64_t increment = 1,
                                                RoundingMode mode = RoundingMode::HalfExpand) const;

  // In the order of the instants; equal when date and nanosecond are.
  // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy 14 takes a comparison's 0 for a pointer
  friend constexpr auto operator<=>(const Timestamp&, const Timestamp&) = default;

  // ---- Text. ----

  // ISO 8601 / RFC 3339 text in UTC, with the fraction in the fewest groups
  // of three digits that hold it exactly, and none when it is 0:
  // "2026-12-06T02:04:49.250Z", "2026-12-06T02:04:49.000001Z",
  // "2026-12-06T02:04:49Z".
  [[nodiscard]] NORMDATE_EXPORT std::string toIsoString() const;

  // As above, with exactly `digits` fraction digits (clamped to 0..9),
  // truncated, never rounded: toIsoString(2) of 02:04:49.999 is
  // "2026-12-06T02:04:49.99Z", and toIsoString(0) has no fraction.
  [[nodiscard]] NORMDATE_EXPORT std::string toIsoString(int digits) const;

  // Reads ISO 8601 / RFC 3339 text as `Date::tryParseIso` does (an offset,
  // "T", "t" or a space, "Z" or "z", a fraction after "." or ","), and keeps
  // the fraction to the nanosecond; digits after the ninth are dropped
  // (truncated). A leap second, 23:59:60 with any fraction, is the first
  // instant of the next minute, as abseil reads it: every instant of the
  // leap second reads to the same one, no later than any instant after it,
  // so that reading keeps the order of the instants ("23:59:60.900Z" is
  // "00:00:00Z", before "00:00:00.100Z"). "-00:00", which RFC 3339 reserves
  // for an unknown local offset, reads as "Z" does, and an offset of 0 is
  // written back as "Z" (or "+00:00" by `TimeZone::toIsoString`).
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Timestamp> tryParseIso(
      std::string_view text) noexcept;

  // As above, but throws `ParseError` saying what was expected where.
  [[nodiscard]] NORMDATE_EXPORT static Timestamp parseIso(std::string_view text);

  // As `tryParseIso`, with the offset the text named (0 for "Z").
  [[nodiscard]] NORMDATE_EXPORT static std::optional<OffsetTimestamp> tryParseIsoWithOffset(
      std::string_view text) noexcept;
  [[nodiscard]] NORMDATE_EXPORT static OffsetTimestamp parseIsoWithOffset(std::string_view text);

  // The date's default form with the fraction as `toIsoString` writes it:
  // "2026-Dec-06 02:04:49.250", or "2026-Dec-06 02:04:49" on a whole second.
  [[nodiscard]] NORMDATE_EXPORT std::string toString() const;

  // Formats with the tokens of `Date::toString` (YYYY, MMM, MM, DD, hh, mm,
  // ss, with the same rules), and fff, ffffff and fffffffff for the first 3,
  // 6 or 9 digits of the fraction, truncated. A run of f is read left to
  // right, the longest of those first: "ffff" is fff and a literal f, and a
  // single f or ff is literal text. Any kind of string is accepted, and, as
  // for `Date::toString`, the text can be written into a string kept from
  // call to call, which `format` may view.
  [[nodiscard]] NORMDATE_EXPORT std::string toString(std::string_view format) const;
  [[nodiscard]] NORMDATE_EXPORT std::string toString(const std::string& format) const;
  [[nodiscard]] NORMDATE_EXPORT std::string toString(const char* format) const;
  NORMDATE_EXPORT void toString(std::string_view format, std::string& text) const;
  NORMDATE_EXPORT void toString(const char* format, std::string& text) const;

  // Reads the default form, with no fraction or one of 3, 6 or 9 digits
  // after a ".": "2026-Dec-06 02:04:49.250".
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Timestamp> tryParse(
      std::string_view text) noexcept;

  // Reads `text` written in `format`, as `Date::tryParse` does, where fff,
  // ffffff and fffffffff read exactly 3, 6 or 9 digits of the fraction.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Timestamp> tryParse(
      std::string_view text, std::string_view format) noexcept;

  // As the two above, but throw `ParseError` saying what was expected where.
  [[nodiscard]] NORMDATE_EXPORT static Timestamp parse(std::string_view text);
  [[nodiscard]] NORMDATE_EXPORT static Timestamp parse(std::string_view text,
                                                       std::string_view format);

  // ---- strftime-style text and the texts of the wire. ----

  // As `Date::strftime`, where %E*S and %E1S..%E9S write the fraction:
  // strftime("%F %H:%M:%E3S") is "2026-12-06 02:04:49.250".
  [[nodiscard]] NORMDATE_EXPORT std::string strftime(std::string_view pattern) const;
  NORMDATE_EXPORT void strftime(std::string_view pattern, std::string& text) const;

  // As `Date::strptime`, keeping the fraction %E*S or %E1S..%E9S reads.
  [[nodiscard]] NORMDATE_EXPORT static Timestamp strptime(std::string_view text,
                                                          std::string_view pattern);
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Timestamp> tryStrptime(
      std::string_view text, std::string_view pattern) noexcept;

  // HTTP's date (RFC 9110, section 5.6.7), IMF-fixdate:
  // "Tue, 08 Dec 2026 10:00:00 GMT". The fraction is dropped.
  [[nodiscard]] NORMDATE_EXPORT std::string toHttpDate() const;

  // Reads IMF-fixdate and the two obsolete forms recipients must accept:
  // RFC 850's "Tuesday, 08-Dec-26 10:00:00 GMT", whose year is the latest
  // with those two digits that is not more than 50 years after `now` (the
  // system clock's time where none is given), and asctime's
  // "Tue Dec  8 10:00:00 2026". As the RFC says, the text is case-sensitive;
  // the weekday must be the date's, and a second 60 is the next minute's
  // first.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Timestamp> tryParseHttpDate(
      std::string_view text) noexcept;
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Timestamp> tryParseHttpDate(
      std::string_view text, const Timestamp& now) noexcept;
  // As above, but throw ParseError saying what was expected where.
  [[nodiscard]] NORMDATE_EXPORT static Timestamp parseHttpDate(std::string_view text);
  [[nodiscard]] NORMDATE_EXPORT static Timestamp parseHttpDate(std::string_view text,
                                                               const Timestamp& now);

  // E-mail's date (RFC 5322, section 3.3) at `offsetSeconds` east of UTC,
  // truncated to whole minutes: toRfc5322(3600) is
  // "Tue, 08 Dec 2026 11:00:00 +0100". Throws std::invalid_argument for an
  // offset beyond the +-99:59 four digits hold.
  [[nodiscard]] NORMDATE_EXPORT std::string toRfc5322(int offsetSeconds = 0) const;

  // Reads e-mail's date with the obsolete syntax of section 4.3: the
  // weekday optional, the day in one or two digits, folding white space
  // and comments between the parts, the seconds optional, names in any
  // case, years of two digits (00..49 the 2000s, 50..99 the 1900s) or three
  // (1900 added), the zone names UT, GMT, EST, EDT, CST, CDT, MST, MDT, PST
  // and PDT, and military letters, which read as -0000 (offset 0), as the
  // RFC says. The weekday, where given, must be the date's. Gives the
  // instant and the offset the text named.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<OffsetTimestamp> tryParseRfc5322(
      std::string_view text) noexcept;
  [[nodiscard]] NORMDATE_EXPORT static OffsetTimestamp parseRfc5322(std::string_view text);

  // Reads exactly RFC 3339's date-time (section 5.6), for programs that
  // check what they receive: "T", "t" or one space between date and time,
  // "." before a fraction of any length (digits after the ninth dropped),
  // "Z", "z" or +hh:mm / -hh:mm with hours to 23 and minutes to 59, and a
  // second 60 only where the instant is the last second of a UTC day
  // ("1990-12-31T15:59:60-08:00"), read as the next minute's first. What
  // `parseIso` reads beyond it (a bare date, "+hhmm", "+hh", "+hh:mm:ss", a
  // "," before the fraction) is refused.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<Timestamp> tryParseRfc3339(
      std::string_view text) noexcept;
  [[nodiscard]] NORMDATE_EXPORT static Timestamp parseRfc3339(std::string_view text);
  // As above, with the offset the text named.
  [[nodiscard]] NORMDATE_EXPORT static std::optional<OffsetTimestamp> tryParseRfc3339WithOffset(
      std::string_view text) noexcept;
  [[nodiscard]] NORMDATE_EXPORT static OffsetTimestamp parseRfc3339WithOffset(
      std::string_view text);

 private:
  struct Exact {};

  // Precondition: `d` normalised, `nanoseconds` in [0, 10^9).
  constexpr Timestamp(Exact /*unused*/, const Date& d, int nanoseconds) noexcept
      : date(d), nanosecond(nanoseconds) {}

  // The same, of normalised fields, built in place.
  constexpr Timestamp(Exact /*unused*/, const detail::Fields& fields, int nanoseconds) noexcept
      : date(fields), nanosecond(nanoseconds) {}

  // The instant `seconds` + `moreSeconds` after 1970 and `nanoseconds` on,
  // the year wrapped. Preconditions: nanoseconds in [0, 2 * 10^9), and
  // seconds + moreSeconds + 1 within 64 bits where they are 10^9 or more.
  static constexpr Timestamp fromSeconds(std::int64_t seconds, std::int64_t moreSeconds,
                                         std::int64_t nanoseconds) noexcept {
    const bool carry = nanoseconds >= detail::nanosPerSecond;
    return {Exact{}, detail::fromSeconds(seconds + moreSeconds + (carry ? 1 : 0)),
            static_cast<int>(carry ? nanoseconds - detail::nanosPerSecond : nanoseconds)};
  }

  template <class Duration>
  static constexpr Timestamp fromTimePoint(std::chrono::sys_time<Duration> t) noexcept {
    using Rep = typename Duration::rep;
    if constexpr (std::is_same_v<typename Duration::period, std::nano> && std::is_signed_v<Rep> &&
                  sizeof(Rep) == sizeof(std::int64_t)) {
      // A 64-bit count of nanoseconds reaches only 1677..2262, where no year
      // wraps, and a bias of whole days makes it unsigned for all but its
      // least day: one division finds the day, and one more the second.
      constexpr auto nanosPerDay = static_cast<std::uint64_t>(86400 * detail::nanosPerSecond);
      constexpr std::int64_t biasDays = 106751;  // 2^63 ns is 106751.99 days
      const auto count = static_cast<std::int64_t>(t.time_since_epoch().count());
      if (count >= -biasDays * static_cast<std::int64_t>(nanosPerDay)) [[likely]] {
        const std::uint64_t biased =
            static_cast<std::uint64_t>(count) + biasDays * nanosPerDay;  // below 2^64
        const std::uint64_t days = biased / nanosPerDay;                 // [0, 213503]
        const std::uint64_t ofDay = biased - days * nanosPerDay;
        const std::uint64_t second = ofDay / detail::nanosPerSecond;  // [0, 86399]
        const auto dayOfCycle = static_cast<std::uint32_t>(days - biasDays + detail::daysToEpoch);
        return {Exact{}, detail::fieldsOf(dayOfCycle, static_cast<std::uint32_t>(second)),
                static_cast<int>(ofDay - second * detail::nanosPerSecond)};
      }
    }
    const detail::Split split = detail::split(t.time_since_epoch());
    return fromSeconds(split.seconds, 0, split.nanoseconds);
  }

  // Seconds from 1970-01-01 00:00:00 UTC to the whole second.
  [[nodiscard]] constexpr std::int64_t seconds() const noexcept {
    return date.toSysSeconds().time_since_epoch().count();
  }

  Date date;       // normalised: never a leap second
  int nanosecond;  // [0, 10^9)
};

struct OffsetTimestamp {
  Timestamp utc;      // the instant
  int offsetSeconds;  // east of UTC: "+07:00" is 25200, "Z" is 0
  friend constexpr bool operator==(const OffsetTimestamp&, const OffsetTimestamp&) = default;
};

// Writes `t.toString()`, with no end of line.
NORMDATE_EXPORT std::ostream& operator<<(std::ostream& o, const Timestamp& t);

}  // namespace Date

// Timestamps hash by their instant, through the date's hash mixed with the
// nanosecond.
template <>
struct std::hash<Date::Timestamp> {
  constexpr std::size_t operator()(const Date::Timestamp& t) const noexcept {
    const std::uint64_t seconds = Date::detail::mix64(
        static_cast<std::uint64_t>(t.getDate().toSysSeconds().time_since_epoch().count()));
    return Date::detail::toSize(
        Date::detail::mix64(seconds ^ static_cast<std::uint64_t>(t.getNanosecond())));
  }
};

#endif  // NORMDATE_TIMESTAMP_H_
