// -----------------------------------------------------------------------------
// File: format.h
// -----------------------------------------------------------------------------
//
// Formatting of `Date::Date`, `Date::Timestamp`, `Date::DateInterval` and
// `Date::ZonedTime` (<normdate/zoned.h>) through std::format, with the same
// specifiers and the same text as <normdate/fmt.h> (the two share their
// implementation):
//
//   const Date::Date d(2026, Date::Dec, 6, 2, 4, 49);
//   std::format("{}", d);                 // "2026-Dec-06 02:04:49"
//   std::format("{:DD.MM.YYYY}", d);      // "06.12.2026"
//   std::format("{:iso}", d);             // "2026-12-06T02:04:49Z"
//   std::format("{:%a %e %b %Y}", d);     // "Sun  6 Dec 2026"
//   std::format("{:>16}", Date::DateInterval(0, 0, 0, -7, 0, 0));  // "  [0|0|0|-7|0|0]"
//
// A date's or a timestamp's specifier is everything up to the closing brace:
// a strftime pattern (from a "%"), a token format, "iso", or nothing for
// the default form, all but a token format after an optional fill,
// alignment and width ("{:>24}", "{:>12%F}"); it cannot hold a brace. An interval takes a string's
// specifier (fill, alignment, width, precision). A specifier that cannot be read is an error as the
// standard library reports it: at compile time for a format string it checks then, and
// std::format_error from std::vformat.
//
// The header needs a standard library whose <format> is usable: libc++ 16 or
// later with -fexperimental-library (as clang++ -stdlib=libc++ builds it on
// Debian 12), libstdc++ 13 or later, or MSVC's. Elsewhere, such as with
// libstdc++ 12, the default of g++ 12 and clang 14 on Debian 12, including
// it stops the build with an #error. <normdate/date.h> defines
// NORMDATE_HAS_STD_FORMAT to 1 where it is usable and 0 elsewhere, so that a
// program can include this header only where it builds:
//
//   #include <normdate/date.h>
//   #if NORMDATE_HAS_STD_FORMAT
//   #include <normdate/format.h>
//   #endif

#ifndef NORMDATE_FORMAT_H_
#define NORMDATE_FORMAT_H_

#include <normdate/date.h>

#if !NORMDATE_HAS_STD_FORMAT
#error \
    "<normdate/format.h> needs a usable <format> (libc++ 16 with -fexperimental-library, libstdc++ 13, MSVC); test NORMDATE_HAS_STD_FORMAT, or use <normdate/fmt.h>"
#endif

#include <normdate/detail/formatting.h>
#include <normdate/interval.h>
#include <normdate/timestamp.h>

namespace Date {
class ZonedTime;  // of the zone component, <normdate/zoned.h>
}  // namespace Date

#include <format>
#include <string_view>

template <>
struct std::formatter<Date::Date, char>
    : Date::detail::InstantFormatter<Date::Date, std::format_parse_context, std::format_error> {};

template <>
struct std::formatter<Date::Timestamp, char>
    : Date::detail::InstantFormatter<Date::Timestamp, std::format_parse_context,
                                     std::format_error> {};

// A zoned time (<normdate/zoned.h>), as in <normdate/fmt.h>.
template <>
struct std::formatter<Date::ZonedTime, char>
    : Date::detail::InstantFormatter<Date::ZonedTime, std::format_parse_context,
                                     std::format_error> {};

template <>
struct std::formatter<Date::DateInterval, char> : std::formatter<std::string_view, char> {
  template <class FormatContext>
  auto format(const Date::DateInterval& interval, FormatContext& context) const
      -> decltype(context.out()) {
    return std::formatter<std::string_view, char>::format(
        Date::detail::IntervalText(interval).view(), context);
  }
};

#endif  // NORMDATE_FORMAT_H_
