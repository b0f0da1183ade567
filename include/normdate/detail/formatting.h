// -----------------------------------------------------------------------------
// File: formatting.h
// -----------------------------------------------------------------------------
//
// Internal: what <normdate/fmt.h> and <normdate/format.h> share, so that fmt
// and std::format read the same specifiers and write the same text. Nothing
// here is part of normdate's interface; include one of those two headers.

#ifndef NORMDATE_FORMATTING_H_
#define NORMDATE_FORMATTING_H_

#include <normdate/date.h>
#include <normdate/interval.h>
#include <normdate/timestamp.h>

#include <string>
#include <string_view>

namespace Date::detail {

// Where the specifier of a date or a timestamp ends: at the closing brace
// of its replacement field, which the specifier cannot hold.
template <class Iterator>
constexpr Iterator specifierEnd(Iterator begin, Iterator end) {
  while (begin != end && *begin != '}') ++begin;
  return begin;
}

// The text of a date or a timestamp for its specifier: the default form
// for an empty one, ISO text for "iso", and a token format for any other.
template <class Instant>
std::string instantText(const Instant& value, std::string_view specifier) {
  if (specifier.empty()) return value.toString();
  if (specifier == "iso") return value.toIsoString();
  return value.toString(specifier);
}

// The formatter of a date or a timestamp for a format library whose parse
// context is `ParseContext`.
template <class Instant, class ParseContext>
struct InstantFormatter {
  constexpr auto parse(ParseContext& context) -> decltype(context.begin()) {
    const auto end = specifierEnd(context.begin(), context.end());
    specifier = std::string_view(context.begin(), static_cast<std::size_t>(end - context.begin()));
    return end;
  }

  template <class FormatContext>
  auto format(const Instant& value, FormatContext& context) const -> decltype(context.out()) {
    const std::string text = instantText(value, specifier);
    auto out = context.out();
    for (const char c : text) *out++ = c;
    return out;
  }

  std::string_view specifier;
};

}  // namespace Date::detail

#endif  // NORMDATE_FORMATTING_H_
