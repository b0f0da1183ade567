// -----------------------------------------------------------------------------
// File: fmt.h
// -----------------------------------------------------------------------------
//
// Formatting of `Date::Date`, `Date::Timestamp`, `Date::DateInterval` and,
// where <normdate/zoned.h> is included too, `Date::ZonedTime` through the
// fmt library.
// Header-only and optional: include it where fmt is available (Debian's
// libfmt-dev) and link fmt as usual; the normdate library itself does not
// need fmt.
//
// A date's or a timestamp's format specifier that begins with "%" is a
// strftime pattern, with the conversions of their `strftime`, as for a
// std::chrono time point; any other is a token format, as for their
// `toString`, except the specifier "iso", which gives `toIsoString`; an
// empty one is the default format:
//
//   const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
//   fmt::format("{}", d);              // "2026-Dec-06 02:04:49"
//   fmt::format("{:%Y-%m-%d %H:%M}", d);  // "2026-12-06 02:04"
//   fmt::format("{:DD.MM.YYYY}", d);   // "06.12.2026"
//   fmt::format("{:iso}", d);          // "2026-12-06T02:04:49Z"
//   fmt::format("{:%H:%M:%E3S}", Date::Timestamp(d, 250'000'000));  // "02:04:49.250"
//   fmt::format("{:>22}", d);          // "  2026-Dec-06 02:04:49"
//
// A "%" that starts no conversion is a format_error, at compile time where
// fmt checks the format string then ("{:%Q}" does not compile). Before the
// default form, "iso" or a pattern, a string's fill, alignment and width
// pad the text: "{:>24}", "{:*^26iso}", "{:>12%F}". A token format is read as a whole,
// so that text such as "<DD>" stays a format ("{:<DD>}" writes "<06>");
// to pad it, pad its text: fmt::format("{:>12}", d.toString("DD.MM.YYYY")).
// The specifier is everything up to the first closing brace, so it cannot
// hold a brace: a nested replacement field such as "{:{}}" leaves an
// unmatched brace, which fmt reports as a format_error.
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

namespace Date {
class ZonedTime;  // of the zone component, <normdate/zoned.h>
}  // namespace Date

template <>
struct fmt::formatter<Date::Date>
    : Date::detail::InstantFormatter<Date::Date, fmt::format_parse_context, fmt::format_error> {};

template <>
struct fmt::formatter<Date::Timestamp>
    : Date::detail::InstantFormatter<Date::Timestamp, fmt::format_parse_context,
                                     fmt::format_error> {};

// A zoned time (<normdate/zoned.h>, of the zone component) formats as a
// timestamp of its local time; "iso" writes its offset, and the empty
// specifier its RFC 9557 text.
template <>
struct fmt::formatter<Date::ZonedTime>
    : Date::detail::InstantFormatter<Date::ZonedTime, fmt::format_parse_context,
                                     fmt::format_error> {};

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
