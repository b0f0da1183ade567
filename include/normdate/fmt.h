// -----------------------------------------------------------------------------
// File: fmt.h
// -----------------------------------------------------------------------------
//
// Formatting of `Date::Date`, `Date::Timestamp` and `Date::DateInterval`
// through the fmt library.
// Header-only and optional: include it where fmt is available (Debian's
// libfmt-dev) and link fmt as usual; the normdate library itself does not
// need fmt.
//
// A date's or a timestamp's format specifier is a token format, as for
// their `toString`, except the specifier "iso", which gives `toIsoString`;
// an empty one is the default format:
//
//   const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
//   fmt::format("{}", d);              // "2026-Dec-06 02:04:49"
//   fmt::format("{:DD.MM.YYYY}", d);   // "06.12.2026"
//   fmt::format("{:iso}", d);          // "2026-12-06T02:04:49Z"
//   fmt::format("{:hh:mm:ss.fff}", Date::Timestamp(d, 250'000'000));  // "02:04:49.250"
//
// The specifier is everything up to the first closing brace, so it cannot
// hold a brace: a nested replacement field such as "{:{}}" leaves an
// unmatched brace, which fmt reports as a format_error. It is not a
// string's specifier either: width, fill and alignment are token-free
// text like any other, so "{:>24}" writes ">24". To pad a date, pad its
// text: fmt::format("{:>24}", d.toString()).
//
// An interval writes its bracketed form and takes the specs of a string,
// such as a width and an alignment:
//
//   fmt::format("{}", Date::DateInterval(0, 0, 0, -7, 0, 0));     // "[0|0|0|-7|0|0]"
//   fmt::format("{:>15}", Date::DateInterval());                  // "  [0|0|0|0|0|0]"

#ifndef NORMDATE_FMT_H_
#define NORMDATE_FMT_H_

#include <fmt/format.h>
#include <normdate/date.h>
#include <normdate/detail/formatting.h>
#include <normdate/interval.h>
#include <normdate/timestamp.h>

template <>
struct fmt::formatter<Date::Date>
    : Date::detail::InstantFormatter<Date::Date, fmt::format_parse_context> {};

template <>
struct fmt::formatter<Date::Timestamp>
    : Date::detail::InstantFormatter<Date::Timestamp, fmt::format_parse_context> {};

template <>
struct fmt::formatter<Date::DateInterval> : fmt::formatter<fmt::string_view> {
  template <class FormatContext>
  auto format(const Date::DateInterval& interval, FormatContext& context) const
      -> decltype(context.out()) {
    const Date::detail::IntervalText text(interval);
    return fmt::formatter<fmt::string_view>::format(
        fmt::string_view(text.view().data(), text.view().size()), context);
  }
};

#endif  // NORMDATE_FMT_H_
