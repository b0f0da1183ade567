// -----------------------------------------------------------------------------
// File: detail/conversions.h
// -----------------------------------------------------------------------------
//
// Internal: the grammar of strftime-style patterns, constexpr so that fmt
// and std::format can check a "%" specifier when they check a format string
// at compile time, and shared with the library's writer and reader so that
// the three accept the same patterns. Not part of normdate's interface; use
// `strftime` and `strptime` on `Date::Date`, `Date::Timestamp` or
// `Date::ZonedTime`.

#ifndef NORMDATE_DETAIL_CONVERSIONS_H_
#define NORMDATE_DETAIL_CONVERSIONS_H_

#include <cstddef>
#include <string_view>

namespace Date::detail {

// One conversion of a pattern, as read from its "%".
struct Conversion {
  char letter = 0;         // the conversion (%Ez is 'z'); 0 where none is valid
  int fractionDigits = 0;  // for 'S': 0 for %S, 1..9 for %E1S..%E9S, -1 for %E*S
  bool colon = false;      // for 'z': %Ez and %Oz write and read "+hh:mm"
  std::size_t length = 0;  // bytes of the pattern it takes, at least 1
};

// The letters <chrono>'s formatter converts unmodified, with glibc's %s.
inline constexpr std::string_view plainConversions = "aAbBcCdDeFgGhHIjmMnprRsStTuUVwWxXyYzZ%";
// Those that take an E, or an O, with the same meaning.
inline constexpr std::string_view eConversions = "cCxXyYz";
inline constexpr std::string_view oConversions = "deHImMSuUVwWyz";

// The conversion whose "%" is at `at` of `pattern`.
// Precondition: pattern[at] == '%'.
constexpr Conversion conversionAt(std::string_view pattern, std::size_t at) noexcept {
  const std::string_view rest = pattern.substr(at + 1);
  if (rest.empty()) return {0, 0, false, 1};
  if (rest[0] != 'E' && rest[0] != 'O') {
    return {plainConversions.find(rest[0]) != std::string_view::npos ? rest[0] : '\0', 0, false, 2};
  }
  if (rest.size() < 2) return {0, 0, false, 2};
  // abseil's %E*S and %E1S .. %E9S: the seconds with a fraction.
  if (rest[0] == 'E' && (rest[1] == '*' || (rest[1] >= '1' && rest[1] <= '9'))) {
    if (rest.size() < 3 || rest[2] != 'S') return {0, 0, false, 3};
    return {'S', rest[1] == '*' ? -1 : rest[1] - '0', false, 4};
  }
  const std::string_view allowed = rest[0] == 'E' ? eConversions : oConversions;
  const bool valid = allowed.find(rest[1]) != std::string_view::npos;
  return {valid ? rest[1] : '\0', 0, valid && rest[1] == 'z', 3};
}

// Where the first conversion that is not valid starts in `pattern`, or
// npos where every one is.
constexpr std::size_t invalidConversion(std::string_view pattern) noexcept {
  for (std::size_t at = pattern.find('%'); at != std::string_view::npos;) {
    const Conversion conversion = conversionAt(pattern, at);
    if (conversion.letter == 0) return at;
    at = pattern.find('%', at + conversion.length);
  }
  return std::string_view::npos;
}

}  // namespace Date::detail

#endif  // NORMDATE_DETAIL_CONVERSIONS_H_
