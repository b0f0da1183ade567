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
// standard format specification: width, fill and alignment are token-free
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

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

#include "date.h"
#include "interval.h"
#include "timestamp.h"

namespace Date::detail {

// The formatter of a date or a timestamp: its specifier is everything up
// to the closing brace.
template <class Value>
struct FmtInstantFormatter {
  constexpr auto parse(fmt::format_parse_context& context) -> decltype(context.begin()) {
    auto end = context.begin();
    while (end != context.end() && *end != '}') ++end;
    specifier = std::string_view(context.begin(), static_cast<std::size_t>(end - context.begin()));
    return end;
  }

  template <class FormatContext>
  auto format(const Value& value, FormatContext& context) const -> decltype(context.out()) {
    const std::string text = specifier.empty()    ? value.toString()
                             : specifier == "iso" ? value.toIsoString()
                                                  : value.toString(specifier);
    return std::copy(text.begin(), text.end(), context.out());
  }

  std::string_view specifier;
};

}  // namespace Date::detail

template <>
struct fmt::formatter<Date::Date> : Date::detail::FmtInstantFormatter<Date::Date> {};

template <>
struct fmt::formatter<Date::Timestamp> : Date::detail::FmtInstantFormatter<Date::Timestamp> {};

template <>
struct fmt::formatter<Date::DateInterval> : fmt::formatter<fmt::string_view> {
  template <class FormatContext>
  auto format(const Date::DateInterval& interval, FormatContext& context) const
      -> decltype(context.out()) {
    fmt::memory_buffer text;
    fmt::format_to(std::back_inserter(text), "[{}|{}|{}|{}|{}|{}]", interval.getYear(),
                   interval.getMonth(), interval.getDay(), interval.getHour(), interval.getMinute(),
                   interval.getSecond());
    return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()),
                                                    context);
  }
};

#endif  // NORMDATE_FMT_H_
